// A label: a caption that wraps at its width, a transparent or opaque back, and the mouse press
// (any button) as its one event. It takes no keyboard focus.
#pragma once

#include "platform/controls/control.h"

#include <functional>

namespace platform {

class LabelWidget;

class Label : public Control
{
public:
    Label(Form& form, int stackRank, Text caption);
    ~Label() override;

    const Text& Caption() const { return caption_; }
    void setCaption(Text caption);
    enum class BackStyle { Transparent, Opaque };
    void setBackStyle(BackStyle style);
    BackStyle backStyle() const { return backStyle_; }
    void setBorderNone();

    void onMouseDown(std::function<void(MouseButton)> handler) { mouseDown_ = std::move(handler); }
    // Called each time the label has been drawn on screen (start-up measurements use it).
    void onPainted(std::function<void()> handler) { painted_ = std::move(handler); }
    // A mouse press as the player makes it; a hidden label gets none.
    void press(MouseButton button);

private:
    void applyColors() override;
    LabelWidget* label() const;
    Text caption_;
    BackStyle backStyle_ = BackStyle::Transparent;
    std::function<void(MouseButton)> mouseDown_;
    std::function<void()> painted_;
    friend class LabelWidget;
};

} // namespace platform
