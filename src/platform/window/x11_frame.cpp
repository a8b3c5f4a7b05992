#include "platform/window/x11_frame.h"

#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace platform::x11 {

namespace {
xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t frameExtentsAtom(xcb_connection_t* c)
{
    static xcb_connection_t* known = nullptr;
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (c != known) {
        known = c;
        const char name[] = "_NET_FRAME_EXTENTS";
        xcb_intern_atom_reply_t* reply
            = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
    }
    return atom;
}
} // namespace

std::optional<window::Size> frameExtents(WId window)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return std::nullopt;
    const xcb_atom_t atom = frameExtentsAtom(c);
    if (atom == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c,
        xcb_get_property(c, 0, static_cast<xcb_window_t>(window), atom, XCB_ATOM_CARDINAL, 0, 4),
        nullptr);
    std::optional<window::Size> frame;
    if (reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32
        && xcb_get_property_value_length(reply) == 16) {
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        // left, right, top, bottom
        frame = window::Size { static_cast<int>(v[0] + v[1]), static_cast<int>(v[2] + v[3]) };
    }
    std::free(reply);
    return frame;
}

FrameWatch::FrameWatch(QObject* context, std::function<void()> changed)
    : context_(context)
    , changed_(std::move(changed))
{
    if (xcb_connection_t* c = connection()) {
        atom_ = frameExtentsAtom(c);
        qGuiApp->installNativeEventFilter(this);
    }
}

FrameWatch::~FrameWatch()
{
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

bool FrameWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*)
{
    if (!window_ || atom_ == XCB_ATOM_NONE || type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (property->window == window_ && property->atom == atom_)
        QTimer::singleShot(0, context_, changed_); // out of the window system's event handling
    return false;
}

} // namespace platform::x11
