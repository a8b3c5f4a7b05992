// The screen layout: 4 : 3 outer shape, the 40 x 30 grid, fonts, colours and the button column.
#include "support/game.h"

#include "view/layout_rules.h"

#include <QWidget>

using namespace platform;
using test::u8;

TEST(LayoutRules, WidthIsRoundedHalfToEvenAndOverflowsIn16Bits)
{
    EXPECT_EQ(layout::outerWidthFor(7950), 10600);
    EXPECT_EQ(layout::outerWidthFor(7947), 10592); // 1324.5 rounds to 1324
    EXPECT_EQ(layout::outerWidthFor(7953), 10608); // 1325.5 rounds to 1326
    EXPECT_EQ(layout::outerWidthFor(999), 1328);
    EXPECT_EQ(layout::outerWidthFor(1000), 1336);
    EXPECT_EQ(layout::outerWidthFor(24572), 32760); // 4095 x 8
    EXPECT_EQ(layout::outerWidthFor(24573), std::nullopt); // 4096 x 8 overflows
    EXPECT_EQ(layout::outerWidthFor(300000), std::nullopt); // the quotient itself overflows
    EXPECT_EQ(layout::roundHalfEven16(-2.5), -2);
    EXPECT_EQ(layout::roundHalfEven16(32767.5), std::nullopt);
    EXPECT_EQ(layout::textFontSizeFor(7950), 10);
    EXPECT_EQ(layout::textFontSizeFor(999), 3);
    EXPECT_EQ(layout::textFontSizeFor(1000), 4);
}

namespace {
struct Laid : test::Game
{
    Fom& fom;
    explicit Laid(int captions = 3)
        : fom((file("txt.dat", std::vector<Text>(static_cast<size_t>(captions), u"想い")),
            file("0.dat", { u"a" }), start()))
    { }
    void resize(double height) { fom.Me.setOuterSize(fom.Me.Width(), height); }
};
} // namespace

TEST(Layout, AtHeight7950TheWindowIs4To3AndEveryAreaSitsOnTheGrid)
{
    Laid g;
    g.resize(7950);
    Fom& f = g.fom;
    EXPECT_EQ(f.Me.Width(), 10600);
    EXPECT_EQ(f.Me.ScaleWidth(), 40);
    EXPECT_EQ(f.Me.ScaleHeight(), 30);
    EXPECT_NEAR(f.Img.Left(), 0.5, 1e-9);
    EXPECT_NEAR(f.Img.Top(), 0.5, 1e-9);
    EXPECT_NEAR(f.Img.Width(), 30, 1e-9);
    EXPECT_NEAR(f.Img.Height(), 22.5, 1e-9);
    for (const Control* c :
        std::initializer_list<const Control*> { &f.Lbl, &f.TxtPic, &f.Lst, &f.Txt }) {
        EXPECT_NEAR(c->Left(), 0.5, 1e-9);
        EXPECT_NEAR(c->Top(), 23.5, 1e-9);
        EXPECT_NEAR(c->Width(), 30, 1e-9);
        EXPECT_NEAR(c->Height(), 6, 1e-9);
        EXPECT_EQ(c->FontSize(), 10);
    }
    EXPECT_EQ(f.LblCom.FontSize(), 9);
    EXPECT_NEAR(f.LblCom.Left(), 31, 1e-9);
    EXPECT_NEAR(f.LblCom.Width(), 8.5, 1e-9);
    EXPECT_EQ(u8(f.LblCom.Caption()), "ものを作ります\r\nものにこめる想いを選んでね\r\n▼");
    for (int i = 0; i <= f.Com.UBound(); ++i)
        EXPECT_EQ(f.Com(i).FontSize(), 20);

    EXPECT_EQ(f.Me.BackColor(), (Color { 145, 145, 145 }));
    EXPECT_EQ(f.Img.BackColor(), (Color { 145, 145, 145 }));
    EXPECT_EQ(f.Lbl.BackColor(), (Color { 170, 170, 170 }));
    EXPECT_EQ(f.Lbl.backStyle(), Label::BackStyle::Opaque);
    EXPECT_EQ(f.TxtPic.BackColor(), (Color { 170, 170, 170 }));
    EXPECT_EQ(f.Lst.BackColor(), (Color { 170, 170, 200 }));
    EXPECT_EQ(f.Lst.ForeColor(), (Color { 0, 0, 100 }));
    EXPECT_EQ(f.Txt.ForeColor(), (Color { 0, 0, 100 }));
    EXPECT_EQ(f.LblCom.ForeColor(), (Color { 255, 255, 255 }));
    EXPECT_EQ(f.Com(0).BackColor(), (Color { 145, 145, 145 }));
    EXPECT_EQ(f.Com(f.Com.UBound() - 1).BackColor(), (Color { 170, 170, 200 }));
    EXPECT_EQ(f.Com(f.Com.UBound()).BackColor(), (Color { 170, 200, 200 }));
    EXPECT_EQ(f.Cnt2, f.Com.UBound() + 1);
    EXPECT_TRUE(f.Img.Visible());
}

TEST(Layout, OddHeightsRoundTheWidthAndSetTheFonts)
{
    Laid g;
    g.resize(7947);
    EXPECT_EQ(g.fom.Me.Width(), 10592);
    g.resize(999);
    EXPECT_EQ(g.fom.Me.Width(), 1328);
    EXPECT_EQ(g.fom.Lbl.FontSize(), 3);
    EXPECT_EQ(g.fom.Com(0).FontSize(), 6);
    EXPECT_EQ(g.fom.LblCom.FontSize(), 2);
    g.resize(1000);
    EXPECT_EQ(g.fom.Me.Width(), 1336);
    EXPECT_EQ(g.fom.Lbl.FontSize(), 4);
}

TEST(Layout, BelowEightHundredTwipsOnlyTheWidthChanges)
{
    Laid g;
    g.resize(800);
    EXPECT_EQ(g.fom.Lbl.FontSize(), 3);
    g.resize(7950);
    const int lblTop = g.fom.Lbl.pixelRect().y;
    g.fom.Cnt2 = 99;
    g.resize(799);
    EXPECT_EQ(g.fom.Me.Width(), 133 * 8);
    EXPECT_EQ(g.fom.Lbl.FontSize(), 10) << "the fonts of the last layout stay";
    EXPECT_EQ(g.fom.Cnt2, 99);
    EXPECT_EQ(g.fom.Lbl.pixelRect().y, lblTop) << "nothing was moved";
}

TEST(Layout, AHeightWhoseWidthOverflowsKeepsTheWidthAndLaysOutTheRest)
{
    Laid g;
    g.fom.Me.setOuterSize(20000, 24573);
    EXPECT_EQ(g.fom.Me.Width(), 20000);
    EXPECT_EQ(g.fom.Lbl.FontSize(), 27);
    EXPECT_EQ(g.fom.Cnt2, g.fom.Com.UBound() + 1);
}

TEST(Layout, AMinimisedWindowKeepsItsWidthButIsStillLaidOut)
{
    Laid g;
    g.fom.Me.widget()->setWindowState(Qt::WindowMinimized);
    g.fom.Me.setOuterSize(9000, 7950);
    EXPECT_EQ(g.fom.Me.Width(), 9000);
    EXPECT_EQ(g.fom.Lbl.FontSize(), 10);
}

TEST(Layout, EightButtonsFillTheColumnDownToTheBottomEdge)
{
    Laid g(6); // six choices, the past-record button and the quit button
    g.resize(7950);
    Fom& f = g.fom;
    ASSERT_EQ(f.Com.count(), 8);
    EXPECT_NEAR(f.LblCom.Height(), 30.0 / 9, 1e-9);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(f.Com(i).Height(), 30.0 / 9, 1e-9);
        EXPECT_NEAR(f.Com(i).Top(), (i + 1) * 30.0 / 9, 1e-9);
    }
    EXPECT_NEAR(f.Com(7).Top() + f.Com(7).Height(), 30, 1e-9);
    // On screen the last button ends on the last pixel row, and rows meet without gaps.
    EXPECT_EQ(f.Com(7).pixelRect().y + f.Com(7).pixelRect().h, f.Me.widget()->height());
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(f.Com(i).pixelRect().y, f.Com(i - 1).pixelRect().y + f.Com(i - 1).pixelRect().h);
}
