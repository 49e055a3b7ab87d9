#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/stringlist.h"
#include "platform/runtime/streams.h"

// Quoted-printable content transfer encoding (RFC 2045) between a byte stream
// and a list of text lines, paragraph by paragraph. A paragraph is the text
// between two line breaks; it may be of any length: long paragraphs are
// written as several lines joined by soft line breaks and read back whole.
class TQuotedPrintable {
public:
  // Pieces of a paragraph are at most this many characters before escaping.
  static constexpr std::size_t MaxPieceLength = 65;

  // Binds the object to Stream and Lines; it owns neither.
  TQuotedPrintable(TStream& Stream, TStringList& Lines) : FStream(Stream), FLines(Lines) {}

  // Reads the stream from position 0 and appends its quoted-printable lines
  // to the list. CR LF, LF CR, a lone CR and a lone LF each end a paragraph;
  // the end of the stream ends the last one. Every byte below 32, "=" and
  // every byte of 128 or more is written as "=" and two hexadecimal digits.
  // An empty stream gives one empty line.
  void Encode();

  // Decodes every line of the list and writes the bytes to the stream at its
  // current position. A line ending in "=" continues with the next line;
  // every other line ends with CR LF, unless its last character is a
  // Ctrl-Z (an old end-of-file mark). "=" not followed by hexadecimal digits
  // is kept as it is.
  void Decode();

private:
  TStream& FStream;
  TStringList& FLines;
};

// Appends the bytes of one quoted-printable line to Out, followed by CR LF
// unless the line ends in "=" (a soft line break) or in a Ctrl-Z: the rule
// of TQuotedPrintable::Decode for a single line. Returns whether the line
// ended in a hard line break.
bool DecodeQPLine(std::string_view Line, std::string& Out);

// Decodes Text as one quoted-printable line and returns its first line of
// text (the bytes up to the first CR or LF); used for "Q" header words.
std::string DecodeQPText(std::string_view Text);
