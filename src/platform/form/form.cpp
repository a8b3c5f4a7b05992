#include "platform/form/form.h"

#include "platform/fonts_p.h"
#include "platform/form/form_widget.h"
#include "platform/process.h"
#include "platform/qt_conversions_p.h"
#include "platform/window/qt_window.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace platform {

Form::Form(Dispatcher& dispatcher, int clientWidthTwips, int clientHeightTwips)
    : dispatcher_(dispatcher)
    , widget_(new FormWidget(this))
    , clientWTw_(clientWidthTwips)
    , clientHTw_(clientHeightTwips)
    , keyboard_(*this)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    tpp_ = window::twipsPerPixelAt(screen ? screen->logicalDotsPerInchX() : 0);
    QFont font = widget_->font();
    font.setFamilies(uiFontFamilies());
    widget_->setFont(font);
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    window_ = std::make_unique<window::QtWindow>(
        widget_, [this](window::Wait t) { negotiation_->due(t); },
        [this] { qtFrameMayHaveChanged(); });
    negotiation_ = std::make_unique<window::Negotiation>(*window_, static_cast<FormSide&>(*this));

    dispatcher_.setAfterEach([this] { afterEvent(); });
    setBackColor(back_);
    negotiation_->apply(
        { std::max(1, twipsToPixels(clientWTw_)), std::max(1, twipsToPixels(clientHTw_)) });
}

Form::~Form()
{
    dispatcher_.setAfterEach({});
    negotiation_.reset();
    window_.reset();
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

void Form::setShape(window::Aspect aspect, double minOuterWidthTwips, double minOuterHeightTwips)
{
    negotiation_->setShape(
        aspect, { twipsToPixels(minOuterWidthTwips), twipsToPixels(minOuterHeightTwips) });
    updateGrid();
}

window::Size Form::clientPx() const
{
    return { widget_->width(), widget_->height() };
}

double Form::Height() const
{
    return clientHTw_ + negotiation_->frame().h * tpp_;
}

double Form::Width() const
{
    return clientWTw_ + negotiation_->frame().w * tpp_;
}

int Form::twipsToPixels(double twips) const
{
    return window::twipsToPixels(twips, tpp_);
}

bool Form::resizeClient(double widthTwips, double heightTwips)
{
    window::Size px { std::max(1, twipsToPixels(widthTwips)),
        std::max(1, twipsToPixels(heightTwips)) };
    const window::Size b = negotiation_->bounded(px);
    if (b.w != px.w)
        widthTwips = b.w * tpp_;
    if (b.h != px.h)
        heightTwips = b.h * tpp_;
    px = b;
    // A size brought back within the bounds may be the size the window has: then nothing
    // changes and nothing is raised, so the layout's nested run ends there as it always does.
    if (widthTwips == clientWTw_ && heightTwips == clientHTw_)
        return false;
    negotiation_->asking(px);
    clientWTw_ = widthTwips;
    clientHTw_ = heightTwips;
    negotiation_->apply(px);
    updateGrid();
    return true;
}

void Form::resizeClient(window::Size client)
{
    resizeClient(client.w * tpp_, client.h * tpp_);
}

void Form::adopt(window::Size size)
{
    clientWTw_ = size.w * tpp_;
    clientHTw_ = size.h * tpp_;
    negotiation_->apply(size);
    updateGrid();
    raiseResize();
}

void Form::outerChanged(bool relayout)
{
    updateGrid();
    if (relayout)
        raiseResize();
}

void Form::setWidth(double twips)
{
    if (!negotiation_->sizeable())
        throw RuntimeError(u"the window cannot be sized while it is minimised or maximised");
    const double client = std::max(0.0, twips - negotiation_->frame().w * tpp_);
    if (client == clientWTw_)
        return;
    if (resizeClient(client, clientHTw_))
        raiseResize();
}

void Form::setOuterSize(double widthTwips, double heightTwips)
{
    const window::Size frame = negotiation_->frame();
    const double w = std::max(0.0, widthTwips - frame.w * tpp_);
    const double h = std::max(0.0, heightTwips - frame.h * tpp_);
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
    keyboard_.afterEvent();
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
    if (negotiation_->applying())
        return;
    const std::optional<window::Size> back = negotiation_->resized({ widthPx, heightPx });
    // The window system changed the size: the stored twips follow the pixels.
    if (twipsToPixels(clientWTw_) != widthPx)
        clientWTw_ = widthPx * tpp_;
    if (twipsToPixels(clientHTw_) != heightPx)
        clientHTw_ = heightPx * tpp_;
    if (back) {
        try {
            resizeClient(*back);
        } catch (const RuntimeError&) { }
    }
    updateGrid();
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

void Form::qtActivated()
{
    qtFrameMayHaveChanged();
    keyboard_.placeFocus();
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
    if (shown() && widget_->isVisible()) {
        const window::Size client = clientPx();
        const window::Size frame = negotiation_->frame();
        grid = window::gridArea(client, frame, negotiation_->aspect());
        whole = grid == window::Rect { 0, 0, client.w, client.h };
        fontScale_ = window::fontScale(client, frame, grid);
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

void Form::qtScreenChanged()
{
    const window::Size before = clientPx();
    negotiation_->screenChanged();
    updateGrid();
    if (clientPx() != before)
        raiseResize();
}

// A screen that comes or changes (an output switched on again) brings its own bounds.
void Form::watchScreens()
{
    QObject::connect(
        widget_->windowHandle(), &QWindow::screenChanged, widget_, [this] { qtScreenChanged(); });
    const auto watchScreen = [this](QScreen* screen) {
        QObject::connect(
            screen, &QScreen::availableGeometryChanged, widget_, [this] { qtScreenChanged(); });
    };
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    QObject::connect(
        qApp, &QGuiApplication::screenAdded, widget_, [this, watchScreen](QScreen* screen) {
            watchScreen(screen);
            qtScreenChanged();
        });
}

void Form::Show()
{
    if (!shown()) {
        // The window exists, so that its bounds reach the window manager.
        window_->watch();
        watchScreens();
        const window::Size before = clientPx();
        negotiation_->show();
        if (clientPx() != before)
            raiseResize();
    }
    widget_->show();
    updateGrid();
}

void Form::close()
{
    // With the display gone the window cannot be closed any more; its close event runs alone,
    // also when the display was found gone inside another event's handler.
    if (toolkitEnding()) {
        if (close_)
            dispatcher_.deliverLast(close_);
        return;
    }
    widget_->close();
}

void Form::paint()
{
    qtPainted();
}

void Form::focusMoved()
{
    if (focusMoved_)
        focusMoved_();
}

void Form::setBackColor(Color c)
{
    back_ = c;
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Window, toQColor(c));
    widget_->setPalette(pal);
}

} // namespace platform
