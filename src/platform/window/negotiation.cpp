#include "platform/window/negotiation.h"

#include "platform/errors.h"

#include <algorithm>
#include <iterator>

namespace platform::window {

namespace {
// After the program asks for a size, the window is checked this many milliseconds later (each
// after the one before) for the size the window manager gave it: some managers keep a size and say
// so only to the window system, so that the window still believes it has the size it asked for.
constexpr int AnswerCheckIntervalsMs[] = { 30, 70, 200, 700 };
// After the window is maximised, made full screen or given back its size, the window manager has
// this long to size it: meanwhile the program asks for no size (the layout would take a size the
// window has only on its way). Full screen is then checked: where no window manager made it, the
// window takes the screen (or its earlier place) itself.
constexpr int StateSettleMs = 300;
// Refusals remembered.
constexpr size_t MaxRefusals = 8;

Size sizeOf(const Rect& r)
{
    return { r.w, r.h };
}
} // namespace

Negotiation::Negotiation(WindowSystem& window, FormSide& form)
    : window_(window)
    , form_(form)
{ }

void Negotiation::setShape(Aspect aspect, Size legibleOuter)
{
    aspect_ = aspect;
    legible_ = legibleOuter;
    if (shown_)
        updateBounds();
}

Size Negotiation::frame() const
{
    // While hidden the window has no frame.
    return window_.visible() ? frame_ : Size {};
}

bool Negotiation::sizeable() const
{
    const States s = window_.states();
    return !settling_ && !s.minimised && !s.maximised && !s.fullScreen;
}

Size Negotiation::bounded(Size size) const
{
    return shown_ ? window::bounded(size, minClient_, maxClient_) : size;
}

void Negotiation::asking(Size asked)
{
    const Size now = sizeOf(window_.client());
    if (!shown_ || !window_.visible() || asked == now)
        return;
    for (const Refusal& r : refused_)
        if (r.asked == asked && r.from == now && r.times >= 2)
            throw RuntimeError(u"the window manager keeps the window at its size");
    pending_ = Request { asked, now };
    answerChecks_ = 0;
    window_.start(Wait::Answer, AnswerCheckIntervalsMs[0]);
}

void Negotiation::apply(Size client)
{
    applying_ = true;
    window_.resize(client);
    applying_ = false;
}

void Negotiation::checkAnswer()
{
    if (!pending_)
        return;
    const Size real = window_.reported();
    if (real != sizeOf(window_.client()) && real.w > 0 && real.h > 0 && sizeable()) {
        // The window manager kept another size and told only the window system: take it (and
        // after the second time, ask for this size at that size no more).
        refusedAt(pending_->asked, real);
        pending_.reset();
        form_.adopt(real);
        return;
    }
    if (++answerChecks_ < static_cast<int>(std::size(AnswerCheckIntervalsMs)))
        window_.start(Wait::Answer, AnswerCheckIntervalsMs[answerChecks_]);
    else
        pending_.reset();
}

void Negotiation::refusedAt(Size asked, Size from)
{
    // Once may be an answer that crossed the request (a window manager still placing the window
    // answers with the size it had); the second time the size is refused.
    for (Refusal& r : refused_)
        if (r.asked == asked && r.from == from) {
            ++r.times;
            return;
        }
    refused_.push_back({ asked, from, 1 });
    if (refused_.size() > MaxRefusals)
        refused_.pop_front();
}

std::optional<Size> Negotiation::resized(Size now)
{
    updateFrame();
    // The window manager answered a size the program asked for by keeping the old one.
    if (pending_) {
        if (now != pending_->asked && now == pending_->from)
            refusedAt(pending_->asked, now);
        pending_.reset();
        window_.stop(Wait::Answer);
    }
    // A size beyond the window's bounds (one that no window manager checked) is brought back.
    const Size within = window::bounded(now, minClient_, maxClient_);
    if (shown_ && sizeable() && within != now)
        return within;
    return std::nullopt;
}

bool Negotiation::updateFrame()
{
    if (!window_.visible())
        return false;
    // The frame the window manager set, where the window system tells it; else the toolkit's.
    const Size frame = window_.frameExtents().value_or(window_.toolkitFrame());
    if (frame == frame_)
        return false;
    frame_ = frame;
    return true;
}

void Negotiation::frameMayHaveChanged()
{
    if (!updateFrame())
        return;
    // The frame arrived or changed: the outer size changed with it, and the first time, the
    // window must still fit the screen.
    updateBounds();
    if (!frameSeen_ && (frame_.w > 0 || frame_.h > 0)) {
        frameSeen_ = true;
        fitToScreen(false);
    }
    form_.outerChanged(true);
}

void Negotiation::stateChanged()
{
    // Maximised, full screen or back: the size follows in its own event; the frame may change.
    settling_ = true;
    window_.start(Wait::Settle, StateSettleMs);
    frameMayHaveChanged();
    form_.outerChanged(false);
}

void Negotiation::due(Wait wait)
{
    if (wait == Wait::Answer)
        checkAnswer();
    else
        settled();
}

void Negotiation::settled()
{
    settling_ = false;
    const bool fullScreen = window_.states().fullScreen;
    if (const std::optional<Screen> screen = window_.screen()) {
        const Rect whole = screen->whole;
        if (fullScreen) {
            if (window_.client() != whole)
                window_.setClient(whole);
        } else if (beforeFullScreen_ && sizeOf(window_.client()) == sizeOf(whole) && sizeable()) {
            window_.setClient(*beforeFullScreen_);
        }
    }
    if (!fullScreen)
        beforeFullScreen_.reset();
    updateFrame();
    form_.outerChanged(true);
}

void Negotiation::updateBounds()
{
    const std::optional<Screen> screen = window_.screen();
    if (!screen)
        return;
    minClient_ = minClient(legible_, frame(), sizeOf(screen->available));
    maxClient_ = maxClient(screen->desktop);
    window_.setBounds(minClient_, maxClient_);
}

void Negotiation::fitToScreen(bool centre)
{
    const std::optional<Screen> screen = window_.screen();
    if (!screen)
        return;
    const Rect area = screen->available;
    const Size client = sizeOf(window_.client());
    const Size frame = this->frame();
    const Size fit = fitClient(client, frame, sizeOf(area), aspect_);
    if (fit != client && sizeable()) {
        try {
            form_.resizeClient(fit);
        } catch (const RuntimeError&) { }
    }
    // The outer rectangle inside the available area: centred the first time, else moved no more
    // than it takes.
    const Size now = sizeOf(window_.client());
    const int outerW = now.w + frame.w;
    const int outerH = now.h + frame.h;
    const Point at = window_.position();
    int x = at.x;
    int y = at.y;
    if (centre) {
        x = area.x + (area.w - outerW) / 2;
        y = area.y + (area.h - outerH) / 2;
    } else {
        x = std::max(area.x, std::min(x, area.x + area.w - outerW));
        y = std::max(area.y, std::min(y, area.y + area.h - outerH));
    }
    if (x != at.x || y != at.y)
        window_.move(x, y);
}

void Negotiation::show()
{
    if (shown_)
        return;
    shown_ = true;
    updateBounds();
    fitToScreen(true);
}

void Negotiation::toggleFullScreen()
{
    if (window_.states().fullScreen) {
        window_.setFullScreen(false);
    } else {
        beforeFullScreen_ = window_.client();
        window_.setFullScreen(true);
    }
}

} // namespace platform::window
