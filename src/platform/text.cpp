#include "platform/text.h"

#include <QString>

namespace platform {

int InStr(TextView hay, TextView needle)
{
    const auto at = hay.find(needle);
    return at == TextView::npos ? 0 : static_cast<int>(at) + 1;
}

Text Mid(TextView s, int start)
{
    if (start < 1 || static_cast<size_t>(start) > s.size())
        return {};
    return Text(s.substr(static_cast<size_t>(start) - 1));
}

Text Mid(TextView s, int start, int length)
{
    if (start < 1 || length <= 0 || static_cast<size_t>(start) > s.size())
        return {};
    return Text(s.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(length)));
}

Text Left(TextView s, int length)
{
    if (length <= 0)
        return {};
    return Text(s.substr(0, static_cast<size_t>(length)));
}

Text UCase(TextView s)
{
    Text out(s);
    for (auto& c : out) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return out;
}

Text Str(long long n)
{
    const std::string digits = std::to_string(n);
    return Text(digits.begin(), digits.end());
}

std::string toUtf8(TextView s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toStdString();
}

Text fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdU16String();
}

Text pathFromNative(std::string_view bytes)
{
    Text out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
        const unsigned char b = byte(0);
        const size_t n = b < 0x80 ? 1
            : (b >> 5) == 0x6     ? 2
            : (b >> 4) == 0xE     ? 3
            : (b >> 3) == 0x1E    ? 4
                                  : 0;
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        bool valid = n > 0 && i + n <= bytes.size();
        for (size_t k = 1; valid && k < n; ++k) {
            valid = (byte(k) >> 6) == 0x2;
            c = (c << 6) | (byte(k) & 0x3F);
        }
        static constexpr char32_t least[] = { 0, 0, 0x80, 0x800, 0x10000 };
        valid = valid && c >= least[n] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!valid) {
            out += static_cast<char16_t>(0xDC00 + b); // a byte that is not UTF-8
            ++i;
        } else if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            i += n;
        } else {
            out += static_cast<char16_t>(c);
            i += n;
        }
    }
    return out;
}

std::string nativePath(TextView path)
{
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        char32_t c = path[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00
            && path[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (path[++i] - 0xDC00);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00); // the byte it stands for
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace platform
