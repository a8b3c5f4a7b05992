// Where the program finds its folder.
#pragma once

#include "platform/files.h"

// The program's folder as the game keeps it: always ending in the path separator, which a
// folder reported with its separator already (a drive or file-system root) is not given twice.
inline platform::Text programFolderWithSeparator(const platform::Text& folder)
{
    if (!folder.empty() && folder.back() == platform::PathSeparator)
        return folder;
    return folder + platform::PathSeparator;
}
