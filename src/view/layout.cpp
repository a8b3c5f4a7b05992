// The screen layout: the window kept at 4 : 3, its client area a grid of 40 x 30 units, the
// picture on the left, the text area under it, the heading and the choice buttons on the right.
#include "shell/fom.h"

#include "view/layout_rules.h"

using namespace platform;

namespace {
const Color WindowGrey { 145, 145, 145 };
const Color TextGrey { 170, 170, 170 };
const Color Black { 0, 0, 0 };
const Color ListLavender { 170, 170, 200 };
const Color ListInk { 0, 0, 100 };
const Color QuitTeal { 170, 200, 200 };
const Color White { 255, 255, 255 };
} // namespace

void Fom::Form_Resize()
{
    // Width step: the window changes its own width, which runs this procedure again, nested; the
    // nested run finds the width right and changes nothing. A width that cannot be set (a window
    // minimised or maximised, or a height so large that the width overflows) is left as it is.
    bool failed = false;
    try {
        const auto width = layout::outerWidthFor(Me.Height());
        if (!width)
            throw RuntimeError(u"the window width does not fit in 16 bits");
        Me.setWidth(*width);
    } catch (const std::exception&) {
        failed = true;
    }
    LayoutFrom(failed);
}

// The rest of the layout, from the height check. A failure goes back to the height check once;
// a second one leaves the rest to the next run, which redoes everything.
void Fom::LayoutFrom(bool failedBefore)
{
    for (;;) {
        try {
            const double H = Me.Height();
            if (H < layout::MinHeightTwips)
                return;

            Me.setBackColor(WindowGrey);
            Me.setScaleWidth(40);
            Me.setScaleHeight(30);

            Img.Move(0.5, 0.5, 30);
            Img.setBackColor(Me.BackColor());
            Img.setHeight((Img.Width() / 8) * 6);
            Img.setBorderNone();
            Img.setVisible(true);

            Lbl.setBackStyle(Label::BackStyle::Opaque);
            Lbl.setBorderNone();
            Lbl.setBackColor(TextGrey);
            Lbl.setForeColor(Black);
            Lbl.Move(Img.Left(), Img.Top() + Img.Height() + 0.5, Img.Width(),
                Me.ScaleHeight() - (Img.Height() + Img.Top()) - 1);
            Lbl.setFontSize(layout::textFontSizeFor(H));

            TxtPic.setBackColor(Lbl.BackColor());
            TxtPic.setForeColor(Lbl.ForeColor());
            TxtPic.Move(Lbl.Left(), Lbl.Top(), Lbl.Width(), Lbl.Height());
            TxtPic.setFontSize(Lbl.FontSize());

            Lst.setBackColor(ListLavender);
            Lst.setForeColor(ListInk);
            Lst.Move(Lbl.Left(), Lbl.Top(), Lbl.Width(), Lbl.Height());
            Lst.setFontSize(Lbl.FontSize());

            Txt.setBackColor(Lst.BackColor());
            Txt.setForeColor(Lst.ForeColor());
            Txt.Move(Lbl.Left(), Lbl.Top(), Lbl.Width(), Lbl.Height());
            Txt.setFontSize(Lbl.FontSize());

            LblCom.setWidth(Me.ScaleWidth() - (Img.Width() + Img.Left()) - 1);
            const short rows = checked16(Com.UBound() + 2LL, u"the number of buttons");
            LblCom.setHeight(Me.ScaleHeight() / rows);
            LblCom.Move(Img.Width() + Img.Left() + 0.5, 0);
            LblCom.setFontSize(2 * Lbl.FontSize());
            LblCom.setBackColor(Me.BackColor());
            LblCom.setForeColor(White);
            LblCom.setCaption(u"ものを作ります\r\nものにこめる想いを選んでね\r\n▼");

            Cnt2 = static_cast<short>(Com.LBound());
            while (Cnt2 <= Com.UBound()) {
                CommandButton& button = Com(Cnt2);
                button.Move(LblCom.Left(), LblCom.Height() + LblCom.Height() * Cnt2, LblCom.Width(),
                    LblCom.Height());
                button.setVisible(true);
                button.setFontSize(LblCom.FontSize());
                button.setBackColor(LblCom.BackColor());
                Cnt2 = checked16(Cnt2 + 1LL, u"the button counter");
            }

            LblCom.setFontSize(Lbl.FontSize() - 1);
            Com(Com.UBound() - 1).setBackColor(ListLavender);
            Com(Com.UBound()).setBackColor(QuitTeal);

            ShowImg(u"");
            return;
        } catch (const std::exception&) {
            if (failedBefore)
                return;
            failedBefore = true;
        }
    }
}
