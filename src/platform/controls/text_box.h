// A read-only text box with a vertical scroll bar: its text and the click.
#pragma once

#include "platform/controls/control.h"

#include <functional>

namespace platform {

class TextBox : public Control
{
public:
    TextBox(Form& form, int stackRank, Text text);
    ~TextBox() override;

    const Text& text() const { return text_; }
    void setText(Text text);

    void onClick(std::function<void()> handler) { click_ = std::move(handler); }
    void click();
    // The click the keyboard's Escape makes: also while the box is hidden under a shown list.
    void deliverClick();

private:
    // A hidden text box is given its text when it is shown: a text nobody sees is not laid out.
    void visibilityChanged() override;
    Text text_;
    bool textShown_ = false; // the widget shows text_
    std::function<void()> click_;
    friend class TextWidget;
    friend class Form;
};

} // namespace platform
