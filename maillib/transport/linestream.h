#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/streams.h"

// Message text in memory, read line by line. Lines end at CR LF, a lone CR or
// a lone LF. The text is split a chunk at a time, never all at once; a chunk
// ends after its last complete line, and a line longer than a chunk is read
// whole.
class TLineStream : public TMemoryStream {
public:
  // Returned by ReadLine once the text is used up: four bytes of value 255.
  static inline const std::string EofMarker = std::string(4, '\xFF');

  // Back to the first line.
  void Rewind();
  // The next line, or EofMarker at the end (and on every call after it).
  void ReadLine(std::string& Line);

  bool EndOfStream() const { return FEndOfStream; }

  // Bytes taken from the text per refill.
  std::uint16_t ChunkSize = 16384;

private:
  void Refill();

  std::vector<std::string_view> FLines;
  std::size_t FIndex = 0;
  bool FEndOfStream = false;
  bool FLastChunk = false;
};
