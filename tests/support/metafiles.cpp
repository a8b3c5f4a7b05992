#include "support/metafiles.h"

#include "platform/cp932.h"

namespace test {

std::string bytes16(unsigned v)
{
    return { static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff) };
}

std::string bytes32(uint32_t v)
{
    return bytes16(v & 0xffff) + bytes16(v >> 16);
}

void WmfWriter::rec(uint16_t function, const std::vector<int>& words, const std::string& bytes)
{
    std::string body;
    for (int w : words)
        body += bytes16(static_cast<unsigned>(w));
    body += bytes;
    if (body.size() % 2)
        body += '\0';
    records += bytes32(static_cast<uint32_t>(3 + body.size() / 2)) + bytes16(function) + body;
}

std::string WmfWriter::file(const std::vector<int>& box, int inch) const
{
    std::string out;
    if (inch) {
        out = bytes32(0x9ac6cdd7) + bytes16(0);
        for (int v : box)
            out += bytes16(static_cast<unsigned>(v));
        out += bytes16(static_cast<unsigned>(inch)) + bytes32(0) + bytes16(0);
    }
    const std::string end = bytes32(3) + bytes16(0);
    const auto words = static_cast<uint32_t>((18 + records.size() + end.size()) / 2);
    out += bytes16(1) + bytes16(9) + bytes16(0x300) + bytes32(words)
        + bytes16(static_cast<unsigned>(objects)) + bytes32(0) + bytes16(0);
    return out + records + end;
}

void EmfWriter::rec(uint32_t type, const std::string& body)
{
    std::string padded = body;
    padded.resize((body.size() + 3) / 4 * 4, '\0');
    records += bytes32(type) + bytes32(static_cast<uint32_t>(8 + padded.size())) + padded;
    ++count;
}

std::string EmfWriter::file(int width, int height) const
{
    // A device of 960 pixels on 254 mm: 96 pixels an inch. The frame is in 0.01 mm.
    const auto mm100 = [](int px) { return static_cast<uint32_t>(px * 2540 / 96); };
    const std::string end = bytes32(14) + bytes32(20) + bytes32(0) + bytes32(16) + bytes32(20);
    std::string header = bytes32(0) + bytes32(0) + bytes32(static_cast<uint32_t>(width - 1))
        + bytes32(static_cast<uint32_t>(height - 1));
    header += bytes32(0) + bytes32(0) + bytes32(mm100(width)) + bytes32(mm100(height));
    header += " EMF" + bytes32(0x10000)
        + bytes32(static_cast<uint32_t>(88 + records.size() + end.size()))
        + bytes32(static_cast<uint32_t>(count + 2)) + bytes16(16) + bytes16(0);
    header += bytes32(0) + bytes32(0) + bytes32(0) + bytes32(960) + bytes32(960) + bytes32(254)
        + bytes32(254);
    return bytes32(1) + bytes32(88) + header + records + end;
}

namespace {
std::string colour(unsigned rgb)
{
    return { static_cast<char>(rgb >> 16), static_cast<char>((rgb >> 8) & 0xff),
        static_cast<char>(rgb & 0xff), '\0' };
}

// A 2 x 2 bitmap of 24 bits, all green: its header, then its pixels.
std::string dibHeader()
{
    return bytes32(40) + bytes32(2) + bytes32(2) + bytes16(1) + bytes16(24) + bytes32(0)
        + bytes32(16) + bytes32(0) + bytes32(0) + bytes32(0) + bytes32(0);
}
std::string dibPixels()
{
    const std::string row = std::string("\0\xc0\0\0\xc0\0", 6) + std::string(2, '\0');
    return row + row;
}

std::vector<int> words(const std::string& bytes)
{
    std::vector<int> out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(
            static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return out;
}
} // namespace

std::string sampleWmf(bool placeable, const std::u16string& text)
{
    WmfWriter w;
    w.objects = 4;
    w.rec(0x020b, { 0, 0 }); // SETWINDOWORG
    w.rec(0x020c, { 300, 400 }); // SETWINDOWEXT
    w.rec(0x0626, { 15, 4 }, "junk"); // an escape: never executed
    const auto brush = [&](unsigned rgb) {
        std::vector<int> b { 0 };
        for (int v : words(colour(rgb)))
            b.push_back(v);
        b.push_back(0);
        w.rec(0x02fc, b);
    };
    brush(0xff0000); // object 0
    w.rec(0x012d, { 0 });
    w.rec(0x02fa, { 5, 0, 0, 0, 0 }); // a null pen: object 1
    w.rec(0x012d, { 1 });
    w.rec(0x041b, { 150, 200, 0, 0 }); // RECTANGLE bottom, right, top, left
    brush(0x0000ff); // object 2
    w.rec(0x012d, { 2 });
    w.rec(0x0418, { 150, 400, 0, 200 }); // ELLIPSE
    // STRETCHDIB: SRCCOPY, colours, the source (2 x 2 at 0, 0), the destination, the bitmap.
    w.rec(0x0f43, { 0x0020, 0x00cc, 0, 2, 2, 0, 0, 150, 200, 150, 0 }, dibHeader() + dibPixels());
    // CREATEFONTINDIRECT: 44 high, bold, SHIFTJIS_CHARSET, "MS Gothic".
    std::string font = bytes16(static_cast<unsigned>(-44)) + bytes16(0) + bytes16(0) + bytes16(0)
        + bytes16(700) + std::string("\0\0\0\x80\0\0\0\0", 8) + std::string("MS Gothic\0", 10);
    w.rec(0x02fb, words(font));
    w.rec(0x012d, { 3 });
    w.rec(0x0102, { 1 }); // SETBKMODE transparent
    w.rec(0x0209, words(colour(0))); // SETTEXTCOLOR black
    std::string s = platform::cp932::encode(text);
    const int length = static_cast<int>(s.size());
    if (s.size() % 2)
        s += '\0';
    std::vector<int> t { length };
    for (int v : words(s))
        t.push_back(v);
    t.push_back(200); // y
    t.push_back(210); // x
    w.rec(0x0521, t); // TEXTOUT
    return placeable ? w.file({ 0, 0, 400, 300 }, 96) : w.file();
}

std::string sampleEmf(const std::u16string& text)
{
    EmfWriter e;
    e.rec(70, bytes32(8) + "EMF+" + bytes32(0x4001)); // an EMF+ comment: skipped
    e.rec(39, bytes32(1) + bytes32(0) + colour(0xff0000) + bytes32(0)); // CREATEBRUSHINDIRECT
    e.rec(37, bytes32(1)); // SELECTOBJECT
    e.rec(37, bytes32(0x80000008)); // the null pen
    e.rec(43, bytes32(0) + bytes32(0) + bytes32(200) + bytes32(150)); // RECTANGLE
    e.rec(39, bytes32(2) + bytes32(0) + colour(0x0000ff) + bytes32(0));
    e.rec(37, bytes32(2));
    e.rec(42, bytes32(200) + bytes32(0) + bytes32(400) + bytes32(150)); // ELLIPSE
    // STRETCHDIBITS: bounds, destination 0, 150, source 0, 0, 2 x 2, the bitmap's header at 80
    // and its pixels after it, DIB_RGB_COLORS, SRCCOPY, 200 x 150.
    std::string s = std::string(16, '\0') + bytes32(0) + bytes32(150) + bytes32(0) + bytes32(0)
        + bytes32(2) + bytes32(2) + bytes32(80) + bytes32(40) + bytes32(120) + bytes32(16)
        + bytes32(0) + bytes32(0x00cc0020) + bytes32(200) + bytes32(150);
    e.rec(81, s + dibHeader() + dibPixels());
    // EXTCREATEFONTINDIRECTW: 44 high, bold, SHIFTJIS_CHARSET, "MS Gothic".
    std::string font = bytes32(3) + bytes32(static_cast<uint32_t>(-44)) + bytes32(0) + bytes32(0)
        + bytes32(0) + bytes32(700) + std::string("\0\0\0\x80\0\0\0\0", 8);
    std::string face;
    for (char c : std::string("MS Gothic"))
        face += bytes16(static_cast<unsigned char>(c));
    face.resize(64, '\0');
    e.rec(82, font + face);
    e.rec(37, bytes32(3));
    e.rec(18, bytes32(1)); // SETBKMODE transparent
    e.rec(24, colour(0)); // SETTEXTCOLOR
    // EXTTEXTOUTW: bounds, graphics mode, scales, then the text at 210, 200 (string at 76).
    std::string t = std::string(16, '\0') + bytes32(1) + bytes32(0) + bytes32(0) + bytes32(210)
        + bytes32(200) + bytes32(static_cast<uint32_t>(text.size())) + bytes32(76) + bytes32(0)
        + std::string(16, '\0') + bytes32(0);
    for (char16_t c : text)
        t += bytes16(c);
    e.rec(84, t);
    return e.file(400, 300);
}

} // namespace test

namespace test {

namespace {
std::vector<int> rgbWords(unsigned rgb)
{
    return words(colour(rgb));
}
std::vector<int> join(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
std::string le32s(const std::vector<int>& values)
{
    std::string out;
    for (int v : values)
        out += bytes32(static_cast<uint32_t>(v));
    return out;
}
std::string le16s(const std::vector<int>& values)
{
    std::string out;
    for (int v : values)
        out += bytes16(static_cast<unsigned>(v));
    return out;
}
} // namespace

std::string assortedWmf()
{
    WmfWriter w;
    w.objects = 6;
    w.rec(0x020b, { 0, 0 });
    w.rec(0x020c, { 300, 400 });
    w.rec(0x001e, {}); // SAVEDC
    w.rec(0x0416, { 290, 390, 10, 10 }); // INTERSECTCLIPRECT
    w.rec(0x02fc, join(join({ 2 }, rgbWords(0x008000)), { 5 })); // hatched brush: 0
    w.rec(0x02fa, join({ 1, 4, 0 }, rgbWords(0x800000))); // dashed pen: 1
    w.rec(0x012d, { 0 });
    w.rec(0x012d, { 1 });
    w.rec(0x061c, { 40, 40, 140, 190, 20, 20 }); // ROUNDRECT
    w.rec(0x0817, { 20, 380, 20, 220, 140, 380, 20, 220 }); // ARC
    w.rec(0x0830, { 160, 380, 160, 220, 280, 380, 160, 220 }); // CHORD
    w.rec(0x081a, { 160, 20, 280, 100, 280, 190, 160, 20 }); // PIE
    w.rec(0x0127, { static_cast<int>(0xffff) }); // RESTOREDC -1
    w.rec(0x02fa, join({ 0, 6, 0 }, rgbWords(0x0000ff))); // wide pen: 2
    w.rec(0x012d, { 2 });
    w.rec(0x0325, { 3, 10, 290, 200, 200, 390, 290 }); // POLYLINE
    w.rec(0x0106, { 2 }); // SETPOLYFILLMODE winding
    w.rec(0x0538, { 2, 3, 3, 250, 200, 300, 250, 250, 300, 320, 200, 370, 250, 320, 300 });
    w.rec(0x01f0, { 2 }); // DELETEOBJECT
    w.rec(0x0201, rgbWords(0xffff00)); // SETBKCOLOR
    w.rec(0x012e, { 6 }); // SETTEXTALIGN centre
    std::string s = platform::cp932::encode(u"町");
    w.rec(0x0a32, join({ 150, 200, static_cast<int>(s.size()), 2, 180, 140, 220, 160 }, words(s)));
    w.rec(0x0940, { 0x0020, 0x00cc, 0, 0, 2, 2, 10, 10 }, dibHeader() + dibPixels()); // DIBBITBLT
    w.rec(0x061d, { 0x0021, 0x00f0, 20, 20, 40, 360 }); // PATBLT
    w.rec(0x0214, { 5, 5 });
    w.rec(0x0213, { 295, 395 });
    return w.file();
}

std::string assortedEmf()
{
    EmfWriter e;
    e.rec(17, bytes32(8)); // SETMAPMODE anisotropic
    e.rec(9, le32s({ 800, 600 })); // SETWINDOWEXTEX
    e.rec(11, le32s({ 400, 300 })); // SETVIEWPORTEXTEX
    e.rec(33, ""); // SAVEDC
    e.rec(35, le32s({ 0x3f800000, 0, 0, 0x3f800000, 0x41200000, 0x41200000 })); // translate 10
    e.rec(39, le32s({ 1, 2 }) + colour(0x008000) + bytes32(4)); // hatched brush
    e.rec(95, le32s({ 2, 0, 0, 0, 0, 0x10201, 8, 0 }) + colour(0x800000) + bytes32(0)); // pen
    e.rec(37, bytes32(1));
    e.rec(37, bytes32(2));
    e.rec(59, ""); // BEGINPATH
    e.rec(27, le32s({ 20, 20 }));
    e.rec(54, le32s({ 300, 40 }));
    e.rec(54, le32s({ 200, 250 }));
    e.rec(61, ""); // CLOSEFIGURE
    e.rec(60, ""); // ENDPATH
    e.rec(63, std::string(16, '\0')); // STROKEANDFILLPATH
    e.rec(44, le32s({ 400, 20, 760, 260, 60, 60 })); // ROUNDRECT
    e.rec(45, le32s({ 20, 300, 380, 580, 380, 300, 20, 300 })); // ARC
    e.rec(46, le32s({ 420, 300, 780, 580, 780, 440, 420, 440 })); // CHORD
    e.rec(47, le32s({ 200, 320, 600, 580, 600, 450, 400, 320 })); // PIE
    e.rec(34, bytes32(static_cast<uint32_t>(-1))); // RESTOREDC
    e.rec(30, le32s({ 0, 0, 700, 550 })); // INTERSECTCLIPRECT
    e.rec(19, bytes32(2));
    e.rec(86, std::string(16, '\0') + bytes32(3) + le16s({ 50, 500, 150, 400, 250, 500 }));
    e.rec(91,
        std::string(16, '\0') + le32s({ 2, 6, 3, 3 })
            + le16s({ 300, 500, 350, 450, 400, 500, 450, 500, 500, 450, 550, 500 }));
    e.rec(
        85, std::string(16, '\0') + bytes32(4) + le16s({ 600, 500, 650, 350, 700, 650, 780, 500 }));
    e.rec(75, le32s({ 0, 5 })); // EXTSELECTCLIPRGN: no clipping
    e.rec(25, colour(0xffff00));
    e.rec(22, bytes32(24)); // SETTEXTALIGN baseline
    std::string t
        = std::string(16, '\0') + le32s({ 1, 0, 0, 100, 560, 1, 76, 2, 90, 530, 200, 570, 0 });
    e.rec(84, t + bytes16(u'町'));
    // BITBLT of a 2 x 2 bitmap at 10, 10, 40 x 40.
    std::string b = std::string(16, '\0') + le32s({ 10, 10, 40, 40, 0x00cc0020, 0, 0 })
        + le32s({ 0x3f800000, 0, 0, 0x3f800000, 0, 0, 0, 0, 100, 40, 140, 16 });
    e.rec(76, b + dibHeader() + dibPixels());
    return e.file(400, 300);
}

} // namespace test
