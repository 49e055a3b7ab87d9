#include "linestream.h"

#include <algorithm>
#include <cstring>

void TLineStream::Rewind() {
  FLines.clear();
  FIndex = 0;
  FEndOfStream = false;
  FLastChunk = false;
  SetPosition(0);
}

void TLineStream::ReadLine(std::string& Line) {
  while (FIndex >= FLines.size() && !FLastChunk) Refill();
  if (FIndex < FLines.size()) {
    Line.assign(FLines[FIndex++]);
    return;
  }
  Line = EofMarker;
  FEndOfStream = true;
}

void TLineStream::Refill() {
  const std::string_view Data = View();
  const std::size_t Start = std::min<std::size_t>(static_cast<std::size_t>(Position()), Data.size());
  const std::size_t Chunk = std::max<std::size_t>(ChunkSize, 1);
  std::size_t End = std::min(Start + Chunk, Data.size());
  FLastChunk = End - Start < Chunk;
  if (!FLastChunk) {
    // Hold back the incomplete line at the end of the chunk for the next refill.
    const std::size_t Lf = Data.rfind('\n', End - 1);
    if (Lf != std::string_view::npos && Lf > Start) {
      End = Lf + 1;
    } else {
      // No line starts inside the chunk: take the long line whole.
      const std::size_t Next = Data.find('\n', End);
      End = Next == std::string_view::npos ? Data.size() : Next + 1;
      FLastChunk = End == Data.size();
    }
  }
  SetPosition(static_cast<std::int64_t>(End));

  FLines.clear();
  FIndex = 0;
  const char* P = Data.data() + Start;
  const char* const E = Data.data() + End;
  const char* Lf = nullptr;  // the next line feed at or after P, or E
  while (P < E) {
    if (!Lf || Lf < P) {
      const void* Found = std::memchr(P, '\n', static_cast<std::size_t>(E - P));
      Lf = Found ? static_cast<const char*>(Found) : E;
    }
    const auto* Cr = static_cast<const char*>(std::memchr(P, '\r', static_cast<std::size_t>(Lf - P)));
    if (!Cr) {
      FLines.emplace_back(P, static_cast<std::size_t>(Lf - P));
      P = Lf == E ? E : Lf + 1;
    } else {
      FLines.emplace_back(P, static_cast<std::size_t>(Cr - P));
      P = Cr + 1 == Lf && Lf < E ? Lf + 1 : Cr + 1;
    }
  }
}
