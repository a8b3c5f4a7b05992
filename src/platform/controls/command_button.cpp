#include "platform/controls/command_button.h"

#include "platform/controls/button_face_p.h"
#include "platform/form/form.h"
#include "platform/qt_conversions_p.h"

#include <QPainter>
#include <QPushButton>

namespace platform {

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

ButtonWidget::ButtonWidget(QWidget* parent, CommandButton* owner)
    : QPushButton(parent)
    , owner_(owner)
{
    // The focus comes by Tab only (or from the form's keyboard): a click leaves it where it was.
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, [owner] { owner->click(); });
}

void ButtonWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintButtonFace(p, rect(),
        { toQColor(owner_->BackColor()), palette().color(QPalette::Active, QPalette::ButtonText),
            font(), text(), isDown(), isEnabled(), hasFocus() });
}

CommandButton::CommandButton(Form& form, int stackRank, Text caption)
    : Control(form, new ButtonWidget(form.widget(), this), stackRank)
{
    setCaption(std::move(caption));
    applyColors();
}

CommandButton::~CommandButton() = default;

void CommandButton::cloneFrom(const CommandButton& first)
{
    copySettings(first);
    setCaption(first.caption_);
    setEnabled(first.enabled_);
}

void CommandButton::setCaption(Text caption)
{
    caption_ = std::move(caption);
    // Shown exactly as written: to a Qt button "&" marks a keyboard shortcut, "&&" is an "&".
    static_cast<QPushButton*>(widget_)->setText(
        displayText(caption_).replace(QLatin1Char('&'), QLatin1String("&&")));
}

void CommandButton::setEnabled(bool e)
{
    if (e != enabled_)
        stateChanged();
    enabled_ = e;
    widget_->setEnabled(e);
}

void CommandButton::applyColors()
{
    QPalette pal = widget_->palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        pal.setColor(group, QPalette::Button, toQColor(back_));
    widget_->setPalette(pal);
}

void CommandButton::click()
{
    if (!visible_ || !enabled_ || !click_)
        return;
    dispatcher().deliver(click_);
}

} // namespace platform
