#include "platform/window/qt_window.h"

#include "platform/window/x11_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace platform::window {

QtWindow::QtWindow(QWidget* widget, std::function<void(Wait)> due, std::function<void()> framed)
    : widget_(widget)
    , answer_(new QTimer(widget))
    , settle_(new QTimer(widget))
{
    for (const Wait t : { Wait::Answer, Wait::Settle }) {
        timer(t)->setSingleShot(true);
        QObject::connect(timer(t), &QTimer::timeout, widget, [due, t] { due(t); });
    }
    frameWatch_ = std::make_unique<x11::FrameWatch>(widget, [this, framed] {
        setFrame_ = x11::frameExtents(widget_->winId());
        framed();
    });
}

QtWindow::~QtWindow() = default;

void QtWindow::watch()
{
    frameWatch_->watch(widget_->winId());
    setFrame_ = x11::frameExtents(widget_->winId());
}

bool QtWindow::visible() const
{
    return widget_->isVisible();
}

Rect QtWindow::client() const
{
    const QRect g = widget_->geometry();
    return { g.x(), g.y(), g.width(), g.height() };
}

Point QtWindow::position() const
{
    return { widget_->x(), widget_->y() };
}

Size QtWindow::reported() const
{
    const QWindow* window = widget_->windowHandle();
    const QSize real = window ? window->geometry().size() : widget_->size();
    return { real.width(), real.height() };
}

Size QtWindow::toolkitFrame() const
{
    // The toolkit reads the frame once a change of geometry and keeps it.
    const QRect outer = widget_->frameGeometry();
    return { std::max(0, outer.width() - widget_->width()),
        std::max(0, outer.height() - widget_->height()) };
}

States QtWindow::states() const
{
    const Qt::WindowStates s = widget_->windowState();
    return { (s & Qt::WindowMinimized) != 0, (s & Qt::WindowMaximized) != 0,
        (s & Qt::WindowFullScreen) != 0 };
}

void QtWindow::setFullScreen(bool on)
{
    const Qt::WindowStates s = widget_->windowState();
    widget_->setWindowState(on ? s | Qt::WindowFullScreen : s & ~Qt::WindowFullScreen);
}

void QtWindow::resize(Size client)
{
    widget_->resize(client.w, client.h);
}

void QtWindow::setClient(Rect client)
{
    widget_->setGeometry(client.x, client.y, client.w, client.h);
}

void QtWindow::move(int x, int y)
{
    widget_->move(x, y);
}

std::optional<Screen> QtWindow::screen() const
{
    const QScreen* screen = widget_->screen();
    if (!screen)
        return std::nullopt;
    const QRect whole = screen->geometry();
    const QRect available = screen->availableGeometry();
    const QSize desktop = screen->virtualSize();
    return Screen { { whole.x(), whole.y(), whole.width(), whole.height() },
        { available.x(), available.y(), available.width(), available.height() },
        { desktop.width(), desktop.height() } };
}

void QtWindow::setBounds(Size min, Size max)
{
    // The window manager reads them (the offscreen platform has none to tell).
    QWindow* window = widget_->windowHandle();
    if (window && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        window->setMinimumSize(QSize(min.w, min.h));
        window->setMaximumSize(QSize(max.w, max.h));
    }
}

void QtWindow::start(Wait t, int ms)
{
    timer(t)->start(ms);
}

void QtWindow::stop(Wait t)
{
    timer(t)->stop();
}

} // namespace platform::window
