#include "platform/runtime/streams.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(MemoryStream, WritesOverwriteAndExtendAtThePosition) {
  TMemoryStream S;
  S.WriteString("hello world");
  S.SetPosition(6);
  S.WriteString("there, you");
  EXPECT_EQ(S.View(), "hello there, you");
  S.SetPosition(0);
  char Buffer[5];
  EXPECT_EQ(S.Read(Buffer, 5), 5u);
  EXPECT_EQ(std::string(Buffer, 5), "hello");
  S.Seek(-3, TSeekOrigin::soEnd);
  EXPECT_EQ(S.Read(Buffer, 5), 3u);
  EXPECT_EQ(S.Read(Buffer, 5), 0u);
  EXPECT_EQ(S.Size(), 16);
}

TEST(FileStream, RoundTripsBytesIncludingZeros) {
  const auto Path = std::filesystem::temp_directory_path() / "corvalen-streams-test.bin";
  const std::string Data("a\0b\r\n\xff", 6);
  {
    TFileStream Out(Path.string(), TFileMode::fmCreate);
    Out.WriteString(Data);
  }
  TFileStream In(Path.string(), TFileMode::fmOpenRead);
  EXPECT_EQ(In.Size(), 6);
  std::string Back(6, ' ');
  EXPECT_EQ(In.Read(Back.data(), 10), 6u);
  EXPECT_EQ(Back, Data);
  std::filesystem::remove(Path);
}

TEST(FileStream, MissingDirectoryGivesACreateErrorNamingTheFile) {
  try {
    TFileStream S("/nonexistent-dir/x.txt", TFileMode::fmCreate);
    FAIL() << "no error";
  } catch (const EFCreateError& E) {
    EXPECT_NE(E.Message.find("Cannot create file \"/nonexistent-dir/x.txt\""), std::string::npos);
  }
  EXPECT_THROW(TFileStream("/nonexistent-dir/x.txt", TFileMode::fmOpenRead), EFOpenError);
}
