#include "linestream.h"

#include <algorithm>

#include "platform/runtime/bytescan.h"

void TLineStream::SetSource(TStream* Source) {
  FSource = Source;
  Rewind();
}

std::uint64_t TLineStream::Remaining() {
  std::uint64_t Left = static_cast<std::uint64_t>(Size() - Position());
  if (FSource) Left += static_cast<std::uint64_t>(FSource->Size() - FSource->Position());
  return Left;
}

std::size_t TLineStream::FillWindow(std::size_t MinBytes) {
  if (FSourceEnded || static_cast<std::size_t>(Size() - Position()) >= MinBytes) return 0;
  const std::size_t Dropped = static_cast<std::size_t>(Position());
  const std::string Rest(View().substr(Dropped));
  Clear();
  WriteString(Rest);
  char Buffer[65536];
  while (static_cast<std::size_t>(Size()) < MinBytes) {
    const std::size_t N = FSource->Read(Buffer, sizeof Buffer);
    if (N == 0) {
      FSourceEnded = true;
      break;
    }
    Write(Buffer, N);
  }
  SetPosition(0);
  return Dropped;
}

void TLineStream::Rewind() {
  if (FSource) {
    Clear();
    FSource->SetPosition(0);
    FSourceEnded = false;
  }
  FLines.clear();
  FIndex = 0;
  FEndOfStream = false;
  FLastChunk = false;
  SetPosition(0);
}

std::string_view TLineStream::ReadLineView() {
  while (FIndex >= FLines.size() && !FLastChunk) Refill();
  if (FIndex < FLines.size()) return FLines[FIndex++];
  FEndOfStream = true;
  return EofMarker;
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
  if (FSource) FillWindow(std::max<std::size_t>(ChunkSize, 1));
  std::string_view Data = View();
  std::size_t Start = std::min<std::size_t>(static_cast<std::size_t>(Position()), Data.size());
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
      std::size_t Next = Data.find('\n', End);
      while (Next == std::string_view::npos && FSource && !FSourceEnded) {
        const std::size_t Dropped = FillWindow(Data.size() * 2);
        Start -= Dropped;
        End -= Dropped;
        Data = View();
        Next = Data.find('\n', End);
      }
      End = Next == std::string_view::npos ? Data.size() : Next + 1;
      FLastChunk = End == Data.size() && (!FSource || FSourceEnded);
    }
  }
  SetPosition(static_cast<std::int64_t>(End));

  FLines.clear();
  FIndex = 0;
  const char* P = Data.data() + Start;
  const char* const E = Data.data() + End;
  while (P < E) {
    const char* Q = bytescan::FindLineBreak(P, E);
    FLines.emplace_back(P, static_cast<std::size_t>(Q - P));
    if (Q == E) break;
    P = (*Q == '\r' && Q + 1 < E && Q[1] == '\n') ? Q + 2 : Q + 1;
  }
}
