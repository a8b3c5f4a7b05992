#include "records/kako_rules.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace kako {

bool isUnlisted(TextView name)
{
    return name == u"4" || name == u"b3" || name == u"a3";
}

Text userFolderName(TextView storyFolder)
{
    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    const auto escaped = [](char16_t c) { return Text { u'%', hex[c >> 4], hex[c & 0xF] }; };
    TextView path = storyFolder;
    while (!path.empty() && path.front() == u'/')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == u'/')
        path.remove_suffix(1);
    if (path.empty())
        return u"-"; // the root folder
    Text name;
    for (size_t i = 0; i < path.size(); ++i) {
        const char16_t c = path[i];
        if (c == u'/')
            name += u'-';
        else if (c == u'%' || c == u'-' || (c == u'.' && i == 0))
            name += escaped(c);
        else
            name += c;
    }
    if (platform::toUtf8(name).size() <= MaxFolderName)
        return name;

    // Too long for a folder's name: a number from the whole path (64-bit FNV-1a of its UTF-8),
    // then as much of the end as fits, not cut inside a character.
    std::uint64_t h = 14695981039346656037ULL;
    for (const unsigned char b : platform::toUtf8(storyFolder)) {
        h ^= b;
        h *= 1099511628211ULL;
    }
    Text out;
    for (int shift = 60; shift >= 0; shift -= 4)
        out += hex[(h >> shift) & 0xF];
    out += u'-';
    size_t start = name.size();
    size_t bytes = out.size();
    while (start > 0) {
        size_t take = 1;
        if (start >= 2 && name[start - 1] >= 0xDC00 && name[start - 1] <= 0xDFFF
            && name[start - 2] >= 0xD800 && name[start - 2] <= 0xDBFF)
            take = 2; // a character outside the basic plane: four bytes
        const char16_t c = name[start - take];
        const size_t size = take == 2 ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + size > MaxFolderName)
            break;
        bytes += size;
        start -= take;
    }
    return out + name.substr(start);
}

std::vector<Text> merged(std::vector<Text> inFile, const std::vector<Text>& ours)
{
    std::unordered_map<Text, size_t> unmatched; // entries of the file no entry of ours stood for
    for (const Text& entry : inFile)
        ++unmatched[entry];
    for (const Text& entry : ours) {
        size_t& left = unmatched[entry];
        if (left > 0)
            --left;
        else
            inFile.push_back(entry);
    }
    return inFile;
}

std::vector<Text> missingFrom(const std::vector<Text>& held, const std::vector<Text>& other)
{
    std::unordered_set<Text> seen(held.begin(), held.end());
    std::vector<Text> missing;
    for (const Text& entry : other) {
        if (seen.insert(entry).second)
            missing.push_back(entry);
    }
    return missing;
}

} // namespace kako
