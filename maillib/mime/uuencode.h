#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Uuencoding: "begin" lines, data lines of at most 45 bytes and the end
// lines. Value 0 is written as the backquote, values 1 to 63 as the
// characters "!" to "_". The line functions let the user interface process
// its pending events once per call.

// The most bytes one uuencoded line carries.
inline constexpr std::size_t UULineBytes = 45;

// One uuencoded line: the length character, then the data characters with
// no fill (60 for 45 bytes, 59 for 44). Zero bytes give a single backquote.
// More than 63 bytes cannot be written in one line (std::length_error).
std::string EncodeUULine(std::string_view Bytes);

// The bytes of one uuencoded line: as many as its length character says.
// Characters missing at the end of the line (trailing blanks cut off on the
// way) count as zero values. Raises EMessageParserError "Invalid Character".
std::string DecodeUULine(std::string_view Text);
// Appends the bytes of one uuencoded line to Bytes; on an error Bytes is
// left as it was.
void DecodeUULine(std::string_view Text, std::string& Bytes);

// The value of one uuencode character: a space and the backquote are 0, "!"
// to "_" are 1 to 63; any other character raises EMessageParserError
// "Invalid Character".
int DecodeUUChar(char C);

// True when Line starts a uuencoded block: "begin" in any case, then a file
// mode of three digits, in a line of more than 8 characters.
bool IsUUBeginLine(std::string_view Line);

// True when Line is a well-formed uuencoded data line: every character in
// the alphabet and as many data characters as its length character asks
// for (with or without fill, and room for a check character). Text that
// follows a line looking like a begin line ("Begin 2024 with...") fails it.
bool IsUUDataLine(std::string_view Line);

// The file name on a begin line: a name in double quotes (empty when the
// closing quote is missing), or the text up to the first blank.
std::string UUFileName(std::string_view Line);
