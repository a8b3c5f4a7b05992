// Qt widgets behind the controls. Private to the platform layer.
#pragma once

#include "platform/controls.h"
#include "platform/form/form.h"

#include <QAbstractListModel>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace platform {

QString toQ(TextView t);
// Captions break lines at CR LF (a lone CR or LF also breaks).
QString displayText(TextView t);
QColor toQColor(Color c);
MouseButton fromQt(Qt::MouseButton b);
// The font families of every widget: a proportional Japanese face, fontconfig's choice where it
// is one, then the faces Debian installs.
QStringList uiFontFamilies();

class LabelWidget : public QLabel
{
public:
    LabelWidget(QWidget* parent, Label* owner);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    Label* owner_;
};

// A button drawn in its own background colour, flat with a raised edge, enabled or not; only
// its caption greys out while it is disabled. The platform style draws none of it.
class ButtonWidget : public QPushButton
{
public:
    ButtonWidget(QWidget* parent, CommandButton* owner);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    CommandButton* owner_;
};

// The list's entries live in the ListBox; this model only shows them. While the list is hidden
// it is told nothing, and catches up in one reset when it is shown, so long lists load fast.
class ListModel : public QAbstractListModel
{
public:
    ListModel(const std::vector<Text>* items, const ListBox* owner)
        : items_(items)
        , owner_(owner)
    { }
    int rowCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void inserted(int row);
    void removed(int row);
    void reset();
    bool stale = false;
    int shownRows = 0;

private:
    const std::vector<Text>* items_;
    const ListBox* owner_;
};

class ListWidget : public QListView
{
public:
    ListWidget(QWidget* parent, ListBox* owner, const std::vector<Text>* items);
    ListModel model;
    // The entry the keyboard is on, -1 when none.
    int currentRow() const;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    ListBox* owner_;
};

class TextWidget : public QPlainTextEdit
{
public:
    TextWidget(QWidget* parent, TextBox* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TextBox* owner_;
};

// The text box's own widget: a frame whose text widget is made when the box is first shown.
// Making a text widget lays out a document and loads fonts, which the first screen, where the
// box is hidden, does not need; the frame's colours and font reach the text widget inside.
class TextFrame : public QWidget
{
public:
    TextFrame(QWidget* parent, TextBox* owner);
    TextWidget* text();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TextBox* owner_;
    TextWidget* text_ = nullptr;
};

// The surface of a picture box holds what was painted into it. It is the size of the box's inside
// up to MaxSurfacePixels; a larger box keeps a smaller surface and shows it scaled, so that memory
// stays bounded whatever the size of the window.
class PictureWidget : public QWidget
{
public:
    PictureWidget(QWidget* parent, PictureBox* owner);
    static constexpr long long MaxSurfacePixels = 2048LL * 2048;
    // The surface for an inside: the inside itself up to MaxSurfacePixels, else smaller, of the
    // same shape.
    static QSize surfaceSizeFor(const QSize& inside);
    // The box's inside (without the border), in pixels.
    QSize inside() const;
    // The inside changed size: start a new, empty surface. It is made when it is first needed:
    // the layout may size and colour the box several times before that.
    void resetSurface();
    // A new, empty surface when the inside changed size.
    void followSize();
    // The surface for the inside (new and empty when the size changed).
    QImage& currentSurface();
    // A rectangle of the inside on the surface.
    QRect toSurface(const QRect& r) const;
    QImage surface; // null while a new, empty one is due
    QSize surfaceInside; // the inside the surface is made for
    QColor surfaceColor;
    uint64_t surfaceGeneration = 0;
    // The last painting, to skip an identical one.
    struct PaintKey
    {
        uint64_t picture = 0, generation = 0;
        int x = 0, y = 0, w = 0, h = 0, sx = 0, sy = 0, sw = 0, sh = 0;
        bool operator==(const PaintKey&) const = default;
    };
    PaintKey lastPaint;
    // The last scaled copy of a picture, reused when only the surface was cleared.
    PaintKey lastScaledKey;
    QImage lastScaled;
    int border() const;
    // Repaints the lines where they were and where they have moved to (PictureBox::lineChanged).
    void flushLines();
    bool linesPending = false;
    std::vector<QRect> linesWere;
    // Up to this area the strips are repainted as their bounding rectangle: a copy to the screen
    // costs more for each rectangle than for the pixels of a box of the usual sizes.
    static constexpr long long MaxMergedRepaint = 2048LL * 1024;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    PictureBox* owner_;
};

} // namespace platform
