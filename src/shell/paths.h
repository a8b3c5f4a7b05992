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

// A name read from a story file or from kako.dat names a file inside the data folder: one that
// starts at the root or climbs out with ".." is no file of the story's, and is not opened.
inline bool staysInDataFolder(const platform::Text& name)
{
    const auto separator = [](char16_t c) { return c == u'/' || c == u'\\'; };
    if (!name.empty() && separator(name.front()))
        return false;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || separator(name[i])) {
            if (name.compare(start, i - start, u"..") == 0)
                return false;
            start = i + 1;
        }
    }
    return true;
}

// A picture or script name as a file name of this system: a story written on Windows separates
// its folders with "\", which stands for "/" here (">img>pics\sea" shows dat/pics/sea.dat).
inline platform::Text storyFileName(platform::Text name)
{
    for (char16_t& c : name)
        if (c == u'\\' || c == u'/')
            c = platform::PathSeparator;
    return name;
}
