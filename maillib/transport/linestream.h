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
//
// The text may also come from another stream (SetSource): the memory then
// holds only a window of it, so a large message is never held twice.
class TLineStream : public TMemoryStream {
public:
  // Reads the text of Source, from its start, instead of the stream's own
  // bytes (nullptr: back to them). Source is not owned and must outlive the
  // reading; its position moves as the text is read.
  void SetSource(TStream* Source);
  // Bytes of the text not yet split into lines.
  std::uint64_t Remaining();

  // Returned by ReadLine once the text is used up: four bytes of value 255.
  static inline const std::string EofMarker = std::string(4, '\xFF');

  // Back to the first line.
  void Rewind();
  // The next line, or EofMarker at the end (and on every call after it).
  void ReadLine(std::string& Line);
  // The same without a copy: the view stays valid until the next ReadLine,
  // Rewind or change of the stream.
  std::string_view ReadLineView();

  bool EndOfStream() const { return FEndOfStream; }

  // Bytes taken from the text per refill.
  std::uint16_t ChunkSize = 16384;

private:
  void Refill();
  // With a source: when fewer than MinBytes are left unsplit, drops the bytes
  // already split and reads more of the source until MinBytes are held or the
  // source ends. Returns how many bytes were dropped from the front.
  std::size_t FillWindow(std::size_t MinBytes);

  std::vector<std::string_view> FLines;
  std::size_t FIndex = 0;
  bool FEndOfStream = false;
  bool FLastChunk = false;
  TStream* FSource = nullptr;
  bool FSourceEnded = false;
};
