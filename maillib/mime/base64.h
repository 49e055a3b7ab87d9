#pragma once

#include <string>
#include <string_view>

// Base64 content transfer encoding (RFC 2045), one wire line at a time. The
// encoder writes 57 bytes per line, which give 76 characters. Each call lets
// the user interface process its pending events.

// The base64 text of Bytes, padded with "=" to a multiple of 4 characters.
std::string EncodeBase64Line(std::string_view Bytes);
// Appends the base64 text of Bytes to Text.
void EncodeBase64Line(std::string_view Bytes, std::string& Text);

// The bytes of one line of base64 text. Raises EMessageParserError
// "Invalid Character" for any character outside the alphabet and "="
// (blanks and line ends included). A final group of fewer than four
// characters gives the whole bytes its characters hold, as if it were padded.
std::string DecodeBase64Line(std::string_view Text);
// Appends the bytes of one line of base64 text to Bytes; on an error Bytes
// is left as it was.
void DecodeBase64Line(std::string_view Text, std::string& Bytes);
