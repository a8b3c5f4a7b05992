// The list of past records apart from any widget: the events it leaves out, the folder that keeps
// it when the story folder cannot, and what a save writes when another copy of the game saved the
// list while this one ran.
#pragma once

#include "platform/text.h"

#include <vector>

namespace kako {

using platform::Text;
using platform::TextView;

// Events that are played but never listed among the past records.
bool isUnlisted(TextView name);

// The name of the folder, in the game's folder of the user's data, that keeps the list of the
// story folder whose real path is `storyFolder`. It is that path without its leading "/", each
// "/" written as "-", and "%", "-" and a leading "." written as "%25", "%2D" and "%2E":
// "/usr/share/games/pelirra/dat" gives "usr-share-games-pelirra-dat", so two story folders never
// share a list and the name stays the same from run to run. A name that would be longer than
// MaxFolderName bytes keeps its end, after a number computed from the whole path.
Text userFolderName(TextView storyFolder);
constexpr size_t MaxFolderName = 200;

// What a save writes when the list file changed since the game read it (another copy of the game
// saved it meanwhile, or it was taken away): the entries of the file as they are now, in their
// order, then the entries of `ours` that it does not hold, in our order. An entry that `ours`
// holds several times is added as often as the file holds it fewer times, so the entries the game
// read at start stay as they were (duplicates and empty lines included), a file taken away is
// written anew exactly as `ours`, and no save ever drops a record that another one wrote.
std::vector<Text> merged(std::vector<Text> inFile, const std::vector<Text>& ours);

// The entries of `other` (a list kept for the same story in another place) that `held` lacks, in
// their order, each once.
std::vector<Text> missingFrom(const std::vector<Text>& held, const std::vector<Text>& other);

} // namespace kako
