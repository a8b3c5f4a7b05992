#include "platform/music/library.h"

#include <dlfcn.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

namespace {

// The ALSA library's error handler, as libasound declares it.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) { }

// Music that cannot play is not worth a word: FluidSynth's log and the ALSA library's own
// complaints (a machine without a sound card) stay off the terminal.
void silence(const FluidSynthLibrary& fl)
{
    for (int level : { FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG })
        fl.fluid_set_log_function(level, nullptr, nullptr);
    // FluidSynth brought libasound with it; this handle only looks it up.
    if (void* alsa = ::dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL | RTLD_NOLOAD)) {
        using SetHandler = int (*)(AlsaErrorHandler);
        if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler")))
            set(ignoreAlsaError);
        ::dlclose(alsa);
    }
}

} // namespace

// FluidSynth from `file`, loaded once for the whole process and never unloaded (its threads and
// its dependencies' clean-up would outlive it); nullptr when it cannot be loaded or lacks a
// function. A failure is remembered, so it costs one attempt.
const FluidSynthLibrary* loadFluidSynth(const std::string& file)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<FluidSynthLibrary>> loaded;
    std::lock_guard lock(mutex);
    const auto [at, fresh] = loaded.try_emplace(file);
    if (!fresh)
        return at->second.get();
    void* handle = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        ::dlerror(); // nobody is told
        return nullptr;
    }
    auto fl = std::make_unique<FluidSynthLibrary>();
    bool complete = true;
#define PELIRRA_RESOLVE(name)                                                                      \
    fl->name = reinterpret_cast<decltype(fl->name)>(::dlsym(handle, #name));                       \
    complete = complete && fl->name;
    PELIRRA_FLUIDSYNTH_FUNCTIONS(PELIRRA_RESOLVE)
#undef PELIRRA_RESOLVE
    if (!complete) {
        ::dlerror();
        return nullptr; // the handle stays: unloading a library is never worth its risks here
    }
    silence(*fl);
    at->second = std::move(fl);
    return at->second.get();
}

} // namespace platform
