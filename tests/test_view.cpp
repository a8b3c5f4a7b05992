// Pictures: loaded by content under .dat names, stretched over the picture box, quiet on
// failure, cheap to repaint; and the line effect over them.
#include "support/game.h"

#include <QColor>
#include <QImage>
#include <QPainter>

using namespace platform;
using test::u8;

namespace {

// A picture of w x h whose left half is red and right half blue.
void halves(const std::string& path, int w, int h, const char* format)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QPainter(&img).fillRect(0, 0, w / 2, h, Qt::red);
    ASSERT_TRUE(img.save(QString::fromStdString(path), format));
}

struct Pictures : test::Game {
    Fom& f;
    Pictures()
        : f((minimalStory(), start()))
    {
    }
    // Gives the picture box an inside of w x h pixels.
    void boxPixels(int w, int h)
    {
        const double tpp = f.Me.twipsPerPixel();
        f.Img.Move(0, 0, f.Me.twipsToUnitsX(w * tpp), f.Me.twipsToUnitsY(h * tpp));
    }
    bool red(int x, int y) { return f.Img.surfacePixel(x, y).r > 200 && f.Img.surfacePixel(x, y).b < 60; }
    bool blue(int x, int y) { return f.Img.surfacePixel(x, y).b > 200 && f.Img.surfacePixel(x, y).r < 60; }
};

} // namespace

TEST(Pictures, EveryFormatIsRecognisedFromItsContentUnderADatName)
{
    Pictures g;
    g.boxPixels(40, 30);
    const std::pair<const char*, unsigned> formats[] = { { "PNG", 0xff0000 }, { "BMP", 0x00ff00 },
        { "JPEG", 0x0000ff }, { "GIF", 0xffff00 }, { "ICO", 0x00ffff } };
    for (const auto& [format, rgb] : formats) {
        test::writePicture(g.dat(std::string("pic") + format + ".dat"), 32, 32, format, rgb);
        g.run([&] { g.f.ShowImg(u"pic" + fromUtf8(format)); });
        const Color c = g.f.Img.surfacePixel(20, 15);
        EXPECT_NEAR(c.r, (rgb >> 16) & 0xff, 8) << format;
        EXPECT_NEAR(c.g, (rgb >> 8) & 0xff, 8) << format;
        EXPECT_NEAR(c.b, rgb & 0xff, 8) << format;
    }
    EXPECT_TRUE(g.errors.empty());
}

TEST(Pictures, APictureIsStretchedOverTheWholeBoxWithoutKeepingItsShape)
{
    Pictures g;
    halves(g.dat("half.dat"), 320, 240, "PNG");
    g.boxPixels(400, 300);
    g.run([&] { g.f.ShowImg(u"half"); });
    EXPECT_EQ(g.f.Img.ScaleWidth(), 400);
    EXPECT_EQ(g.f.Dfe.ScaleWidth(), 320);
    EXPECT_EQ(g.f.Dfe.ScaleHeight(), 240);
    EXPECT_TRUE(g.red(0, 0) && g.red(197, 299) && g.blue(202, 0) && g.blue(399, 299));

    // Squeezed into 400 x 200 the halves stay halves and the picture fills the box.
    g.boxPixels(400, 200);
    g.run([&] { g.f.ShowImg(u""); });
    EXPECT_TRUE(g.red(0, 199) && g.red(197, 100) && g.blue(202, 199) && g.blue(399, 0));
}

TEST(Pictures, AFailedLoadKeepsTheHeldPictureAndNothingIsReported)
{
    Pictures g;
    g.boxPixels(100, 100);
    g.run([&] { g.f.ShowImg(u""); }); // nothing held yet: nothing happens
    EXPECT_EQ(g.f.Img.surfacePixel(50, 50), g.f.Img.BackColor());

    halves(g.dat("good.dat"), 64, 64, "BMP");
    test::writeBytes(g.dat("junk.dat"), "this is not a picture");
    test::writeBytes(g.dat("cut.dat"), test::readBytes(g.dat("good.dat")).substr(0, 40));
    g.run([&] { g.f.ShowImg(u"good"); });
    const uint64_t held = g.f.Dfe.picture().id();
    for (const Text name : { u"missing", u"junk", u"cut", u" " }) {
        g.run([&] { g.f.ShowImg(name); });
        EXPECT_EQ(g.f.Dfe.picture().id(), held) << u8(name);
        EXPECT_TRUE(g.red(10, 50) && g.blue(90, 50)) << u8(name);
    }
    EXPECT_TRUE(g.errors.empty());
    EXPECT_FALSE(g.exited);
}

TEST(Pictures, RepaintingAnUnchangedPictureScalesNothing)
{
    Pictures g;
    halves(g.dat("half.dat"), 320, 240, "JPEG");
    g.boxPixels(400, 300);
    g.run([&] { g.f.ShowImg(u"half"); });
    const int scalings = g.f.Img.scalingsDone();
    for (int i = 0; i < 20; ++i) {
        g.f.Me.paint();
        g.f.LineTim.fire();
    }
    EXPECT_EQ(g.f.Img.scalingsDone(), scalings);
    g.boxPixels(200, 150); // a new size is scaled once
    g.f.Me.paint();
    g.f.Me.paint();
    EXPECT_EQ(g.f.Img.scalingsDone(), scalings + 1);
}

TEST(Pictures, TheLayoutRepaintsThePictureAtTheNewSize)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u"a" });
    halves(g.dat("ive.dat"), 320, 240, "PNG");
    Fom& f = g.start();
    f.Me.setOuterSize(f.Me.Width(), 9000);
    const int w = f.Img.ScaleWidth();
    const int h = f.Img.ScaleHeight();
    EXPECT_EQ(f.Img.surfacePixel(w / 2 - 3, h - 1).r, 255);
    EXPECT_EQ(f.Img.surfacePixel(w / 2 + 3, 0).b, 255);
    EXPECT_EQ(f.Img.surfacePixel(w - 1, h - 1).b, 255);
}
