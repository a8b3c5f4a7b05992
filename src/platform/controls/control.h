// Common part of every control on the form: its rectangle in the form's scale units (stored in
// twips), visibility, colours and font size. Every event of a control reaches the game through
// the Dispatcher, so a failure in a handler ends in one error report instead of a crash.
#pragma once

#include "platform/dispatcher.h"
#include "platform/text.h"

#include <optional>

class QWidget;

namespace platform {

class Form;

struct Color
{
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

enum class MouseButton { Left, Right, Middle };

class Control
{
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Left, top, width and height in the form's scale units; width and height may be left out.
    void Move(double left, double top, std::optional<double> width = {},
        std::optional<double> height = {});
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void setWidth(double w);
    void setHeight(double h);

    bool Visible() const { return visible_; }
    void setVisible(bool v);
    Color BackColor() const { return back_; }
    void setBackColor(Color c);
    Color ForeColor() const { return fore_; }
    void setForeColor(Color c);
    double FontSize() const { return fontSize_; }
    void setFontSize(double points);
    // The name a screen reader gives the control.
    void setAccessibleName(TextView name);

    // The rectangle on screen, in pixels of the form's client area (the scale maps the form's
    // grid, which is the whole client area unless the window is letterboxed).
    struct PixelRect
    {
        int x, y, w, h;
    };
    PixelRect pixelRect() const;

protected:
    Control(Form& form, QWidget* widget, int stackRank);
    // Copies the settings of `other` (a group's index 0) except visibility.
    void copySettings(const Control& other);
    virtual void applyColors();
    virtual void visibilityChanged() { }
    void applyFont();
    void applyGeometry();
    // What is shown or enabled changed: the keyboard's focus may move.
    void stateChanged();
    Form& form_;
    Dispatcher& dispatcher() const;

    QWidget* widget_;
    int stackRank_;
    double leftTw_ = 0, topTw_ = 0, widthTw_ = 0, heightTw_ = 0;
    bool visible_ = false;
    Color back_ { 240, 240, 240 };
    Color fore_ { 0, 0, 0 };
    double fontSize_ = 9;

    friend class Form;
    friend class Keyboard;
};

} // namespace platform
