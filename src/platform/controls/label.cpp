#include "platform/controls/label.h"

#include "platform/form/form.h"
#include "platform/qt_conversions_p.h"

#include <QLabel>
#include <QMouseEvent>

namespace platform {

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

LabelWidget::LabelWidget(QWidget* parent, Label* owner)
    : QLabel(parent)
    , owner_(owner)
{
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setContentsMargins(0, 0, 0, 0);
}

void LabelWidget::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (owner_->painted_)
        owner_->painted_();
}

void LabelWidget::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    owner_->press(fromQt(e->button()));
}

Label::Label(Form& form, int stackRank, Text caption)
    : Control(form, new LabelWidget(form.widget(), this), stackRank)
{
    setCaption(std::move(caption));
    applyColors();
}

Label::~Label() = default;

LabelWidget* Label::label() const
{
    return static_cast<LabelWidget*>(widget_);
}

void Label::setCaption(Text caption)
{
    caption_ = std::move(caption);
    label()->setText(displayText(caption_));
}

void Label::setBackStyle(BackStyle style)
{
    backStyle_ = style;
    applyColors();
}

void Label::setBorderNone()
{
    label()->setFrameShape(QFrame::NoFrame);
}

void Label::applyColors()
{
    Control::applyColors();
    widget_->setAutoFillBackground(backStyle_ == BackStyle::Opaque);
}

void Label::press(MouseButton button)
{
    if (!visible_ || !mouseDown_)
        return;
    dispatcher().deliver([this, button] { mouseDown_(button); });
}

} // namespace platform
