#include "platform/form.h"

#include "platform/process.h"
#include "platform/widgets_p.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
// Japanese text needs a Japanese font; the first of these that is installed is used.
const QStringList FontFamilies { "IPAGothic", "IPAPGothic", "Noto Sans CJK JP", "VL Gothic",
    "TakaoGothic", "Sans Serif" };
} // namespace

FormWidget::FormWidget(Form* form)
    : form_(form)
{
    setAutoFillBackground(true);
}

void FormWidget::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    form_->qtResized(width(), height());
}

void FormWidget::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous())
        form_->qtShown();
}

void FormWidget::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    form_->qtPainted();
}

void FormWidget::closeEvent(QCloseEvent* e)
{
    form_->qtClosing();
    e->accept();
}

Form::Form(Dispatcher& dispatcher, int clientWidthTwips, int clientHeightTwips)
    : dispatcher_(dispatcher)
    , widget_(new FormWidget(this))
    , clientWTw_(clientWidthTwips)
    , clientHTw_(clientHeightTwips)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    tpp_ = 1440.0 / (dpi > 0 ? dpi : 96.0);
    QFont font = widget_->font();
    font.setFamilies(FontFamilies);
    widget_->setFont(font);
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    setBackColor(back_);
    resizeWidget();
}

Form::~Form()
{
    delete widget_;
}

QWidget* Form::widget() const
{
    return widget_;
}

Text Form::Caption() const
{
    return widget_->windowTitle().toStdU16String();
}

void Form::setCaption(const Text& caption)
{
    widget_->setWindowTitle(toQ(caption));
}

void Form::setIcon(const char* const* xpm)
{
    widget_->setWindowIcon(QIcon(QPixmap(xpm)));
}

int Form::frameWidthPx() const
{
    if (!widget_->isVisible())
        return 0;
    return std::max(0, widget_->frameGeometry().width() - widget_->width());
}

int Form::frameHeightPx() const
{
    if (!widget_->isVisible())
        return 0;
    return std::max(0, widget_->frameGeometry().height() - widget_->height());
}

double Form::Height() const
{
    return clientHTw_ + frameHeightPx() * tpp_;
}

double Form::Width() const
{
    return clientWTw_ + frameWidthPx() * tpp_;
}

int Form::twipsToPixels(double twips) const
{
    return static_cast<int>(std::lround(twips / tpp_));
}

void Form::resizeWidget()
{
    inProgramResize_ = true;
    widget_->resize(std::max(1, twipsToPixels(clientWTw_)), std::max(1, twipsToPixels(clientHTw_)));
    inProgramResize_ = false;
}

void Form::setWidth(double twips)
{
    if (widget_->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        throw RuntimeError(u"the window cannot be sized while it is minimised or maximised");
    const double client = std::max(0.0, twips - frameWidthPx() * tpp_);
    if (client == clientWTw_)
        return;
    clientWTw_ = client;
    resizeWidget();
    raiseResize();
}

void Form::setOuterSize(double widthTwips, double heightTwips)
{
    const double w = std::max(0.0, widthTwips - frameWidthPx() * tpp_);
    const double h = std::max(0.0, heightTwips - frameHeightPx() * tpp_);
    if (w == clientWTw_ && h == clientHTw_)
        return;
    clientWTw_ = w;
    clientHTw_ = h;
    resizeWidget();
    raiseResize();
}

void Form::raiseResize()
{
    if (!resize_)
        return;
    // A size change made by a handler is handled at once, nested in that handler.
    if (dispatcher_.busy())
        resize_();
    else
        dispatcher_.deliver(resize_);
}

void Form::qtResized(int widthPx, int heightPx)
{
    if (inProgramResize_)
        return;
    // The window system changed the size: the stored twips follow the pixels.
    if (twipsToPixels(clientWTw_) != widthPx)
        clientWTw_ = widthPx * tpp_;
    if (twipsToPixels(clientHTw_) != heightPx)
        clientHTw_ = heightPx * tpp_;
    if (resize_)
        dispatcher_.deliver(resize_);
}

void Form::qtShown()
{
    if (activated_)
        return;
    activated_ = true;
    if (activate_)
        dispatcher_.deliver(activate_);
}

void Form::qtPainted()
{
    if (paint_)
        dispatcher_.deliver(paint_);
}

void Form::qtClosing()
{
    if (close_)
        dispatcher_.deliver(close_);
}

void Form::Show()
{
    if (!shown_) {
        shown_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            widget_->move(area.x() + (area.width() - widget_->width()) / 2,
                area.y() + (area.height() - widget_->height()) / 2);
        }
    }
    widget_->show();
}

void Form::close()
{
    // With the display gone the window cannot be closed any more; its close event runs alone.
    if (toolkitEnding()) {
        qtClosing();
        return;
    }
    widget_->close();
}

void Form::paint()
{
    qtPainted();
}

double Form::ScaleWidth() const
{
    return userScale_ ? scaleW_ : clientWTw_;
}

double Form::ScaleHeight() const
{
    return userScale_ ? scaleH_ : clientHTw_;
}

void Form::setScaleWidth(double units)
{
    if (!userScale_) {
        scaleH_ = clientHTw_;
        userScale_ = true;
    }
    scaleW_ = units;
}

void Form::setScaleHeight(double units)
{
    if (!userScale_) {
        scaleW_ = clientWTw_;
        userScale_ = true;
    }
    scaleH_ = units;
}

double Form::unitsToTwipsX(double units) const
{
    return userScale_ && scaleW_ != 0 ? units * clientWTw_ / scaleW_ : units;
}

double Form::unitsToTwipsY(double units) const
{
    return userScale_ && scaleH_ != 0 ? units * clientHTw_ / scaleH_ : units;
}

double Form::twipsToUnitsX(double twips) const
{
    return userScale_ && clientWTw_ > 0 ? twips * scaleW_ / clientWTw_ : twips;
}

double Form::twipsToUnitsY(double twips) const
{
    return userScale_ && clientHTw_ > 0 ? twips * scaleH_ / clientHTw_ : twips;
}

void Form::setBackColor(Color c)
{
    back_ = c;
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Window, toQColor(c));
    widget_->setPalette(pal);
}

void Form::setTabOrder(const std::vector<const Control*>& order)
{
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget_, order[i]->widget_);
}

void Form::addControl(Control* c)
{
    controls_.push_back(c);
    // Lower ranks lie below higher ones; within a rank, the order of creation. The controls
    // already there are in that order, so the new one goes just under the lowest control of the
    // next higher rank: no restacking of the others, even for a group of thousands of buttons.
    firstOfRank_.try_emplace(c->stackRank_, c);
    const auto above = firstOfRank_.upper_bound(c->stackRank_);
    if (above != firstOfRank_.end())
        c->widget_->stackUnder(above->second->widget_);
    else
        c->widget_->raise();
}

void Form::removeControl(Control* c)
{
    std::erase(controls_, c);
    const auto first = firstOfRank_.find(c->stackRank_);
    if (first == firstOfRank_.end() || first->second != c)
        return;
    const auto next = std::find_if(controls_.begin(), controls_.end(),
        [c](const Control* other) { return other->stackRank_ == c->stackRank_; });
    if (next != controls_.end())
        first->second = *next;
    else
        firstOfRank_.erase(first);
}

} // namespace platform
