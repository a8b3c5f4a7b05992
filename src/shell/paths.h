// Where the program finds its folder and its story.
#pragma once

#include "platform/files/files.h"

#include <functional>

// The program's folder as the game keeps it: always ending in the path separator, which a
// folder reported with its separator already (a drive or file-system root) is not given twice.
inline platform::Text programFolderWithSeparator(const platform::Text& folder)
{
    if (!folder.empty() && folder.back() == platform::PathSeparator)
        return folder;
    return folder + platform::PathSeparator;
}

// The folder that holds `folder` (given with its separator at the end), with its separator:
// "/usr/games/" gives "/usr/"; the root stays the root.
inline platform::Text folderAbove(const platform::Text& folder)
{
    platform::Text above = folder;
    while (above.size() > 1 && above.back() == platform::PathSeparator)
        above.pop_back();
    const auto at = above.find_last_of(platform::PathSeparator);
    return at == platform::Text::npos ? platform::Text() : above.substr(0, at + 1);
}

// Where an installed game keeps its story: share/games/pelirra/dat beside the program's folder,
// so that the installed tree works wherever it is put.
inline platform::Text installedStoryFolder(const platform::Text& appPath)
{
    return folderAbove(appPath) + u"share" + platform::PathSeparator + u"games"
        + platform::PathSeparator + u"pelirra" + platform::PathSeparator + u"dat"
        + platform::PathSeparator;
}

// The story folder the game plays, with its separator: the folder the player named; else dat
// beside the program when there is one (a portable copy); else the installed story when there is
// one; else dat beside the program, which then reports what it is missing.
inline platform::Text storyFolder(const platform::Text& appPath, const platform::Text& chosen,
    const std::function<bool(const platform::Text&)>& isFolder)
{
    if (!chosen.empty())
        return programFolderWithSeparator(chosen);
    const platform::Text beside = appPath + u"dat" + platform::PathSeparator;
    if (isFolder(beside))
        return beside;
    const platform::Text installed = installedStoryFolder(appPath);
    return isFolder(installed) ? installed : beside;
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
