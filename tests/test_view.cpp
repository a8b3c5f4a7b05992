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

struct Pictures : test::Game
{
    Fom& f;
    Pictures()
        : f((minimalStory(), start()))
    { }
    // Gives the picture box an inside of w x h pixels.
    void boxPixels(int w, int h)
    {
        const double tpp = f.Me.twipsPerPixel();
        f.Img.Move(0, 0, f.Me.twipsToUnitsX(w * tpp), f.Me.twipsToUnitsY(h * tpp));
    }
    bool red(int x, int y)
    {
        return f.Img.surfacePixel(x, y).r > 200 && f.Img.surfacePixel(x, y).b < 60;
    }
    bool blue(int x, int y)
    {
        return f.Img.surfacePixel(x, y).b > 200 && f.Img.surfacePixel(x, y).r < 60;
    }
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

namespace {
// Draws come from a list, in order; the test checks which draw went where.
struct Draws
{
    std::vector<float> values;
    size_t next = 0;
    float operator()() { return values.at(next++ % values.size()); }
};
} // namespace

TEST(LineEffect, EachTickPlacesFourLinesFromSixteenDrawsInOrder)
{
    Pictures g;
    g.boxPixels(400, 300);
    auto draws = std::make_shared<Draws>();
    draws->values = { 0.0f, 0.0f, 0.0f, 0.0f, // line 0: the lowest of everything
        0.99999994f, 0.99999994f, 0.99999994f, 0.99999994f, // line 1: the highest
        0.5f, 0.25f, 0.125f, 0.875f, // line 2
        0.1f, 0.6f, 0.9f, 0.3f }; // line 3
    g.sys.random.setSource([draws] { return (*draws)(); });
    g.f.Cnt = 2;
    g.f.LineTim.fire();
    EXPECT_EQ(draws->next, 16u);
    EXPECT_EQ(g.f.Cnt, 2) << "the line tick has its own counter";

    struct Expect
    {
        double x;
        int width, green, blue;
    };
    const Expect expected[]
        = { { 0, 1, 155, 155 }, { 399, 5, 254, 254 }, { 200, 2, 167, 242 }, { 40, 4, 245, 185 } };
    for (int i = 0; i < 4; ++i) {
        const Line& l = g.f.Linel(i);
        EXPECT_EQ(l.X1(), expected[i].x) << i;
        EXPECT_EQ(l.X2(), l.X1()) << i;
        EXPECT_EQ(l.Y1(), 0) << i;
        EXPECT_EQ(l.Y2(), 300) << i;
        EXPECT_EQ(l.BorderWidth(), expected[i].width) << i;
        EXPECT_EQ(l.BorderColor(), (Color { 0, expected[i].green, expected[i].blue })) << i;
    }
}

TEST(LineEffect, LinesStayInsideTheBoxWithTheirColoursInRange)
{
    Pictures g;
    g.boxPixels(400, 300);
    for (int tick = 0; tick < 500; ++tick) {
        g.f.LineTim.fire();
        for (int i = 0; i < 4; ++i) {
            const Line& l = g.f.Linel(i);
            ASSERT_TRUE(l.X1() >= 0 && l.X1() <= 399 && l.X1() == std::floor(l.X1()));
            ASSERT_TRUE(l.BorderWidth() >= 1 && l.BorderWidth() <= 5);
            const Color c = l.BorderColor();
            ASSERT_TRUE(c.r == 0 && c.g >= 155 && c.g <= 254 && c.b >= 155 && c.b <= 254);
        }
    }
    g.boxPixels(0, 300);
    g.f.LineTim.fire();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(g.f.Linel(i).X1(), 0);
}

TEST(LineEffect, HiddenLinesKeepMovingAndAPictureLinesColourLastsOneTick)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u">img>", u"あ", u"い" });
    Fom& f = g.start();
    g.readOn(1); // the picture line hides the lines and colours them
    EXPECT_FALSE(f.Linel(0).Visible());
    EXPECT_EQ(f.Linel(0).BorderColor(), (Color { 100, 255, 255 }));
    const double before = f.Linel(0).X1() + f.Linel(1).X1() + f.Linel(2).X1() + f.Linel(3).X1();
    f.LineTim.fire();
    f.LineTim.fire();
    EXPECT_EQ(f.Linel(0).BorderColor().r, 0) << "the next tick recolours hidden lines too";
    const double x = f.Linel(0).X1();
    EXPECT_NE(f.Linel(0).X1() + f.Linel(1).X1() + f.Linel(2).X1() + f.Linel(3).X1(), before);
    g.readOn();
    f.Lbl.press(MouseButton::Left); // the last line
    ASSERT_FALSE(f.TimIve.Enabled());
    f.Lbl.press(MouseButton::Left); // the crafting turn shows them again, where they are
    EXPECT_TRUE(f.Linel(0).Visible());
    EXPECT_EQ(f.Linel(0).X1(), x);
}

TEST(LineEffect, LinesAreDrawnOverThePictureAndLeaveItIntactWhenTheyMove)
{
    Pictures g;
    test::writePicture(g.dat("green.dat"), 16, 16, "PNG", 0x00ff00);
    g.boxPixels(400, 300);
    g.run([&] { g.f.ShowImg(u"green"); });
    g.sys.random.setSource([] { return 0.5f; });
    g.f.LineTim.fire();
    // The lines are drawn over the surface, never into it: the picture underneath stays.
    EXPECT_EQ(g.f.Img.surfacePixel(200, 150), (Color { 0, 255, 0 }));
    const int scalings = g.f.Img.scalingsDone();
    for (int i = 0; i < 50; ++i)
        g.f.LineTim.fire();
    EXPECT_EQ(g.f.Img.scalingsDone(), scalings) << "a tick neither decodes nor rescales";
}
