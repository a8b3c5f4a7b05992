// Text as the game sees it: UTF-16 code units, one unit per character for everything that
// code page 932 can hold. Positions in the helpers below count from 1, as the game's rules do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using Text = std::u16string;
using TextView = std::u16string_view;

// 1-based position of the first occurrence of `needle` in `hay`, 0 when absent.
// An empty needle is found at position 1 of any text, as the classic InStr does.
int InStr(TextView hay, TextView needle);

// Characters from 1-based position `start` to the end (or `length` of them); never throws,
// a start past the end gives the empty text.
Text Mid(TextView s, int start);
Text Mid(TextView s, int start, int length);
Text Left(TextView s, int length);

// Upper case of the ASCII letters; other characters unchanged.
Text UCase(TextView s);

// Plain decimal digits, a minus sign for negative numbers.
Text Str(long long n);

// UTF-8, as Qt converts: half of a surrogate pair becomes "?"; a byte that starts no well-formed
// character becomes U+FFFD; a byte order mark at the start is dropped both ways.
std::string toUtf8(TextView s);
Text fromUtf8(std::string_view s);

// File names as the system holds them, bytes, and as text: UTF-8 where the bytes are UTF-8, and
// each byte that is not (a name made on Japanese Windows, in Shift-JIS) as the lone code unit
// U+DC00 + byte, so that every name comes back as the same bytes.
Text pathFromNative(std::string_view bytes);
std::string nativePath(TextView path);

} // namespace platform
