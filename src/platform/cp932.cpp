#include "platform/cp932.h"

#include <bit>
#include <cerrno>
#include <iconv.h>
#include <optional>

static_assert(std::endian::native == std::endian::little, "UTF-16LE is the host's order here");

namespace platform::cp932 {
namespace {

constexpr char16_t EscapeBase = 0xDC00;

// One converter each way per thread, opened on first use and kept.
class Converter
{
public:
    Converter(const char* to, const char* from)
        : cd_(iconv_open(to, from))
    { }
    ~Converter()
    {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    void reset() const { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

const Converter& decoder()
{
    thread_local Converter c("UTF-16LE", "CP932");
    return c;
}

const Converter& encoder()
{
    thread_local Converter c("CP932", "UTF-16LE");
    return c;
}

bool allAscii(std::string_view bytes)
{
    for (unsigned char b : bytes) {
        if (b >= 0x80)
            return false;
    }
    return true;
}

bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
}

// The one character that the `n` bytes at `p` make, or nothing.
std::optional<char16_t> decodeOne(const char* p, size_t n)
{
    const Converter& conv = decoder();
    if (!conv.ok())
        return std::nullopt;
    char16_t c = 0;
    char* in = const_cast<char*>(p);
    size_t inLeft = n;
    char* out = reinterpret_cast<char*>(&c);
    size_t outLeft = sizeof c;
    conv.reset();
    const bool one = iconv(conv.get(), &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)
        && inLeft == 0 && outLeft == 0;
    conv.reset();
    return one ? std::optional<char16_t>(c) : std::nullopt;
}

// After a stray byte kept as an escape: how many of the bytes at `p` to keep as escapes too.
// A character that code page 932 holds twice is written back in the form Windows writes it;
// should that form's first byte make a character with the stray byte, the line would not
// read back the same. Such a character is kept as its bytes instead.
size_t keptAfterStray(unsigned char stray, const char* p, size_t left)
{
    if (!isLeadByte(stray) || left < 2 || !isLeadByte(static_cast<unsigned char>(p[0])))
        return 0;
    const std::optional<char16_t> c = decodeOne(p, 2);
    if (!c)
        return 0;
    const std::string written = encode(TextView(&*c, 1));
    if (written == std::string_view(p, 2))
        return 0;
    const char pair[2] = { static_cast<char>(stray), written[0] };
    return decodeOne(pair, 2) ? 2 : 0;
}

} // namespace

Text decode(std::string_view bytes)
{
    if (allAscii(bytes))
        return Text(bytes.begin(), bytes.end());

    // Every character of code page 932 takes one or two bytes and one UTF-16 unit.
    Text out(bytes.size(), u'\0');
    const Converter& conv = decoder();
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outp = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(char16_t);
    conv.reset();
    while (inLeft > 0) {
        if (!conv.ok()
            || iconv(conv.get(), &in, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
            if (conv.ok() && errno == E2BIG)
                break; // cannot happen: the output has room for one unit per byte
            // An invalid or truncated sequence: keep its first byte as an escape and go on.
            const auto keep = [&] {
                const auto b = static_cast<unsigned char>(*in);
                *reinterpret_cast<char16_t*>(outp) = static_cast<char16_t>(EscapeBase + b);
                outp += sizeof(char16_t);
                outLeft -= sizeof(char16_t);
                ++in;
                --inLeft;
                return b;
            };
            const unsigned char stray = keep();
            for (size_t n = keptAfterStray(stray, in, inLeft); n > 0; --n)
                keep();
            if (conv.ok())
                conv.reset();
        }
    }
    out.resize((out.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t));
    return out;
}

std::string encode(TextView text)
{
    std::vector<size_t> refused;
    return encode(text, refused);
}

std::string encode(TextView text, std::vector<size_t>& refused)
{
    bool ascii = true;
    for (char16_t c : text) {
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return std::string(text.begin(), text.end());

    std::string out(text.size() * 2, '\0');
    const Converter& conv = encoder();
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    size_t inLeft = text.size() * sizeof(char16_t);
    char* outp = out.data();
    size_t outLeft = out.size();
    conv.reset();
    while (inLeft > 0) {
        if (!conv.ok()
            || iconv(conv.get(), &in, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
            if (conv.ok() && errno == E2BIG)
                break; // cannot happen: two bytes per unit is the most code page 932 needs
            const char16_t c = *reinterpret_cast<const char16_t*>(in);
            size_t units = 1;
            if (c >= EscapeBase && c <= EscapeBase + 0xFF) {
                *outp = static_cast<char>(c - EscapeBase);
            } else {
                *outp = '?';
                refused.push_back(text.size() - inLeft / sizeof(char16_t));
                // A well-formed surrogate pair is one character and gives one "?".
                if (c >= 0xD800 && c <= 0xDBFF && inLeft >= 4) {
                    const char16_t next = *reinterpret_cast<const char16_t*>(in + 2);
                    if (next >= 0xDC00 && next <= 0xDFFF)
                        units = 2;
                }
            }
            ++outp;
            --outLeft;
            in += units * sizeof(char16_t);
            inLeft -= units * sizeof(char16_t);
            if (conv.ok())
                conv.reset();
        }
    }
    out.resize(out.size() - outLeft);
    return out;
}

bool isValid(std::string_view bytes)
{
    for (char16_t c : decode(bytes)) {
        if (c >= EscapeBase && c <= EscapeBase + 0xFF)
            return false;
    }
    return true;
}

} // namespace platform::cp932
