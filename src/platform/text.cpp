#include "platform/text.h"

#include <utility>

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
    std::string out;
    out.reserve(s.size());
    // A byte order mark at the start is left out, on the way in as on the way out.
    for (size_t i = s.starts_with(u'\uFEFF') ? 1 : 0; i < s.size(); ++i) {
        char32_t c = s[i];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00
            && s[i + 1] <= 0xDFFF;
        if (pair) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += '?'; // half of a pair: no character
            continue;
        }
        const auto put = [&out](char32_t bits) { out += static_cast<char>(bits); };
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {
// The character of a well-formed sequence of UTF-8 bytes at `s[i]`, and its length in bytes;
// a length of 0 when the bytes there are no character.
std::pair<char32_t, size_t> utf8At(std::string_view s, size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80)
        return { b, 1 };
    size_t more = 0;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the byte after the first
    if (b >= 0xC2 && b <= 0xDF) {
        more = 1;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        more = 2;
        c = b & 0x0F;
        low = b == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = b == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        more = 3;
        c = b & 0x07;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return { 0, 0 };
    }
    for (size_t k = 1; k <= more; ++k) {
        if (i + k >= s.size())
            return { 0, 0 };
        const auto next = static_cast<unsigned char>(s[i + k]);
        if (next < low || next > high)
            return { 0, 0 };
        low = 0x80;
        high = 0xBF;
        c = (c << 6) | (next & 0x3F);
    }
    return { c, more + 1 };
}
} // namespace

Text fromUtf8(std::string_view s)
{
    Text out;
    out.reserve(s.size());
    // A byte order mark at the start is no character of the text.
    size_t i = s.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (i < s.size()) {
        const auto [c, length] = utf8At(s, i);
        if (length == 0) {
            out += u'\uFFFD'; // each byte that starts no character stands for one
            ++i;
            continue;
        }
        i += length;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
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
