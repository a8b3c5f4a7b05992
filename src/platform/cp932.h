// Code page 932 (Japanese Shift-JIS as Windows writes it), both ways.
//
// Decoding never fails: a byte that is not valid code page 932 becomes the lone surrogate
// U+DC00 + byte, and encoding turns any such surrogate back into the same byte. A line read from
// a file and written back therefore keeps its bytes even when they are not valid Shift-JIS,
// and always reads back as the same text. The one change: characters that code page 932 holds
// twice (NEC-selected IBM extensions ED40-EEFC, IBM roman numerals ...) are written in the form
// Windows writes them (FA40-FC4B, 8754 ...).
#pragma once

#include "platform/text.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform::cp932 {

Text decode(std::string_view bytes);

// Characters that code page 932 cannot hold are written as "?".
std::string encode(TextView text);
// The same, and the position (in UTF-16 units) of each character that became "?" is added to
// `refused`.
std::string encode(TextView text, std::vector<size_t>& refused);

// True when every byte sequence of `bytes` is valid code page 932.
bool isValid(std::string_view bytes);

} // namespace platform::cp932
