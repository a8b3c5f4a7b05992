#include "platform/form.h"

#include "platform/fonts_p.h"
#include "platform/form_widget_p.h"
#include "platform/process.h"
#include "platform/qt_conversions_p.h"
#include "platform/x11_p.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
// After the program asks for a size, the window is checked this many milliseconds later (each
// after the one before) for the size the window manager gave it: some managers keep a size and say
// so only to the window system, so that the window still believes it has the size it asked for.
constexpr int AnswerCheckIntervalsMs[] = { 30, 70, 200, 700 };
// After the window is maximised, made full screen or given back its size, the window manager has
// this long to size it: meanwhile the program asks for no size (the layout would take a size the
// window has only on its way). Full screen is then checked: where no window manager made it, the
// window takes the screen (or its earlier place) itself.
constexpr int StateSettleMs = 300;

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

void FormWidget::moveEvent(QMoveEvent* e)
{
    QWidget::moveEvent(e);
    form_->qtFrameMayHaveChanged();
}

void FormWidget::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    form_->qtFrameMayHaveChanged();
    if (!e->spontaneous())
        form_->qtShown();
}

void FormWidget::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        form_->qtStateChanged();
    else if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
        form_->qtFrameMayHaveChanged();
        form_->placeFocus();
    }
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

void FormWidget::keyPressEvent(QKeyEvent* e)
{
    if (!form_->keyPressed(this, e))
        QWidget::keyPressEvent(e);
}

bool FormWidget::eventFilter(QObject* watched, QEvent* e)
{
    switch (e->type()) {
    case QEvent::KeyPress:
        return form_->keyPressed(watched, static_cast<QKeyEvent*>(e));
    case QEvent::Wheel:
        return form_->wheelTurned(watched, static_cast<QWheelEvent*>(e));
    case QEvent::FocusIn:
        return form_->focusArrived(watched, static_cast<QFocusEvent*>(e)->reason());
    default:
        return false;
    }
}

Form::Form(Dispatcher& dispatcher, int clientWidthTwips, int clientHeightTwips)
    : dispatcher_(dispatcher)
    , widget_(new FormWidget(this))
    , clientWTw_(clientWidthTwips)
    , clientHTw_(clientHeightTwips)
    , answerTimer_(new QTimer(widget_))
    , settleTimer_(new QTimer(widget_))
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    tpp_ = 1440.0 / (dpi > 0 ? dpi : 96.0);
    QFont font = widget_->font();
    font.setFamilies(uiFontFamilies());
    widget_->setFont(font);
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    answerTimer_->setSingleShot(true);
    QObject::connect(answerTimer_, &QTimer::timeout, widget_, [this] { checkAnswer(); });
    settleTimer_->setSingleShot(true);
    QObject::connect(settleTimer_, &QTimer::timeout, widget_, [this] { stateSettled(); });

    dispatcher_.setAfterEach([this] { afterEvent(); });
    frameWatch_ = std::make_unique<x11::FrameWatch>(widget_, [this] {
        setFrame_ = x11::frameExtents(widget_->winId());
        qtFrameMayHaveChanged();
    });
    setBackColor(back_);
    inProgramResize_ = true;
    widget_->resize(std::max(1, twipsToPixels(clientWTw_)), std::max(1, twipsToPixels(clientHTw_)));
    inProgramResize_ = false;
    speech_ = std::make_unique<Speech>(*this);
}

Form::~Form()
{
    speech_.reset();
    dispatcher_.setAfterEach({});
    frameWatch_.reset();
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

window::Size Form::framePx() const
{
    // While hidden the window has no frame.
    return widget_->isVisible() ? frame_ : window::Size {};
}

int Form::frameWidthPx() const
{
    return framePx().w;
}

int Form::frameHeightPx() const
{
    return framePx().h;
}

window::Size Form::clientPx() const
{
    return { widget_->width(), widget_->height() };
}

bool Form::updateFrame()
{
    if (!widget_->isVisible())
        return false;
    // The frame the window manager set, where the window system tells it; else the toolkit's
    // (which it reads once a change of geometry and keeps).
    window::Size frame;
    if (setFrame_) {
        frame = *setFrame_;
    } else {
        const QRect outer = widget_->frameGeometry();
        frame = { std::max(0, outer.width() - widget_->width()),
            std::max(0, outer.height() - widget_->height()) };
    }
    if (frame == frame_)
        return false;
    frame_ = frame;
    return true;
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

bool Form::sizeable() const
{
    return !settling_
        && !(widget_->windowState()
            & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

bool Form::resizeClient(double widthTwips, double heightTwips)
{
    window::Size px { std::max(1, twipsToPixels(widthTwips)),
        std::max(1, twipsToPixels(heightTwips)) };
    if (shown_) {
        const window::Size b = window::bounded(px, minClient_, maxClient_);
        if (b.w != px.w)
            widthTwips = b.w * tpp_;
        if (b.h != px.h)
            heightTwips = b.h * tpp_;
        px = b;
    }
    // A size brought back within the bounds may be the size the window has: then nothing
    // changes and nothing is raised, so the layout's nested run ends there as it always does.
    if (widthTwips == clientWTw_ && heightTwips == clientHTw_)
        return false;
    const window::Size now = clientPx();
    if (shown_ && widget_->isVisible() && px != now) {
        for (const Refusal& r : refused_)
            if (r.asked == px && r.from == now && r.times >= 2)
                throw RuntimeError(u"the window manager keeps the window at its size");
        pending_ = Request { px, now };
        answerChecks_ = 0;
        answerTimer_->start(AnswerCheckIntervalsMs[0]);
    }
    clientWTw_ = widthTwips;
    clientHTw_ = heightTwips;
    inProgramResize_ = true;
    widget_->resize(px.w, px.h);
    inProgramResize_ = false;
    updateGrid();
    return true;
}

void Form::checkAnswer()
{
    if (!pending_)
        return;
    const QWindow* window = widget_->windowHandle();
    const QSize real = window ? window->geometry().size() : widget_->size();
    if (real != widget_->size() && !real.isEmpty() && sizeable()) {
        // The window manager kept another size and told only the window system: take it (and
        // after the second time, ask for this size at that size no more).
        const window::Size kept { real.width(), real.height() };
        refusedAt(pending_->asked, kept);
        pending_.reset();
        adoptSize(kept);
        return;
    }
    if (++answerChecks_ < static_cast<int>(std::size(AnswerCheckIntervalsMs)))
        answerTimer_->start(AnswerCheckIntervalsMs[answerChecks_]);
    else
        pending_.reset();
}

void Form::refusedAt(window::Size asked, window::Size from)
{
    // Once may be an answer that crossed the request (a window manager still placing the window
    // answers with the size it had); the second time the size is refused.
    for (Refusal& r : refused_)
        if (r.asked == asked && r.from == from) {
            ++r.times;
            return;
        }
    refused_.push_back({ asked, from, 1 });
    if (refused_.size() > 8)
        refused_.pop_front();
}

void Form::adoptSize(window::Size size)
{
    clientWTw_ = size.w * tpp_;
    clientHTw_ = size.h * tpp_;
    inProgramResize_ = true;
    widget_->resize(size.w, size.h);
    inProgramResize_ = false;
    updateGrid();
    raiseResize();
}

void Form::setWidth(double twips)
{
    if (!sizeable())
        throw RuntimeError(u"the window cannot be sized while it is minimised or maximised");
    const double client = std::max(0.0, twips - frameWidthPx() * tpp_);
    if (client == clientWTw_)
        return;
    if (resizeClient(client, clientHTw_))
        raiseResize();
}

void Form::setOuterSize(double widthTwips, double heightTwips)
{
    const double w = std::max(0.0, widthTwips - frameWidthPx() * tpp_);
    const double h = std::max(0.0, heightTwips - frameHeightPx() * tpp_);
    if (w == clientWTw_ && h == clientHTw_)
        return;
    if (resizeClient(w, h))
        raiseResize();
}

void Form::afterEvent()
{
    // A window manager may frame the window long after it appeared (one that starts late, or is
    // replaced) and tell the window nothing: the frame is looked at after every event, and the
    // line effect makes ten a second. Looking costs nothing: the toolkit keeps the frame until
    // the window system changes it.
    qtFrameMayHaveChanged();
    followPhase();
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
    updateFrame();
    const window::Size now { widthPx, heightPx };
    // The window manager answered a size the program asked for by keeping the old one.
    if (pending_) {
        if (now != pending_->asked && now == pending_->from) {
            refusedAt(pending_->asked, now);
        }
        pending_.reset();
        answerTimer_->stop();
    }
    // The window system changed the size: the stored twips follow the pixels.
    if (twipsToPixels(clientWTw_) != widthPx)
        clientWTw_ = widthPx * tpp_;
    if (twipsToPixels(clientHTw_) != heightPx)
        clientHTw_ = heightPx * tpp_;
    // A size beyond the window's bounds (one that no window manager checked) is brought back.
    const window::Size within = window::bounded(now, minClient_, maxClient_);
    if (shown_ && sizeable() && within != now) {
        try {
            resizeClient(within.w * tpp_, within.h * tpp_);
        } catch (const RuntimeError&) { }
    }
    updateGrid();
    if (resize_)
        dispatcher_.deliver(resize_);
}

void Form::qtFrameMayHaveChanged()
{
    if (!updateFrame())
        return;
    // The frame arrived or changed: the outer size changed with it, and the first time, the
    // window must still fit the screen.
    updateBounds();
    if (!frameSeen_ && (frame_.w > 0 || frame_.h > 0)) {
        frameSeen_ = true;
        fitToScreen(false);
    }
    updateGrid();
    raiseResize();
}

void Form::qtStateChanged()
{
    // Maximised, full screen or back: the size follows in its own event; the frame may change.
    settling_ = true;
    settleTimer_->start(StateSettleMs);
    qtFrameMayHaveChanged();
    updateGrid();
}

void Form::stateSettled()
{
    settling_ = false;
    if (const QScreen* screen = widget_->screen()) {
        const QRect whole = screen->geometry();
        if (widget_->windowState() & Qt::WindowFullScreen) {
            if (widget_->geometry() != whole)
                widget_->setGeometry(whole);
        } else if (beforeFullScreen_ && widget_->size() == whole.size() && sizeable()) {
            const window::Rect r = *beforeFullScreen_;
            widget_->setGeometry(r.x, r.y, r.w, r.h);
        }
    }
    if (!(widget_->windowState() & Qt::WindowFullScreen))
        beforeFullScreen_.reset();
    updateFrame();
    updateGrid();
    raiseResize();
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

void Form::updateGrid()
{
    window::Rect grid { 0, 0, 0, 0 };
    bool whole = true;
    fontScale_ = 1;
    if (shown_ && widget_->isVisible()) {
        const window::Size client = clientPx();
        grid = window::gridArea(client, framePx());
        whole = grid == window::Rect { 0, 0, client.w, client.h };
        fontScale_ = window::fontScale(client, framePx(), grid);
    }
    if (whole) {
        gridXTw_ = gridYTw_ = 0;
        gridWTw_.reset();
        gridHTw_.reset();
    } else {
        gridXTw_ = grid.x * tpp_;
        gridYTw_ = grid.y * tpp_;
        gridWTw_ = grid.w * tpp_;
        gridHTw_ = grid.h * tpp_;
    }
}

Control::PixelRect Form::gridRect() const
{
    const int x = twipsToPixels(gridXTw_);
    const int y = twipsToPixels(gridYTw_);
    return { x, y, twipsToPixels(gridXTw_ + gridWTw_.value_or(clientWTw_)) - x,
        twipsToPixels(gridYTw_ + gridHTw_.value_or(clientHTw_)) - y };
}

void Form::updateBounds()
{
    const QScreen* screen = widget_->screen();
    if (!screen)
        return;
    const QSize available = screen->availableGeometry().size();
    const QSize desktop = screen->virtualSize();
    const window::Size legible { static_cast<int>(
                                     std::lround(window::LegibleOuterWidthTwips / tpp_)),
        static_cast<int>(std::lround(window::LegibleOuterHeightTwips / tpp_)) };
    minClient_ = window::minClient(legible, framePx(), { available.width(), available.height() });
    maxClient_ = window::maxClient({ desktop.width(), desktop.height() });
    // The window manager reads them (the offscreen platform has none to tell).
    QWindow* window = widget_->windowHandle();
    if (window && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        window->setMinimumSize(QSize(minClient_.w, minClient_.h));
        window->setMaximumSize(QSize(maxClient_.w, maxClient_.h));
    }
}

void Form::fitToScreen(bool centre)
{
    const QScreen* screen = widget_->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const window::Size client = clientPx();
    const window::Size frame = framePx();
    const window::Size fit = window::fitClient(client, frame, { area.width(), area.height() });
    if (fit != client && sizeable()) {
        try {
            resizeClient(fit.w * tpp_, fit.h * tpp_);
        } catch (const RuntimeError&) { }
    }
    // The outer rectangle inside the available area: centred the first time, else moved no more
    // than it takes.
    const int outerW = widget_->width() + frame.w;
    const int outerH = widget_->height() + frame.h;
    int x = widget_->x();
    int y = widget_->y();
    if (centre) {
        x = area.x() + (area.width() - outerW) / 2;
        y = area.y() + (area.height() - outerH) / 2;
    } else {
        x = std::max(area.x(), std::min(x, area.x() + area.width() - outerW));
        y = std::max(area.y(), std::min(y, area.y() + area.height() - outerH));
    }
    if (x != widget_->x() || y != widget_->y())
        widget_->move(x, y);
}

void Form::Show()
{
    if (!shown_) {
        shown_ = true;
        // The window exists, so that its bounds reach the window manager.
        frameWatch_->watch(widget_->winId());
        setFrame_ = x11::frameExtents(widget_->winId());
        updateBounds();
        const window::Size before = clientPx();
        fitToScreen(true);
        if (clientPx() != before)
            raiseResize();
    }
    widget_->show();
    updateGrid();
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

void Form::toggleFullScreen()
{
    const Qt::WindowStates state = widget_->windowState();
    if (state & Qt::WindowFullScreen) {
        widget_->setWindowState(state & ~Qt::WindowFullScreen);
    } else {
        const QRect client = widget_->geometry();
        beforeFullScreen_
            = window::Rect { client.x(), client.y(), client.width(), client.height() };
        widget_->setWindowState(state | Qt::WindowFullScreen);
    }
}

double Form::gridW() const
{
    return gridWTw_.value_or(clientWTw_);
}

double Form::gridH() const
{
    return gridHTw_.value_or(clientHTw_);
}

double Form::ScaleWidth() const
{
    return userScale_ ? scaleW_ : gridW();
}

double Form::ScaleHeight() const
{
    return userScale_ ? scaleH_ : gridH();
}

void Form::setScaleWidth(double units)
{
    if (!userScale_) {
        scaleH_ = gridH();
        userScale_ = true;
    }
    scaleW_ = units;
}

void Form::setScaleHeight(double units)
{
    if (!userScale_) {
        scaleW_ = gridW();
        userScale_ = true;
    }
    scaleH_ = units;
}

// The scale maps the grid; positions are kept in twips from the grid's corner.
double Form::unitsToTwipsX(double units) const
{
    return userScale_ && scaleW_ != 0 ? units * gridW() / scaleW_ : units;
}

double Form::unitsToTwipsY(double units) const
{
    return userScale_ && scaleH_ != 0 ? units * gridH() / scaleH_ : units;
}

double Form::twipsToUnitsX(double twips) const
{
    return userScale_ && gridW() > 0 ? twips * scaleW_ / gridW() : twips;
}

double Form::twipsToUnitsY(double twips) const
{
    return userScale_ && gridH() > 0 ? twips * scaleH_ / gridH() : twips;
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
    // Keys, the wheel and the focus of every control pass the form first.
    c->widget_->installEventFilter(widget_);
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
    if (focusTarget_ == c)
        focusTarget_ = nullptr;
    if (playerFocus_ == c->widget_)
        playerFocus_ = nullptr;
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
