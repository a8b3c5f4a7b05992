// The files of a story folder. Every file but the music is NAME.dat, whatever it holds, so event
// scripts, key files and pictures share one name space.
#pragma once

#include "platform/text.h"

namespace story {

using platform::Text;
using platform::TextView;

constexpr TextView DataExtension = u".dat";
// The background music, a standard MIDI file.
constexpr TextView MusicFile = u"bgm.mid";
// The choice captions of the crafting turns, one a line.
constexpr TextView CaptionsName = u"txt";
// The past-record list: the names of the events begun, one a line.
constexpr TextView RecordsName = u"kako";
// EVENT_han: the key file of the crafting turn after EVENT, three lines of feelings.
constexpr TextView KeySuffix = u"_han";
// The pictures the game itself asks for: as every event begins, and as a crafting turn begins.
constexpr TextView EventPicture = u"ive";
constexpr TextView TurnPicture = u"game";

// The file of a data name: NAME.dat.
inline Text dataFile(TextView name)
{
    return Text(name) + Text(DataExtension);
}

// The key file of the crafting turn after the event of `route` and `number`: "a2_han.dat".
inline Text keyFile(TextView route, long number)
{
    return dataFile(Text(route) + platform::Str(number) + Text(KeySuffix));
}

// True when NAME.dat is a data file of the game that is neither a script nor a picture: the
// captions, the past-record list or a key file.
inline bool isDataName(TextView name)
{
    return name == CaptionsName || name == RecordsName || name.ends_with(KeySuffix);
}

} // namespace story
