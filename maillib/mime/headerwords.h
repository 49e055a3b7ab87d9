#pragma once

#include <string>
#include <string_view>

// Encoded words of header fields (RFC 2047).

// Returns Text (a header value) in UTF-8 with every encoded word
// "=?charset?B?text?=" or "=?charset?Q?text?=" replaced by its text,
// converted from the word's character set. Blanks between two adjacent
// encoded words are dropped, and adjacent words in one character set are
// converted together. Text that is not a well-formed encoded word ("=?"
// without its closing "?=", a B word that is not base64) and a word in an
// encoding other than B or Q are kept as they stand, and the other words are
// still decoded. Text outside the words, and
// the text of a word in an unknown character set, is undeclared text
// (UndeclaredTextToUTF8): raw 8-bit header text is never lost. Never raises.
std::string DecodeHeaderWords(const std::string& Text);

// Text of the same length in which every byte of each encoded word that
// DecodeHeaderWords would decode is replaced by "x". Address parsers look for
// their separators ("<", ">", "(", ",", '"') in it, so that a separator
// carried inside an encoded word never splits a field (RFC 2047, section 5).
std::string MaskEncodedWords(std::string_view Text);

// Wraps ISO-2022-JP text (which begins with ESC) into one base64 encoded word
// "=?ISO-2022-JP?B?...?="; any other text is returned unchanged.
std::string EncodeHeaderJIS(const std::string& Text);
