// A story text: an author's UTF-8 made into code page 932 with CR LF, through the game's own
// code page 932 writer.
#include "convert/convert.h"

#include "platform/cp932.h"

#include <cstdio>
#include <optional>

namespace convert {

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";
std::string hex(unsigned value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

std::string position(int line, int column)
{
    return std::to_string(line) + ":" + std::to_string(column) + ": ";
}

// One character of `s` at `i`, decoded from UTF-8: its code point and length, or nothing for
// bytes that are not UTF-8 (overlong forms and surrogates included).
std::optional<std::pair<char32_t, size_t>> nextChar(std::string_view s, size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80)
        return std::pair<char32_t, size_t> { b, 1 };
    const size_t n = (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return std::nullopt;
    char32_t c = b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto cont = static_cast<unsigned char>(s[i + k]);
        if ((cont >> 6) != 0x2)
            return std::nullopt;
        c = (c << 6) | (cont & 0x3F);
    }
    static constexpr char32_t least[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    return std::pair<char32_t, size_t> { c, n };
}

void append(platform::Text& text, char32_t c)
{
    if (c < 0x10000) {
        text += static_cast<char16_t>(c);
    } else {
        text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

// A line in code page 932 with its line end; a problem for each character it cannot hold.
void encodeLine(const platform::Text& line, int lineNo, Text& out)
{
    std::vector<size_t> refused;
    out.bytes += platform::cp932::encode(line, refused);
    out.bytes += "\r\n";
    for (const size_t at : refused) {
        int column = 1;
        for (size_t i = 0; i < at; ++i)
            column += !(line[i] >= 0xDC00 && line[i] <= 0xDFFF); // a pair is one character
        char32_t c = line[at];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && at + 1 < line.size();
        if (pair)
            c = 0x10000 + ((c - 0xD800) << 10) + (line[at + 1] - 0xDC00);
        const platform::TextView shown(line.data() + at, pair ? 2 : 1);
        out.problems.push_back(position(lineNo, column) + "「" + platform::toUtf8(shown) + "」 (U+"
            + hex(c, 4)
            + ") cannot be written in Shift-JIS (code page 932), the game's text encoding");
    }
}

} // namespace

Text toStoryText(std::string_view utf8)
{
    Text out;
    if (utf8.starts_with(Bom))
        utf8.remove_prefix(Bom.size());
    platform::Text line;
    int lineNo = 1;
    int column = 1;
    bool lineOpen = false; // a line has begun that no line end has ended yet
    for (size_t i = 0; i < utf8.size();) {
        const char b = utf8[i];
        if (b == '\r' || b == '\n') {
            encodeLine(line, lineNo, out);
            line.clear();
            ++lineNo;
            column = 1;
            lineOpen = false;
            i += b == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        const auto c = nextChar(utf8, i);
        if (!c) {
            out.problems.push_back(position(lineNo, column) + "not UTF-8 (the byte 0x"
                + hex(static_cast<unsigned char>(b), 2)
                + "): save the file as UTF-8 text (a file already in Shift-JIS is named NAME.dat "
                  "and goes straight into the story folder)");
            return out;
        }
        append(line, c->first);
        lineOpen = true;
        ++column;
        i += c->second;
    }
    if (lineOpen)
        encodeLine(line, lineNo, out);
    return out;
}

} // namespace convert
