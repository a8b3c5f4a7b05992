// What the X11 window system tells and the toolkit does not pass on. Private to the platform.
#pragma once

#include "platform/window/grid.h"

#include <QAbstractNativeEventFilter>
#include <QtGui/qwindowdefs.h>

#include <functional>
#include <optional>

namespace platform::x11 {

// The frame a window manager has put around `window` (the _NET_FRAME_EXTENTS it set on it):
// its total width and height; empty off X11 or where no window manager set it.
std::optional<window::Size> frameExtents(WId window);

// Calls `changed` (later, from the event loop, while `context` lives) whenever the window manager
// sets or removes the frame extents of `window`. The toolkit reads them once and keeps them; a
// window manager that sets them after the window was shown would go unseen.
class FrameWatch : public QAbstractNativeEventFilter
{
public:
    FrameWatch(QObject* context, std::function<void()> changed);
    ~FrameWatch() override;
    void watch(WId window) { window_ = window; }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    QObject* context_;
    std::function<void()> changed_;
    WId window_ = 0;
    unsigned atom_ = 0;
};

} // namespace platform::x11
