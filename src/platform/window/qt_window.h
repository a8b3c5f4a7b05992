// The window system as the negotiation sees it, over the toolkit's top-level widget (and X11 where
// the toolkit does not tell). Private to the platform.
#pragma once

#include "platform/window/negotiation.h"

#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace platform::x11 {
class FrameWatch;
}

namespace platform::window {

class QtWindow : public WindowSystem
{
public:
    // `due` is called when a timer the negotiation started runs out; `framed` when the window
    // manager sets the frame extents.
    QtWindow(QWidget* widget, std::function<void(Wait)> due, std::function<void()> framed);
    ~QtWindow() override;

    // The window exists: from now on the frame extents are read and watched.
    void watch();

    bool visible() const override;
    Rect client() const override;
    Point position() const override;
    Size reported() const override;
    std::optional<Size> frameExtents() const override { return setFrame_; }
    Size toolkitFrame() const override;
    States states() const override;
    void setFullScreen(bool on) override;
    void resize(Size client) override;
    void setClient(Rect client) override;
    void move(int x, int y) override;
    std::optional<Screen> screen() const override;
    void setBounds(Size min, Size max) override;
    void start(Wait timer, int ms) override;
    void stop(Wait timer) override;

private:
    QTimer* timer(Wait t) const { return t == Wait::Answer ? answer_ : settle_; }
    QWidget* widget_;
    QTimer* answer_;
    QTimer* settle_;
    std::unique_ptr<x11::FrameWatch> frameWatch_;
    std::optional<Size> setFrame_;
};

} // namespace platform::window
