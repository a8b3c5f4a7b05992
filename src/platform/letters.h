// Unicode's letter and number classes, as the toolkit knows them.
#pragma once

namespace platform {

// True for a letter or a digit of any script (a UTF-16 unit; half of a surrogate pair is none).
bool isLetterOrNumber(char16_t c);

} // namespace platform
