// The window toolkit the game is written against: one form with labels, buttons, list boxes, a
// text box, picture boxes, lines and timers, placed in the form's scale units.
//
// Positions on the form are stored in twips (1/1440 inch) and read back in the form's current
// scale: twips until the game sets a user scale, then the user's units. Picture boxes measure
// their inside in pixels. Every event reaches the game through the Dispatcher, so a failure in
// a handler ends in one error report instead of a crash.
//
// Names: what the game itself reads and calls keeps the spelling of the toolkit the game was
// written for, in upper camel case: properties (Caption, Enabled, Visible, Left, BackColor,
// ListCount ...), methods (Move, AddItem, PaintPicture ...) and the functions and statements of
// its language elsewhere in this folder (Str, Mid, FreeFile, LineInput ...). Writing a property
// is setCaption, setEnabled ... Everything else in this folder, what the platform adds and what
// only tests use, is in Qt's lower camel case (onClick, click, press, surfacePixel, ticking).
// TextBox::text() is the one property in lower case: Text is our string type.
#pragma once

#include "platform/dispatcher.h"
#include "platform/text.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QImage;
class QWidget;
class QTimer;

namespace platform {

class Form;
class FormWidget;
class LabelWidget;
class ButtonWidget;
class ListWidget;
class TextWidget;
class PictureWidget;

struct Color
{
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

enum class MouseButton { Left, Right, Middle };

// A decoded picture, shared and immutable. Empty when nothing is held.
class Picture
{
public:
    Picture() = default;
    bool isNull() const { return !image_; }
    int width() const;
    int height() const;
    // Identity of the decoded picture: two loads of one file are different pictures, unless the
    // file was unchanged and the first picture still held (then it is loaded only once).
    uint64_t id() const { return id_; }

private:
    friend class PictureBox;
    friend class PictureWidget;
    friend Picture LoadPicture(const Text& path, const Text& displayName);
    std::shared_ptr<const QImage> image_;
    uint64_t id_ = 0;
};

// Loads a picture file, recognising the format from its content. Pictures larger than
// MaxPictureSide pixels on a side are decoded scaled down to fit. Throws RuntimeError naming
// `displayName` when the file is missing, is not a picture this platform reads, or is larger than
// MaxPicturePixels or MaxPictureFileBytes. A PNG or JPEG with more than MaxPictureMetadataBytes
// besides its pixels is read without its metadata: memory stays bounded whatever a file holds or
// its header claims. Metafiles (WMF, EMF) are drawn in the shape of their frame.
Picture LoadPicture(const Text& path, const Text& displayName);
constexpr int MaxPictureSide = 4096;
constexpr long long MaxPicturePixels = 32LL * 1024 * 1024; // 8192 x 4096, 5792 x 5792, ...
constexpr int MaxPictureDecodeMiB = 128; // what one decode may allocate: 32 Mi pixels of 4 bytes
// What a PNG or JPEG file may hold besides its pixels: text, colour profiles, Exif and the other
// chunks or segments. Qt keeps such metadata with the picture, and copies it many times over
// while it decodes, so a picture with more is read without it.
constexpr long long MaxPictureMetadataBytes = 1 << 20;
// The largest picture file: the largest picture, uncompressed at 4 bytes a pixel, and its
// metadata.
constexpr long long MaxPictureFileBytes = 4 * MaxPicturePixels + MaxPictureMetadataBytes;

// Common part of every visible widget on the form.
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

class ListBox : public Control
{
public:
    ListBox(Form& form, int stackRank);
    ~ListBox() override;

    void AddItem(const Text& item);
    void AddItem(const Text& item, int index);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const { return static_cast<int>(items_.size()); }
    const Text& List(int index) const;
    // The entry at the selection as text; empty when nothing is selected.
    Text SelectedText() const;

    // How an entry reads to a screen reader and the game's own voice (as shown when not set).
    using SpokenItem = std::function<Text(int index, TextView item)>;
    void setSpokenItem(SpokenItem spoken) { spoken_ = std::move(spoken); }
    Text spokenItem(int index) const;

    void onClick(std::function<void()> handler) { click_ = std::move(handler); }
    // Selects entry `index` and clicks it, as the player does; a hidden list ignores it.
    void clickItem(int index);
    // The entry the keyboard is on (not necessarily selected), -1 when none.
    int currentRow() const;

private:
    friend class Form;
    void visibilityChanged() override;
    ListWidget* list() const;
    void select(int index);
    std::vector<Text> items_;
    int listIndex_ = -1;
    std::function<void()> click_;
    SpokenItem spoken_;
    friend class ListWidget;
    friend class ListModel;
};

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

class Line;

// A picture box measures its inside in pixels. Paintings are kept on its surface until the next
// painting or a change of size; its lines are drawn over that surface.
class PictureBox : public Control
{
public:
    PictureBox(Form& form, int stackRank);
    ~PictureBox() override;

    void setPicture(Picture picture);
    const Picture& picture() const { return picture_; }
    // Sizes itself to its picture (the hidden holder does).
    void setAutoSize(bool on) { autoSize_ = on; }

    void setScaleModePixels() { }
    // The inside, in pixels.
    int ScaleWidth() const;
    int ScaleHeight() const;
    void setBorderNone();

    // Copies the source rectangle of `pic` stretched onto the destination rectangle of the
    // surface. Throws RuntimeError when `pic` is empty. Repeating the same painting onto an
    // unchanged surface costs nothing.
    void PaintPicture(
        const Picture& pic, int x, int y, int w, int h, int sx, int sy, int sw, int sh);

    // Number of times a picture was actually scaled onto the surface (to keep painting cheap).
    int scalingsDone() const { return scalings_; }
    // The colour of one pixel of the surface, inside the border.
    Color surfacePixel(int x, int y) const;
    // The memory the surface takes.
    long long surfaceBytes() const;

private:
    friend class Line;
    friend class PictureWidget;
    void applyColors() override;
    PictureWidget* pictureWidget() const;
    void lineChanged(Line& line);
    Picture picture_;
    bool autoSize_ = false;
    bool border_ = true;
    std::vector<Line*> lines_;
    int scalings_ = 0;
};

// A line shape inside a picture box, in the box's pixels; drawn over the box's surface.
class Line
{
public:
    explicit Line(PictureBox& box);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    void cloneFrom(const Line& first);

    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void setX1(double v);
    void setY1(double v);
    void setX2(double v);
    void setY2(double v);
    Color BorderColor() const { return color_; }
    void setBorderColor(Color c);
    int BorderWidth() const { return width_; }
    void setBorderWidth(int w);
    bool Visible() const { return visible_; }
    void setVisible(bool v);

    // The pixels the line covers (empty when hidden).
    Control::PixelRect bounds() const;

private:
    friend class PictureBox;
    friend class PictureWidget;
    template <class F> void change(F&& f);
    PictureBox& box_;
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    Color color_ { 0, 0, 0 };
    int width_ = 1;
    bool visible_ = false;
    // Where it was last drawn, and whether it changed since.
    Control::PixelRect shown_ { 0, 0, 0, 0 };
    bool changed_ = false;
};

class Timer
{
public:
    Timer(Dispatcher& dispatcher, int interval, bool enabled);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // An enabled timer with interval 0 delivers no ticks. Setting the interval starts a new period.
    int Interval() const { return interval_; }
    void setInterval(int ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool e);
    bool ticking() const { return enabled_ && interval_ > 0; }

    void onTick(std::function<void()> handler) { tick_ = std::move(handler); }
    // Delivers one tick now, as the clock would (tests drive the game this way).
    void fire();

private:
    void restart();
    Dispatcher& dispatcher_;
    QTimer* timer_;
    int interval_;
    bool enabled_;
    std::function<void()> tick_;
};

// An indexed group of controls from index 0 up; grows at run time. A new member takes the
// settings of index 0 but starts hidden.
template <class T> class ControlArray
{
public:
    // `make` creates a member with the group's design settings; it makes index 0 at once.
    explicit ControlArray(std::function<std::unique_ptr<T>()> make)
        : make_(std::move(make))
    {
        members_.push_back(make_());
    }
    T& operator()(int index)
    {
        if (index < 0 || index >= static_cast<int>(members_.size()))
            throw RuntimeError(u"control array element " + Str(index) + u" does not exist");
        return *members_[static_cast<size_t>(index)];
    }
    int LBound() const { return 0; }
    int UBound() const { return static_cast<int>(members_.size()) - 1; }
    int count() const { return static_cast<int>(members_.size()); }

    // Creates member `index`, which must be the next one.
    void Load(int index)
    {
        if (index != count())
            throw RuntimeError(u"control array element " + Str(index) + u" cannot be created here");
        auto member = make_();
        member->cloneFrom(*members_.front());
        members_.push_back(std::move(member));
    }

private:
    std::vector<std::unique_ptr<T>> members_;
    std::function<std::unique_ptr<T>()> make_;
};

} // namespace platform
