#pragma once

#include <cstdint>
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

// Decodes the base64 content of a body part, which arrives a line at a time.
// Encoders break lines anywhere (50, 73 characters...), so a group of four
// characters may be split over two lines: the characters of an unfinished
// group are carried into the next line. Characters outside the alphabet
// (blanks, stray bytes) are skipped, as RFC 2045 section 6.8 asks, so a
// damaged line costs the bytes it holds and never the message. A "=" pads
// the final group, so it ends the data (RFC 2045, section 6.8): whatever
// follows it in the part (a trailer line such as "*** end of data ***") is
// not decoded. Bits that make no whole byte are dropped there and at the end.
class TBase64Decoder {
public:
  // Appends the bytes of Text, a piece of the content, to Bytes.
  void Add(std::string_view Text, std::string& Bytes);

private:
  std::uint32_t FBits = 0;  // the values of the unfinished group
  int FCount = 0;           // characters in the unfinished group, 0 to 3
  bool FEnded = false;      // a "=" was read: the data is complete
};
