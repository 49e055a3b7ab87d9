#include "maillib/transport/tempfilestream.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(TempFileStream, OwnFileInTheTempDirectoryRemovedWithTheStream) {
  std::string Name;
  std::string OtherName;
  {
    TTempFileStream S;
    TTempFileStream Other;
    Name = S.FileName();
    OtherName = Other.FileName();
    EXPECT_NE(Name, OtherName);
    const fs::path Path(Name);
    EXPECT_EQ(Path.parent_path(), fs::temp_directory_path());
    EXPECT_EQ(Path.filename().string().substr(0, 2), "nb");
    ASSERT_TRUE(fs::exists(Path));

    S.WriteString("line one\r\nline two\r\n");
    S.SetPosition(0);
    std::string Back(20, ' ');
    EXPECT_EQ(S.Read(Back.data(), Back.size()), 20u);
    EXPECT_EQ(Back, "line one\r\nline two\r\n");
    EXPECT_EQ(fs::file_size(Path), 20u);
  }
  EXPECT_FALSE(fs::exists(Name));
  EXPECT_FALSE(fs::exists(OtherName));
}

TEST(TempFileStream, AlreadyDeletedFileIsNoError) {
  auto* S = new TTempFileStream;
  fs::remove(S->FileName());
  EXPECT_NO_THROW(delete S);
}

TEST(TempFileStream, UnwritableTempDirectoryGivesACreateError) {
  const char* Old = std::getenv("TMPDIR");
  const std::string Saved = Old ? Old : "";
  setenv("TMPDIR", "/proc", 1);  // a directory where no file can be made, even by root
  EXPECT_THROW(TTempFileStream(), EFCreateError);
  if (Old) setenv("TMPDIR", Saved.c_str(), 1);
  else unsetenv("TMPDIR");
}
