#pragma once

#include <string>
#include <string_view>

// Conversion between the character sets that mail declares and UTF-8, the
// text encoding of the rest of the system. Character set names are compared
// without regard to case and may be any name glibc's iconv knows
// ("ISO-8859-1", "utf-8", "windows-1252", "ISO-2022-JP", ...). Names holding
// characters other than letters, digits and "-_.:+" are unknown, so a name
// taken from a message can never pass options such as "//IGNORE" to iconv.
// Labels in common use that iconv spells differently (ks_c_5601-1987,
// iso-8859-8-i, x-gbk, x-sjis...) are read as the character set they mean.
//
// Bytes that are not valid in their character set never stop a conversion:
// each byte that cannot be read becomes U+FFFD (the replacement character),
// and the conversion goes on with the next byte.

// True when CharSet names a character set that can be converted into UTF-8.
bool IsKnownCharSet(std::string_view CharSet);

// Converts Bytes written in CharSet into UTF-8 and stores them in Text.
// Returns true when the character set is known; otherwise Text receives Bytes
// unchanged and the result is false. "US-ASCII" is read as UTF-8, since mail
// labelled as ASCII that holds 8-bit bytes is nearly always UTF-8.
bool CharSetToUTF8(std::string_view Bytes, std::string_view CharSet, std::string& Text);

// The same, returning the text (Bytes unchanged for an unknown character set).
std::string CharSetToUTF8(std::string_view Bytes, std::string_view CharSet);

// The length of the valid UTF-8 sequence at the start of Text (1 for an
// ASCII byte), or 0 when Text is empty or does not start with one.
std::size_t UTF8SequenceLength(std::string_view Text);

// True when Text is valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUTF8(std::string_view Text);

// Text as valid UTF-8: each byte that does not belong to a valid UTF-8
// sequence (overlong forms and surrogates included) becomes U+FFFD.
std::string ValidUTF8(std::string_view Text);

// Converts UTF-8 Text into ISO-8859-1 when every character fits (is below
// U+0100) and the text is valid UTF-8; returns false and leaves Bytes
// unchanged otherwise.
bool UTF8ToLatin1(std::string_view Text, std::string& Bytes);

// Text whose character set nobody declared (raw 8-bit header text from old
// clients, an encoded word in an unknown character set): kept as it is when
// it is valid UTF-8, else read as windows-1252, the superset of Latin-1 that
// such clients wrote. Its five unassigned bytes become the C1 controls of
// the same value, so no byte is ever lost.
std::string UndeclaredTextToUTF8(std::string_view Bytes);
