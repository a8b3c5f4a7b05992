#include "platform/cp932.h"

#include <bit>
#include <cerrno>
#include <iconv.h>

static_assert(std::endian::native == std::endian::little, "UTF-16LE is the host's order here");

namespace platform::cp932 {
namespace {

    constexpr char16_t EscapeBase = 0xDC00;

    // One converter each way per thread, opened on first use and kept.
    class Converter {
    public:
        Converter(const char* to, const char* from)
            : cd_(iconv_open(to, from))
        {
        }
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
        if (!conv.ok() || iconv(conv.get(), &in, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
            if (conv.ok() && errno == E2BIG)
                break; // cannot happen: the output has room for one unit per byte
            // An invalid or truncated sequence: keep its first byte as an escape and go on.
            const auto b = static_cast<unsigned char>(*in);
            *reinterpret_cast<char16_t*>(outp) = static_cast<char16_t>(EscapeBase + b);
            outp += sizeof(char16_t);
            outLeft -= sizeof(char16_t);
            ++in;
            --inLeft;
            if (conv.ok())
                conv.reset();
        }
    }
    out.resize((out.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t));
    return out;
}

std::string encode(TextView text)
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
        if (!conv.ok() || iconv(conv.get(), &in, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
            if (conv.ok() && errno == E2BIG)
                break; // cannot happen: two bytes per unit is the most code page 932 needs
            const char16_t c = *reinterpret_cast<const char16_t*>(in);
            size_t units = 1;
            if (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF) {
                *outp = static_cast<char>(c - EscapeBase);
            } else {
                *outp = '?';
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
        if (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF)
            return false;
    }
    return true;
}

} // namespace platform::cp932
