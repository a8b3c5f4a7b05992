// Which event script comes next. An event's name is formed from three parts of the game's state,
// the route letter, the event number and the ending letter, and the script is that name + ".dat".
// The event player moves through the story by these rules, and the story checker walks every way
// through it by the same ones.
#pragma once

#include "platform/text.h"

#include <optional>

namespace story {

using platform::Text;
using platform::TextView;

struct EventParts
{
    Text route;
    std::optional<long> number; // none in an ending
    Text ending;
};

// Route letter + event number (nothing when empty) + ending letter.
Text eventName(TextView route, std::optional<long> number, TextView ending);
inline Text eventName(const EventParts& event)
{
    return eventName(event.route, event.number, event.ending);
}

// The parts that form an event's name ("a2": route "a", number 2; "bg": route "b", ending "g";
// "g": ending "g"), or nothing for a name the game never forms.
std::optional<EventParts> splitEventName(TextView name);

// The route and ending letters the score chooses.
Text routeFor(long point);
Text endingFor(long point);

// Every play-through begins with event 0.
EventParts firstEvent();
// A "hantei" line goes on with the first event of the route `route`.
EventParts afterRouteBranch(const EventParts& now, TextView route);
// An "ive" line goes on with the ending `ending` of the route.
EventParts afterEndingBranch(const EventParts& now, TextView ending);
// A numbered event that runs out is followed by a crafting turn, then by the next number.
EventParts afterTurn(const EventParts& now);

} // namespace story
