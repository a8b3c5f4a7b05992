// pelirra-convert: turns an author's folder of UTF-8 texts, pictures and music into a story
// folder the game plays, then checks it as pelirra-check does.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// A text file's bytes as the game reads them, or what stops it being one.
struct Text
{
    std::string bytes; // code page 932, each line ended by CR LF
    // "LINE:COLUMN: MESSAGE" for each character that cannot be written, and for bytes that are
    // not UTF-8 (once: the rest of the file is not read).
    std::vector<std::string> problems;
};

// A UTF-8 text (LF, CR LF or CR line ends, a byte-order mark or none) in code page 932 with
// CR LF after every line, the last one included. Columns count characters, from 1.
Text toStoryText(std::string_view utf8);

// The command: "pelirra-convert [--strict] [--quiet] SRC DEST". Writes DEST anew from SRC
// (DEST's kako.dat is kept), then checks it. Returns the exit status: that of pelirra-check on
// DEST, or 1 when SRC cannot be converted (DEST is then left as it was), 2 for bad usage.
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace convert
