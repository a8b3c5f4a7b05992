// Qt widgets behind the controls. Private to the platform layer.
#pragma once

#include "platform/controls.h"
#include "platform/form.h"

#include <QAbstractListModel>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace platform {

QString toQ(TextView t);
// Captions break lines at CR LF (a lone CR or LF also breaks).
QString displayText(TextView t);
QColor toQColor(Color c);
MouseButton fromQt(Qt::MouseButton b);

class FormWidget : public QWidget
{
public:
    explicit FormWidget(Form* form);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    Form* form_;
};

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

class ButtonWidget : public QPushButton
{
public:
    ButtonWidget(QWidget* parent, CommandButton* owner);
};

// The list's entries live in the ListBox; this model only shows them. While the list is hidden
// it is told nothing, and catches up in one reset when it is shown, so long lists load fast.
class ListModel : public QAbstractListModel
{
public:
    explicit ListModel(const std::vector<Text>* items)
        : items_(items)
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
};

class ListWidget : public QListView
{
public:
    ListWidget(QWidget* parent, ListBox* owner, const std::vector<Text>* items);
    ListModel model;
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

class PictureWidget : public QWidget
{
public:
    PictureWidget(QWidget* parent, PictureBox* owner);
    // The inside (without the border) changed size: start a new, empty surface. It is made when
    // it is first needed: the layout may size and colour the box several times before that.
    void resetSurface();
    // A new, empty surface when the inside changed size.
    void followSize();
    // The surface at the inside's size (new and empty when the size changed).
    QImage& currentSurface();
    QSize inside() const;
    QImage surface; // null while a new, empty one is due
    QSize surfaceSize;
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

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    PictureBox* owner_;
};

} // namespace platform
