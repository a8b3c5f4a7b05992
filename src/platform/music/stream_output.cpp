// The PulseAudio client library is loaded (dlopen) only when there is music to play: the program
// does not link it. Its threaded main loop calls back for sound on a thread of its own.
#include "platform/music/stream_output.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <dlfcn.h>
#include <mutex>

namespace platform::music {

namespace {

#define PELIRRA_PULSE_FUNCTIONS(F)                                                                 \
    F(pa_threaded_mainloop_new)                                                                    \
    F(pa_threaded_mainloop_free)                                                                   \
    F(pa_threaded_mainloop_start)                                                                  \
    F(pa_threaded_mainloop_stop)                                                                   \
    F(pa_threaded_mainloop_lock)                                                                   \
    F(pa_threaded_mainloop_unlock)                                                                 \
    F(pa_threaded_mainloop_wait)                                                                   \
    F(pa_threaded_mainloop_signal)                                                                 \
    F(pa_threaded_mainloop_get_api)                                                                \
    F(pa_context_new)                                                                              \
    F(pa_context_set_state_callback)                                                               \
    F(pa_context_connect)                                                                          \
    F(pa_context_get_state)                                                                        \
    F(pa_context_disconnect)                                                                       \
    F(pa_context_unref)                                                                            \
    F(pa_stream_new)                                                                               \
    F(pa_stream_set_state_callback)                                                                \
    F(pa_stream_set_write_callback)                                                                \
    F(pa_stream_connect_playback)                                                                  \
    F(pa_stream_get_state)                                                                         \
    F(pa_stream_writable_size)                                                                     \
    F(pa_stream_begin_write)                                                                       \
    F(pa_stream_write)                                                                             \
    F(pa_stream_set_buffer_attr)                                                                   \
    F(pa_stream_cork)                                                                              \
    F(pa_stream_flush)                                                                             \
    F(pa_stream_disconnect)                                                                        \
    F(pa_stream_unref)                                                                             \
    F(pa_operation_unref)

struct PulseLibrary
{
#define PELIRRA_DECLARE(name) decltype(&::name) name = nullptr;
    PELIRRA_PULSE_FUNCTIONS(PELIRRA_DECLARE)
#undef PELIRRA_DECLARE
};

// Loaded once for the process and never unloaded; nullptr when it cannot be.
const PulseLibrary* loadPulse()
{
    static std::once_flag once;
    static PulseLibrary library;
    static bool complete = false;
    std::call_once(once, [] {
        void* handle = ::dlopen("libpulse.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            ::dlerror();
            return;
        }
        complete = true;
#define PELIRRA_RESOLVE(name)                                                                      \
    library.name = reinterpret_cast<decltype(library.name)>(::dlsym(handle, #name));               \
    complete = complete && library.name;
        PELIRRA_PULSE_FUNCTIONS(PELIRRA_RESOLVE)
#undef PELIRRA_RESOLVE
    });
    return complete ? &library : nullptr;
}

} // namespace

// What the server is asked to hold. While the sound is made as it plays: a fifth of a second,
// asked for a tenth at a time, as a synthesizer's periods of 4096 frames. Once it is all in
// memory: two seconds, asked for half a second at a time, so that the server plays with a
// latency of a second and both sides wake about twice a second. Playing begins with the first
// tenth of a second either way.
pa_buffer_attr bufferOf(int rate, bool large)
{
    const uint32_t second = static_cast<uint32_t>(rate) * 4;
    pa_buffer_attr buffer;
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = large ? 2 * second : second / 5;
    buffer.prebuf = second / 10;
    buffer.minreq = large ? second / 2 : second / 10;
    buffer.fragsize = static_cast<uint32_t>(-1);
    return buffer;
}

struct PulseOutput::Impl
{
    int rate = 44100;
    const PulseLibrary* pa = nullptr;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    Fill fill;
    bool paused = true;

    ~Impl();
    bool connect();
    bool openStream(int rate);
    void waitFor(bool (*ready)(Impl&));
    void run(pa_operation* op)
    {
        if (op)
            pa->pa_operation_unref(op);
    }
    static void onWrite(pa_stream* s, size_t bytes, void* data);
    static void onState(void* data);
};

PulseOutput::Impl::~Impl()
{
    if (loop) {
        pa->pa_threaded_mainloop_lock(loop);
        if (stream) {
            pa->pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa->pa_stream_disconnect(stream);
            pa->pa_stream_unref(stream);
        }
        if (context) {
            pa->pa_context_disconnect(context);
            pa->pa_context_unref(context);
        }
        pa->pa_threaded_mainloop_unlock(loop);
        pa->pa_threaded_mainloop_stop(loop);
        pa->pa_threaded_mainloop_free(loop);
    }
}

void PulseOutput::Impl::onState(void* data)
{
    auto* d = static_cast<Impl*>(data);
    d->pa->pa_threaded_mainloop_signal(d->loop, 0);
}

// Under the main loop's lock: waits until `ready` says the context or stream has settled.
void PulseOutput::Impl::waitFor(bool (*ready)(Impl&))
{
    while (!ready(*this))
        pa->pa_threaded_mainloop_wait(loop);
}

bool PulseOutput::Impl::connect()
{
    loop = pa->pa_threaded_mainloop_new();
    if (!loop)
        return false;
    context = pa->pa_context_new(pa->pa_threaded_mainloop_get_api(loop), "Pelirra");
    if (!context)
        return false;
    pa->pa_context_set_state_callback(
        context, [](pa_context*, void* data) { onState(data); }, this);
    if (pa->pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0
        || pa->pa_threaded_mainloop_start(loop) < 0)
        return false;
    pa->pa_threaded_mainloop_lock(loop);
    waitFor([](Impl& d) {
        const auto state = d.pa->pa_context_get_state(d.context);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    const bool ready = pa->pa_context_get_state(context) == PA_CONTEXT_READY;
    pa->pa_threaded_mainloop_unlock(loop);
    return ready;
}

bool PulseOutput::Impl::openStream(int rate)
{
    const pa_sample_spec format { PA_SAMPLE_S16NE, static_cast<uint32_t>(rate), 2 };
    pa_buffer_attr buffer = bufferOf(rate, false);
    pa->pa_threaded_mainloop_lock(loop);
    stream = pa->pa_stream_new(context, "Music", &format, nullptr);
    bool ready = false;
    if (stream) {
        pa->pa_stream_set_state_callback(
            stream, [](pa_stream*, void* data) { onState(data); }, this);
        pa->pa_stream_set_write_callback(stream, &Impl::onWrite, this);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED);
        if (pa->pa_stream_connect_playback(stream, nullptr, &buffer, flags, nullptr, nullptr)
            == 0) {
            waitFor([](Impl& d) {
                const auto state = d.pa->pa_stream_get_state(d.stream);
                return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
            });
            ready = pa->pa_stream_get_state(stream) == PA_STREAM_READY;
        }
    }
    pa->pa_threaded_mainloop_unlock(loop);
    return ready;
}

// On the main loop's thread: the server has room for `bytes` more.
void PulseOutput::Impl::onWrite(pa_stream* s, size_t bytes, void* data)
{
    auto* d = static_cast<Impl*>(data);
    if (d->paused)
        return; // asked for again on resuming
    constexpr size_t frameBytes = 4, most = 4410 * frameBytes;
    while (bytes >= frameBytes) {
        size_t n = std::min(bytes, most);
        void* buffer = nullptr;
        if (d->pa->pa_stream_begin_write(s, &buffer, &n) < 0 || !buffer || n < frameBytes)
            return;
        n -= n % frameBytes;
        d->fill(static_cast<int16_t*>(buffer), n / frameBytes);
        if (d->pa->pa_stream_write(s, buffer, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        bytes -= n;
    }
}

PulseOutput::PulseOutput(std::unique_ptr<Impl> impl)
    : d(std::move(impl))
{ }

PulseOutput::~PulseOutput() = default;

std::unique_ptr<PulseOutput> PulseOutput::open(int rate, Fill fill)
{
    auto d = std::make_unique<Impl>();
    d->pa = loadPulse();
    if (!d->pa)
        return nullptr;
    d->fill = std::move(fill);
    d->rate = rate;
    if (!d->connect() || !d->openStream(rate))
        return nullptr;
    return std::unique_ptr<PulseOutput>(new PulseOutput(std::move(d)));
}

void PulseOutput::resume()
{
    d->pa->pa_threaded_mainloop_lock(d->loop);
    if (d->paused) {
        d->paused = false;
        d->run(d->pa->pa_stream_cork(d->stream, 0, nullptr, nullptr));
        const size_t room = d->pa->pa_stream_writable_size(d->stream);
        if (room != static_cast<size_t>(-1) && room > 0)
            Impl::onWrite(d->stream, room, d.get());
    }
    d->pa->pa_threaded_mainloop_unlock(d->loop);
}

void PulseOutput::useLargeBuffers()
{
    d->pa->pa_threaded_mainloop_lock(d->loop);
    const pa_buffer_attr buffer = bufferOf(d->rate, true);
    d->run(d->pa->pa_stream_set_buffer_attr(d->stream, &buffer, nullptr, nullptr));
    d->pa->pa_threaded_mainloop_unlock(d->loop);
}

void PulseOutput::pause()
{
    d->pa->pa_threaded_mainloop_lock(d->loop);
    if (!d->paused) {
        d->paused = true;
        d->run(d->pa->pa_stream_cork(d->stream, 1, nullptr, nullptr));
        d->run(d->pa->pa_stream_flush(d->stream, nullptr, nullptr));
    }
    d->pa->pa_threaded_mainloop_unlock(d->loop);
}

} // namespace platform::music
