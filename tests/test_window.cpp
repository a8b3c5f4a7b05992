// The window on a desktop: the letterbox where the window manager refuses the 4 : 3 shape, no
// loop whatever it answers, the first size on a small screen, bounded surfaces, buttons in their
// own colour and a proportional Japanese face.
#include "support/game.h"

#include "platform/errors.h"
#include "platform/window/grid.h"
#include "platform/window/negotiation.h"
#include "platform/window/scale.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPushButton>

using namespace platform;
using namespace platform::window;

namespace {
constexpr Aspect Shape { 4, 3 };
}

TEST(WindowRules, TheGridIsTheClientWhenItHasTheLayoutsShapeElseTheCentred4To3Area)
{
    EXPECT_EQ(letterbox({ 1280, 701 }, Shape), (Rect { 172, 0, 935, 701 }));
    EXPECT_EQ(letterbox({ 640, 1000 }, Shape), (Rect { 0, 260, 640, 480 }));
    EXPECT_EQ(letterbox({ 800, 600 }, Shape), (Rect { 0, 0, 800, 600 }));
    EXPECT_EQ(letterbox({ 0, 0 }, Shape), (Rect { 0, 0, 0, 0 }));

    // The window as the layout leaves it: 671 x 503 with no frame, 702 x 503 in openbox's frame.
    EXPECT_EQ(gridArea({ 671, 503 }, {}, Shape), (Rect { 0, 0, 671, 503 }));
    EXPECT_EQ(gridArea({ 702, 503 }, { 2, 25 }, Shape), (Rect { 0, 0, 702, 503 }));
    EXPECT_EQ(gridArea({ 1280, 701 }, { 0, 19 }, Shape), letterbox({ 1280, 701 }, Shape))
        << "maximised";
    EXPECT_EQ(gridArea({ 1920, 1080 }, {}, Shape), (Rect { 240, 0, 1440, 1080 })) << "full screen";

    // Text in a letterbox lower than the client is sized as in a window of the letterbox's size.
    EXPECT_EQ(fontScale({ 1280, 701 }, { 0, 19 }, letterbox({ 1280, 701 }, Shape)), 1.0);
    EXPECT_DOUBLE_EQ(
        fontScale({ 640, 1000 }, { 0, 20 }, letterbox({ 640, 1000 }, Shape)), 500.0 / 1020);
}

TEST(WindowRules, TheFirstSizeFitsTheScreenAndTheSizeStaysBounded)
{
    EXPECT_EQ(fitClient({ 671, 503 }, {}, { 1280, 720 }, Shape), (Size { 671, 503 }));
    EXPECT_EQ(fitClient({ 671, 503 }, {}, { 320, 240 }, Shape), (Size { 320, 240 }));
    EXPECT_EQ(fitClient({ 671, 503 }, { 2, 25 }, { 320, 240 }, Shape), (Size { 318, 215 }));
    // QT_SCALE_FACTOR=2 on 1024 x 768: a screen of 512 x 384 logical pixels with a panel.
    EXPECT_EQ(fitClient({ 671, 503 }, {}, { 512, 360 }, Shape), (Size { 480, 360 }));

    EXPECT_EQ(minClient({ 640, 480 }, { 2, 25 }, { 1280, 720 }), (Size { 638, 455 }));
    EXPECT_EQ(minClient({ 640, 480 }, {}, { 320, 240 }), (Size { 320, 240 }));
    EXPECT_EQ(
        bounded({ 30000, 30000 }, { 638, 455 }, maxClient({ 1280, 1024 })), (Size { 1280, 1024 }));
    EXPECT_EQ(bounded({ 10, 10 }, { 638, 455 }, { 1280, 1024 }), (Size { 638, 455 }));
    EXPECT_EQ(bounded({ 10, 10 }, { 638, 455 }, { 300, 200 }), (Size { 300, 200 }));
}

TEST(WindowRules, TheScaleMapsUserUnitsOntoTheGridAndTwipsOntoPixels)
{
    const ScaleAxis twips { 9000, std::nullopt }, user { 9000, 30 };
    EXPECT_EQ(unitsToTwips(450, twips), 450);
    EXPECT_EQ(unitsToTwips(15, user), 4500);
    EXPECT_EQ(twipsToUnits(4500, user), 15);
    EXPECT_EQ(twipsToUnits(4500, { 0, 30 }), 4500) << "an empty grid keeps twips";
    EXPECT_EQ(unitsToTwips(15, { 9000, 0 }), 15) << "a scale of 0 keeps the units";
    EXPECT_EQ(twipsPerPixelAt(96), 15);
    EXPECT_EQ(twipsPerPixelAt(0), 15) << "a screen that tells no resolution";
    EXPECT_EQ(twipsPerPixelAt(144), 10);
    EXPECT_EQ(twipsToPixels(10600, 15), 707);
}

namespace {

// The window system as a window manager answers: it keeps a size of its own when told to.
struct FakeWindow : WindowSystem
{
    Rect place { 100, 100, 640, 480 };
    std::optional<Size> kept; // the size the window manager keeps, told only to the window system
    std::optional<Size> extents;
    States now;
    Screen desk { { 0, 0, 1280, 1024 }, { 0, 0, 1280, 1000 }, { 1280, 1024 } };
    std::vector<Wait> started;
    bool visible() const override { return true; }
    Rect client() const override { return place; }
    Point position() const override { return { place.x, place.y }; }
    Size reported() const override { return kept.value_or(Size { place.w, place.h }); }
    std::optional<Size> frameExtents() const override { return extents; }
    Size toolkitFrame() const override { return {}; }
    States states() const override { return now; }
    void setFullScreen(bool on) override { now.fullScreen = on; }
    void resize(Size s) override { place.w = s.w, place.h = s.h; }
    void setClient(Rect r) override { place = r; }
    void move(int x, int y) override { place.x = x, place.y = y; }
    std::optional<Screen> screen() const override { return desk; }
    void setBounds(Size, Size) override { }
    void start(Wait t, int) override { started.push_back(t); }
    void stop(Wait) override { }
};

// The form's side: sizes as the program asks, and counts what it is told.
struct FakeForm : FormSide
{
    Negotiation* n = nullptr;
    std::vector<Size> adopted;
    int layouts = 0;
    void resizeClient(Size s) override
    {
        n->asking(s);
        n->apply(s);
    }
    void adopt(Size s) override
    {
        adopted.push_back(s);
        n->apply(s);
    }
    void outerChanged(bool relayout) override { layouts += relayout; }
};

struct Negotiating
{
    FakeWindow w;
    FakeForm f;
    Negotiation n { w, f };
    Negotiating()
    {
        f.n = &n;
        n.setShape({ 4, 3 }, { 640, 480 });
        n.show();
    }
};

} // namespace

TEST(Negotiation, ASizeTheWindowManagerKeepsIsAdoptedAndAfterTheSecondTimeNotAskedForAgain)
{
    Negotiating g;
    g.w.kept = Size { 640, 480 };
    for (int time = 0; time < 2; ++time) {
        g.f.resizeClient({ 800, 600 });
        ASSERT_EQ(g.w.started.back(), Wait::Answer);
        g.n.due(Wait::Answer); // the window system says the window kept its size
        EXPECT_EQ(g.w.place.w, 640) << time;
    }
    EXPECT_EQ(g.f.adopted, (std::vector<Size> { { 640, 480 }, { 640, 480 } }));
    EXPECT_THROW(g.n.asking({ 800, 600 }), platform::RuntimeError) << "no loop";
    g.n.asking({ 720, 540 }); // another size may still be asked for

    // A window manager that answers by a resize to the old size is counted the same way.
    Negotiating r;
    for (int time = 0; time < 2; ++time) {
        r.n.asking({ 800, 600 });
        EXPECT_EQ(r.n.resized({ 640, 480 }), std::nullopt);
    }
    EXPECT_THROW(r.n.asking({ 800, 600 }), platform::RuntimeError);
}

TEST(Negotiation, TheFrameTheStateAndTheBoundsOfTheWindow)
{
    Negotiating g;
    EXPECT_EQ(g.w.place.x, (1280 - 640) / 2) << "centred at the first showing";
    g.w.extents = Size { 4, 30 };
    g.n.frameMayHaveChanged();
    EXPECT_EQ(g.n.frame(), (Size { 4, 30 }));
    EXPECT_EQ(g.f.layouts, 1) << "the frame's arrival lays the window out again";
    g.n.frameMayHaveChanged();
    EXPECT_EQ(g.f.layouts, 1) << "an unchanged frame changes nothing";

    // Maximised: no size is asked for until the window manager has done; then the game lays out.
    g.w.now.maximised = true;
    g.n.stateChanged();
    EXPECT_FALSE(g.n.sizeable());
    g.w.now.maximised = false;
    EXPECT_FALSE(g.n.sizeable()) << "still settling";
    g.n.due(Wait::Settle);
    EXPECT_TRUE(g.n.sizeable());
    EXPECT_EQ(g.f.layouts, 2);

    // Full screen where no window manager makes it: the window takes the screen, and back.
    const Rect before = g.w.place;
    g.n.toggleFullScreen();
    g.n.stateChanged();
    g.n.due(Wait::Settle);
    EXPECT_EQ(g.w.place, g.w.desk.whole);
    g.n.toggleFullScreen();
    g.n.stateChanged();
    g.n.due(Wait::Settle);
    EXPECT_EQ(g.w.place, before);

    // A size beyond the bounds (no window manager checked it) is brought back; a legible one not.
    EXPECT_EQ(g.n.resized({ 5000, 5000 }), (Size { 1280, 1024 }));
    EXPECT_EQ(g.n.resized({ 100, 100 }), (Size { 636, 450 })) << "the legible size, less the frame";
    EXPECT_EQ(g.n.resized({ 700, 500 }), std::nullopt);
}

namespace {

// A shown game window whose picture is one colour, so that the picture box is easy to find.
struct Desk : test::Game
{
    Fom& f;
    Desk()
        : f((minimalStory(), test::writePicture(dat("ive.dat"), 64, 48, "PNG", 0xff0000), start()))
    {
        f.Me.Show();
    }
    QWidget* window() { return f.Me.widget(); }
    double ratio(const Control& c) { return double(c.pixelRect().w) / c.pixelRect().h; }
};

} // namespace

TEST(Window, WhereTheWindowCannotTakeItsShapeTheGridIsLetterboxedAndTheGameNeverKnows)
{
    Desk g;
    const Control::PixelRect whole = g.f.Me.gridRect();
    EXPECT_EQ(whole.x, 0);
    EXPECT_EQ(whole.w, g.window()->width()) << "a window of its own shape fills the client";

    // Maximised (on the offscreen platform's square screen): the width step is refused and the
    // grid is the centred 4 : 3 area.
    g.window()->setWindowState(Qt::WindowMaximized);
    QCoreApplication::processEvents(); // the window system's answer
    const QSize client = g.window()->size();
    ASSERT_GT(std::abs(client.width() - client.height() * 4 / 3), 50) << "another shape";
    const Control::PixelRect grid = g.f.Me.gridRect();
    EXPECT_EQ(grid.w, client.width());
    EXPECT_NEAR(grid.h, client.width() * 3 / 4.0, 1);
    EXPECT_NEAR(grid.y, (client.height() - grid.h) / 2, 1);
    EXPECT_EQ(g.f.Me.ScaleWidth(), 40) << "the game still lays out 40 x 30 units";
    EXPECT_NEAR(g.f.Img.Width(), 30, 1e-9);
    EXPECT_NEAR(g.ratio(g.f.Img), 4 / 3.0, 0.01) << "the picture keeps its shape";
    EXPECT_GE(g.f.Img.pixelRect().y, grid.y);
    const Control::PixelRect quit = g.f.Com(g.f.Com.UBound()).pixelRect();
    EXPECT_LE(quit.x + quit.w, grid.x + grid.w) << "nothing is cut off";
    EXPECT_EQ(quit.y + quit.h, grid.y + grid.h);
    EXPECT_EQ(g.f.Img.surfacePixel(10, 10), (Color { 255, 0, 0 }));

    // Back to normal and to the layout's shape: the whole client again.
    g.window()->setWindowState(Qt::WindowNoState);
    g.f.Me.setOuterSize(10600, 7950);
    EXPECT_EQ(g.f.Me.gridRect().x, 0);
    EXPECT_EQ(g.f.Me.gridRect().w, g.window()->width());
}

TEST(Window, AWidthTheWindowManagerRefusedIsNotAskedForAgain)
{
    Desk g;
    int layouts = 0;
    g.f.Me.onResize([&] {
        ++layouts;
        g.f.Form_Resize();
    });
    // The player makes the window taller; the layout asks for the width to match, and the window
    // manager answers by keeping the width it had. The first such answer may have crossed the
    // request, so the width is asked for once more; the second answer is taken.
    const QSize before = g.window()->size();
    g.window()->resize(before.width(), 700);
    ASSERT_GT(g.window()->width(), before.width()) << "the layout asked for a wider window";
    g.window()->resize(before.width(), 700);
    EXPECT_GT(g.window()->width(), before.width()) << "asked once more";
    const int asked = layouts;
    g.window()->resize(before.width(), 700);
    EXPECT_EQ(g.window()->width(), before.width()) << "the refusal is taken, not fought";
    EXPECT_LE(layouts - asked, 2) << "one layout for the answer, none for a new request";
    EXPECT_NEAR(g.ratio(g.f.Img), 4 / 3.0, 0.01);
    EXPECT_LT(g.f.Me.gridRect().h, 700) << "letterboxed in the narrow window";
}

TEST(Window, ThePictureBoxSurfaceIsBoundedAndScaledWhenPainted)
{
    test::Game g;
    g.minimalStory();
    test::writePicture(g.dat("ive.dat"), 64, 48, "PNG", 0x00ff00);
    Fom& f = g.start();
    // 20,000 pixels square: a surface of the box's size would take 675 MB, a bounded one 16 MB.
    f.Me.setOuterSize(300000, 300000);
    EXPECT_GT(f.Img.ScaleWidth() * static_cast<long long>(f.Img.ScaleHeight()), 100'000'000LL)
        << "the game still sees the whole box in pixels";
    EXPECT_LE(f.Img.surfaceBytes(), 16LL << 20);
    EXPECT_EQ(
        f.Img.surfacePixel(f.Img.ScaleWidth() - 1, f.Img.ScaleHeight() - 1), (Color { 0, 255, 0 }));
    f.Me.setOuterSize(10600, 7950);
    EXPECT_EQ(f.Img.surfaceBytes(), 4LL * f.Img.ScaleWidth() * f.Img.ScaleHeight())
        << "a box of normal size keeps a surface of its own size";
    EXPECT_EQ(f.Img.surfacePixel(5, 5), (Color { 0, 255, 0 }));
}

TEST(Buttons, AButtonIsDrawnInItsOwnColourEnabledOrNotAndOnlyItsCaptionGreys)
{
    Desk g;
    for (const QSize size : { QSize(120, 40), QSize(400, 90) }) {
        for (bool enabled : { true, false }) {
            for (int index : { 0, g.f.Com.UBound() - 1, g.f.Com.UBound() }) {
                CommandButton& b = g.f.Com(index);
                b.setEnabled(enabled);
                QPushButton* w = nullptr;
                for (QPushButton* p : g.window()->findChildren<QPushButton*>())
                    if (p->text().toStdU16String() == b.Caption())
                        w = p;
                ASSERT_NE(w, nullptr);
                w->resize(size);
                const QImage img = w->grab().toImage();
                const QColor face(b.BackColor().r, b.BackColor().g, b.BackColor().b);
                // The face, inside the two-pixel edge, is the button's colour to the last bit,
                // except where the caption is drawn.
                int faceCount = 0, ink = 0, darkest = 255;
                for (int y = 2; y < img.height() - 2; ++y)
                    for (int x = 2; x < img.width() - 2; ++x) {
                        const QColor c = img.pixelColor(x, y);
                        if (c == face)
                            ++faceCount;
                        else
                            ++ink;
                        darkest = std::min(darkest, qGray(c.rgb()));
                    }
                const int inside = (img.width() - 4) * (img.height() - 4);
                EXPECT_GT(faceCount, inside / 2) << index << " " << enabled;
                EXPECT_GT(ink, 0) << "a caption is drawn";
                if (enabled)
                    EXPECT_LT(darkest, 40) << "a black caption";
                else
                    EXPECT_GT(darkest, 60) << "a greyed caption";
                // The edge is raised: lighter above and on the left, darker below and right.
                EXPECT_GT(qGray(img.pixel(img.width() / 2, 0)), qGray(face.rgb()));
                EXPECT_LT(qGray(img.pixel(img.width() / 2, img.height() - 1)), qGray(face.rgb()));
            }
        }
    }
}

TEST(Fonts, EveryWidgetUsesAProportionalJapaneseFace)
{
    Desk g;
    for (const QWidget* w : { static_cast<QWidget*>(g.window()),
             static_cast<QWidget*>(g.window()->findChild<QLabel*>()) }) {
        const QFontInfo info(w->font());
        EXPECT_FALSE(info.fixedPitch()) << info.family().toStdString();
        const QFontMetrics m(w->font());
        EXPECT_LT(m.horizontalAdvance("iiii"), m.horizontalAdvance("MMMM"))
            << "Latin letters are proportional: " << info.family().toStdString();
        EXPECT_TRUE(m.inFontUcs4(U'想')) << info.family().toStdString();
    }
}
