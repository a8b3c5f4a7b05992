#include "platform/controls/text_box.h"

#include "platform/controls/paragraphs_p.h"
#include "platform/form/form.h"

#include <QMouseEvent>
#include <QPlainTextEdit>

namespace platform {

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

TextWidget::TextWidget(QWidget* parent, TextBox* owner)
    : QPlainTextEdit(parent)
    , owner_(owner)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    viewport()->installEventFilter(this);
}

bool TextWidget::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == viewport() && e->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
        owner_->click();
    return QPlainTextEdit::eventFilter(watched, e);
}

TextFrame::TextFrame(QWidget* parent, TextBox* owner)
    : QWidget(parent)
    , owner_(owner)
{ }

TextWidget* TextFrame::text()
{
    if (!text_) {
        text_ = new TextWidget(this, owner_);
        text_->setGeometry(rect());
        setFocusProxy(text_);
        // The name a screen reader says goes where the focus goes.
        text_->setAccessibleName(accessibleName());
        setAccessibleName({});
        // Keys, the wheel and the focus pass the form first, as for the frame and every control.
        text_->installEventFilter(parentWidget());
        text_->show();
    }
    return text_;
}

void TextFrame::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (text_)
        text_->setGeometry(rect());
}

TextBox::TextBox(Form& form, int stackRank, Text text)
    : Control(form, new TextFrame(form.widget(), this), stackRank)
{
    setText(std::move(text));
    applyColors();
}

TextBox::~TextBox() = default;

void TextBox::setText(Text text)
{
    text_ = std::move(text);
    textShown_ = false;
    visibilityChanged();
}

void TextBox::visibilityChanged()
{
    if (!visible_ || textShown_)
        return;
    static_cast<TextFrame*>(widget_)->text()->setPlainText(displayParagraphs(text_));
    textShown_ = true;
}

void TextBox::click()
{
    if (!visible_ || !click_)
        return;
    dispatcher().deliver(click_);
}

void TextBox::deliverClick()
{
    if (click_)
        dispatcher().deliver(click_);
}

} // namespace platform
