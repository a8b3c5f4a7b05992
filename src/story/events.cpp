#include "story/events.h"

namespace story {

Text eventName(TextView route, std::optional<long> number, TextView ending)
{
    return Text(route) + (number ? platform::Str(*number) : Text()) + Text(ending);
}

std::optional<EventParts> splitEventName(TextView name)
{
    const Text routes[] = { u"", routeFor(0), routeFor(32767) };
    const Text endings[] = { endingFor(0), endingFor(32767) };
    for (const Text& route : routes) {
        if (!name.starts_with(route))
            continue;
        const TextView rest = name.substr(route.size());
        for (const Text& ending : endings) {
            if (rest == ending)
                return EventParts { route, std::nullopt, ending };
        }
        // A number as the game writes it: digits, no sign, no leading zero.
        if (rest.empty() || rest.size() > 9 || (rest[0] == u'0' && rest.size() > 1))
            continue;
        long number = 0;
        bool digits = true;
        for (char16_t c : rest) {
            digits = digits && c >= u'0' && c <= u'9';
            number = number * 10 + (c - u'0');
        }
        if (digits)
            return EventParts { route, number, u"" };
    }
    return std::nullopt;
}

Text routeFor(long point)
{
    return point <= 15 ? u"a" : u"b";
}

Text endingFor(long point)
{
    return point >= 30 ? u"g" : u"b";
}

EventParts firstEvent()
{
    return { u"", 0, u"" };
}

EventParts afterRouteBranch(const EventParts& now, TextView route)
{
    return { Text(route), 1, now.ending };
}

EventParts afterEndingBranch(const EventParts& now, TextView ending)
{
    return { now.route, std::nullopt, Text(ending) };
}

EventParts afterTurn(const EventParts& now)
{
    return { now.route, now.number ? std::optional(*now.number + 1) : std::nullopt, now.ending };
}

} // namespace story
