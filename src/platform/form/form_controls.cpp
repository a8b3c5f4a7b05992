// The controls on the form: their stacking and the order Tab takes through them.
#include "platform/form/form.h"

#include "platform/form/form_widget.h"

#include <algorithm>

namespace platform {

void Form::setTabOrder(const std::vector<const Control*>& order)
{
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget_, order[i]->widget_);
}

void Form::addControl(Control* c)
{
    controls_.push_back(c);
    // Keys, the wheel and the focus of every control pass the form first.
    c->widget_->installEventFilter(widget_);
    // Lower ranks lie below higher ones; within a rank, the order of creation. The controls
    // already there are in that order, so the new one goes just under the lowest control of the
    // next higher rank: no restacking of the others, even for a group of thousands of buttons.
    firstOfRank_.try_emplace(c->stackRank_, c);
    const auto above = firstOfRank_.upper_bound(c->stackRank_);
    if (above != firstOfRank_.end())
        c->widget_->stackUnder(above->second->widget_);
    else
        c->widget_->raise();
}

void Form::removeControl(Control* c)
{
    std::erase(controls_, c);
    keyboard_.forget(c);
    const auto first = firstOfRank_.find(c->stackRank_);
    if (first == firstOfRank_.end() || first->second != c)
        return;
    const auto next = std::find_if(controls_.begin(), controls_.end(),
        [c](const Control* other) { return other->stackRank_ == c->stackRank_; });
    if (next != controls_.end())
        first->second = *next;
    else
        firstOfRank_.erase(first);
}

} // namespace platform
