// Metafile pictures: WMF (with and without the placeable header) and EMF files made here, loaded
// through the game's picture procedure, and the pixels of the picture box looked at.
#include "support/game.h"
#include "support/metafiles.h"

using namespace platform;
using test::u8;

namespace {

struct Metafiles : test::Game
{
    Fom& f;
    Metafiles()
        : f((minimalStory(), start()))
    {
        boxPixels(400, 300);
    }
    void boxPixels(int w, int h)
    {
        const double tpp = f.Me.twipsPerPixel();
        f.Img.Move(0, 0, f.Me.twipsToUnitsX(w * tpp), f.Me.twipsToUnitsY(h * tpp));
    }
    void show(const std::string& name, const std::string& bytes)
    {
        test::writeBytes(dat(name + ".dat"), bytes);
        run([&] { f.ShowImg(fromUtf8(name)); });
    }
    bool near(int x, int y, unsigned rgb)
    {
        const Color c = f.Img.surfacePixel(x, y);
        return std::abs(c.r - static_cast<int>(rgb >> 16)) < 40
            && std::abs(c.g - static_cast<int>((rgb >> 8) & 0xff)) < 40
            && std::abs(c.b - static_cast<int>(rgb & 0xff)) < 40;
    }
    // Dark pixels in the rectangle: the ink of the text drawn there.
    int ink(int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += f.Img.surfacePixel(x, y).r < 100;
        return n;
    }
};

} // namespace

TEST(Metafiles, EachKindDrawsItsShapesBitmapAndJapaneseTextStretchedOverTheBox)
{
    Metafiles g;
    const std::pair<const char*, std::string> kinds[] = {
        { "placeable", test::sampleWmf(true, u"海辺の町") },
        { "standard", test::sampleWmf(false, u"海辺の町") },
        { "enhanced", test::sampleEmf(u"海辺の町") },
    };
    std::vector<int> inks;
    for (const auto& [name, bytes] : kinds) {
        g.boxPixels(400, 300);
        g.show(name, bytes);
        ASSERT_FALSE(g.f.Dfe.picture().isNull()) << name;
        // The frame's 4 : 3 shape, drawn on the bounded surface.
        EXPECT_EQ(g.f.Dfe.ScaleWidth() * 3, g.f.Dfe.ScaleHeight() * 4) << name;
        EXPECT_TRUE(g.near(100, 75, 0xff0000) && g.near(5, 5, 0xff0000)) << name;
        EXPECT_TRUE(g.near(300, 75, 0x0000ff) && g.near(205, 5, 0xffffff)) << name;
        EXPECT_TRUE(g.near(100, 225, 0x00c000) && g.near(5, 295, 0x00c000)) << name;
        EXPECT_TRUE(g.near(395, 295, 0xffffff)) << name;
        inks.push_back(g.ink(200, 150, 400, 300));
        EXPECT_GT(inks.back(), 500) << name;
        // Stretched into 400 x 200 like a bitmap: the quarters stay quarters.
        g.boxPixels(400, 200);
        g.run([&] { g.f.ShowImg(u""); });
        EXPECT_TRUE(g.near(100, 50, 0xff0000) && g.near(300, 50, 0x0000ff)) << name;
        EXPECT_TRUE(g.near(100, 150, 0x00c000)) << name;
    }
    // The same four characters, from code page 932 and from UTF-16, take the same ink.
    EXPECT_NEAR(inks[0], inks[2], inks[2] / 5);
    EXPECT_NEAR(inks[1], inks[2], inks[2] / 5);
    EXPECT_TRUE(g.errors.empty());
}

TEST(Metafiles, AMetafileThatCannotBeShownKeepsTheHeldPicture)
{
    Metafiles g;
    const std::string emf = test::sampleEmf(u"町");
    g.show("good", emf);
    const uint64_t held = g.f.Dfe.picture().id();
    ASSERT_NE(held, 0u);

    test::WmfWriter huge; // 32,000 inches wide at one unit an inch
    huge.rec(0x041b, { 10, 10, 0, 0 });
    test::WmfWriter many; // more painting than one picture may take
    for (int i = 0; i < 400; ++i)
        many.rec(0x041b, { 300, 400, 0, 0 });
    std::string noFrame = emf; // no frame, and bounds that hold nothing
    const std::string nothing = test::bytes32(0) + test::bytes32(0) + test::bytes32(~0u)
        + test::bytes32(~0u) + std::string(16, '\0');
    noFrame.replace(8, 32, nothing);
    const std::pair<const char*, std::string> bad[] = {
        { "cut", emf.substr(0, 60) },
        { "unsigned", std::string("\x01\0\0\0", 4) + emf.substr(4, 36) + "XEMF" + emf.substr(44) },
        { "frameless", noFrame },
        { "huge", huge.file({ 0, 0, 32000, 10 }, 1) },
        { "many", many.file({ 0, 0, 400, 300 }, 96) },
    };
    for (const auto& [name, bytes] : bad) {
        g.show(name, bytes);
        EXPECT_EQ(g.f.Dfe.picture().id(), held) << name;
        EXPECT_TRUE(g.near(100, 75, 0xff0000)) << name;
    }
    EXPECT_TRUE(g.errors.empty());

    // Records cut short, unknown or never executed (escapes) are skipped, and a last record
    // running past the end ends the drawing: the picture still loads.
    test::WmfWriter odd;
    odd.rec(0x0626, { 1, 0 });
    odd.rec(0x7777, {});
    odd.rec(0x041b, { 1 }); // a rectangle of one word
    odd.rec(0x02fc, { 0, 0x00ff, 0, 0 }); // a red brush
    odd.rec(0x012d, { 0 });
    odd.rec(0x041b, { 300, 400, 0, 0 });
    std::string oddBytes = odd.file({ 0, 0, 400, 300 }, 96);
    oddBytes.resize(oddBytes.size() - 6); // no end record
    oddBytes += test::bytes32(1000) + test::bytes16(0x041b);
    g.show("odd", oddBytes);
    EXPECT_NE(g.f.Dfe.picture().id(), held);
    EXPECT_TRUE(g.near(200, 150, 0xff0000));
}
