#include "maillib/transport/linestream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadAll(TLineStream& S) {
  std::vector<std::string> Lines;
  S.Rewind();
  std::string Line;
  for (S.ReadLine(Line); Line != TLineStream::EofMarker; S.ReadLine(Line)) Lines.push_back(Line);
  return Lines;
}

std::vector<std::string> ReadAll(const std::string& Text, std::uint16_t ChunkSize) {
  TLineStream S;
  S.ChunkSize = ChunkSize;
  S.WriteString(Text);
  return ReadAll(S);
}

TEST(LineStream, SplitsAtCrLfLoneCrAndLoneLf) {
  EXPECT_EQ(ReadAll("a\r\nb\rc\nd", 16384), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(ReadAll("a\r\n\r\nb\r\n", 16384), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(ReadAll("", 16384), std::vector<std::string>{});
  EXPECT_EQ(ReadAll("\r\n", 16384), std::vector<std::string>{""});
}

TEST(LineStream, ZeroBytesAreKeptAsData) {
  EXPECT_EQ(ReadAll(std::string("a\0b\r\nc", 6), 16384),
            (std::vector<std::string>{std::string("a\0b", 3), "c"}));
}

TEST(LineStream, EofMarkerRepeatsAfterTheLastLine) {
  TLineStream S;
  S.WriteString("only line, no line end");
  S.Rewind();
  std::string Line;
  S.ReadLine(Line);
  EXPECT_EQ(Line, "only line, no line end");
  EXPECT_FALSE(S.EndOfStream());
  S.ReadLine(Line);
  EXPECT_EQ(Line, TLineStream::EofMarker);
  EXPECT_TRUE(S.EndOfStream());
  S.ReadLine(Line);
  EXPECT_EQ(Line, TLineStream::EofMarker);
  EXPECT_EQ(TLineStream::EofMarker, "\xFF\xFF\xFF\xFF");
}

// Whatever the chunk size, the lines are those of one split of the whole text:
// nothing is returned twice, split at a chunk border or lost.
TEST(LineStream, ChunkBordersNeverSplitOrRepeatLines) {
  std::mt19937 Random(1998);
  const char* Pieces[] = {"\r\n", "\n", "\r", "x", "yy", "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz", "."};
  for (int Round = 0; Round < 200; ++Round) {
    std::string Text;
    const int Count = static_cast<int>(Random() % 60);
    for (int I = 0; I < Count; ++I) Text += Pieces[Random() % 7];
    const auto Expected = ReadAll(Text, 65535);
    for (std::uint16_t Chunk : {1, 2, 3, 5, 8, 16, 40}) {
      ASSERT_EQ(ReadAll(Text, Chunk), Expected) << "chunk " << Chunk << " text " << ::testing::PrintToString(Text);
    }
  }
}

TEST(LineStream, LineLongerThanAChunkIsReadWhole) {
  const std::string Long(100000, 'q');
  EXPECT_EQ(ReadAll("first\r\n" + Long + "\r\nlast\r\n", 16384),
            (std::vector<std::string>{"first", Long, "last"}));
  EXPECT_EQ(ReadAll(Long, 16384), std::vector<std::string>{Long});
}

TEST(LineStream, FullChunkEndingExactlyAtTheTextEnd) {
  std::string Text;
  for (int I = 0; I < 4; ++I) Text += "abc\r\n";  // 20 bytes
  EXPECT_EQ(ReadAll(Text, 20), std::vector<std::string>(4, "abc"));
  EXPECT_EQ(ReadAll(Text, 10), std::vector<std::string>(4, "abc"));
}

TEST(LineStream, RewindStartsOver) {
  TLineStream S;
  S.ChunkSize = 4;
  S.WriteString("one\ntwo\nthree\n");
  EXPECT_EQ(ReadAll(S), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(ReadAll(S), (std::vector<std::string>{"one", "two", "three"}));
}

// A stream that hands out at most Step bytes per read, as a slow file or
// pipe might, so that window borders fall everywhere.
class TTrickleStream : public TMemoryStream {
public:
  explicit TTrickleStream(std::size_t AStep) : Step(AStep) {}
  std::size_t Read(void* Buffer, std::size_t Count) override {
    return TMemoryStream::Read(Buffer, std::min(Count, Step));
  }
  std::size_t Step;
};

std::vector<std::string> ReadAllFromSource(const std::string& Text, std::uint16_t ChunkSize,
                                           std::size_t Step) {
  TTrickleStream Source(Step);
  Source.WriteString(Text);
  TLineStream S;
  S.ChunkSize = ChunkSize;
  S.SetSource(&Source);
  return ReadAll(S);
}

TEST(LineStream, SourceGivesTheSameLinesAsMemory) {
  std::mt19937 Random(2026);
  const char* Pieces[] = {"\r\n", "\n", "\r", "x", "yy", "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz", "."};
  for (int Round = 0; Round < 200; ++Round) {
    std::string Text;
    const int Count = static_cast<int>(Random() % 80);
    for (int I = 0; I < Count; ++I) Text += Pieces[Random() % 7];
    const auto Expected = ReadAll(Text, 65535);
    for (std::uint16_t Chunk : {1, 3, 8, 40})
      for (std::size_t Step : {1, 2, 5, 64})
        ASSERT_EQ(ReadAllFromSource(Text, Chunk, Step), Expected)
            << "chunk " << Chunk << " step " << Step << " text " << ::testing::PrintToString(Text);
  }
  const std::string Long(100000, 'q');
  EXPECT_EQ(ReadAllFromSource("a\r\n" + Long + "\r\nb", 16384, 1000),
            (std::vector<std::string>{"a", Long, "b"}));
}

TEST(LineStream, SourceIsHeldAWindowAtATimeAndRereadOnRewind) {
  std::string Text;
  for (int I = 0; I < 40000; ++I) Text += "line " + std::to_string(I) + "\r\n";
  TMemoryStream Source;
  Source.WriteString(Text);
  TLineStream S;
  S.SetSource(&Source);
  EXPECT_EQ(S.Remaining(), Text.size());

  std::string Line;
  std::size_t Lines = 0;
  std::int64_t Largest = 0;
  for (S.ReadLine(Line); !S.EndOfStream(); S.ReadLine(Line)) {
    ASSERT_EQ(Line, "line " + std::to_string(Lines));
    ++Lines;
    Largest = std::max(Largest, S.Size());
  }
  EXPECT_EQ(Lines, 40000u);
  EXPECT_EQ(S.Remaining(), 0u);
  // The text is over 400 KiB; the window never holds more than a read and a chunk.
  EXPECT_LT(Largest, 65536 + 16384);

  S.Rewind();
  S.ReadLine(Line);
  EXPECT_EQ(Line, "line 0");
}

}  // namespace
