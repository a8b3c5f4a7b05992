// A command button: caption, enabled, and the click. Drawn in its own back colour, also while
// disabled (button_face.h).
#pragma once

#include "platform/controls/control.h"

#include <functional>

namespace platform {

class ButtonWidget;

class CommandButton : public Control
{
public:
    CommandButton(Form& form, int stackRank, Text caption);
    ~CommandButton() override;
    void cloneFrom(const CommandButton& first);

    const Text& Caption() const { return caption_; }
    void setCaption(Text caption);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool e);

    void onClick(std::function<void()> handler) { click_ = std::move(handler); }
    // A click as the player makes it; a hidden or disabled button ignores it.
    void click();

private:
    void applyColors() override;
    Text caption_;
    bool enabled_ = true;
    std::function<void()> click_;
    friend class ButtonWidget;
};

} // namespace platform
