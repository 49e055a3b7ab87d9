#pragma once

#include <string>

// Encoded words of header fields (RFC 2047).

// Returns Text (a header value) in UTF-8 with every encoded word
// "=?charset?B?text?=" or "=?charset?Q?text?=" replaced by its text,
// converted from the word's character set; a word in an unknown character set
// keeps its decoded bytes. Blanks between two adjacent encoded words are
// dropped, and adjacent words in one character set are converted together.
// Text that is not a well-formed encoded word ("=?" without its closing
// "?=", say) is kept as it stands. Raises EMessageParserError
// "Invalid Character" when a B word holds a character outside the base64
// alphabet.
std::string DecodeHeaderWords(const std::string& Text);

// Wraps ISO-2022-JP text (which begins with ESC) into one base64 encoded word
// "=?ISO-2022-JP?B?...?="; any other text is returned unchanged.
std::string EncodeHeaderJIS(const std::string& Text);
