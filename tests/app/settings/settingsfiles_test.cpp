#include "app/settings/settingsfiles.h"
#include "platform/runtime/streams.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

fs::path TempFile(const char* Name) { return fs::temp_directory_path() / (std::string("corvalen-") + Name); }

TEST(SettingsFiles, EveryLineEndsInCrLfAndReadsBackExactly) {
  const fs::path Path = TempFile("config-test.ini");
  const TStringList Lines = {"Ann Smith", "", "ann@example.test", " ", "LEAVE"};
  settings::SaveLines(Path.string(), Lines);
  EXPECT_EQ(ReadFile(Path), "Ann Smith\r\n\r\nann@example.test\r\n \r\nLEAVE\r\n");
  EXPECT_EQ(settings::LoadLines(Path.string()), Lines);
  EXPECT_FALSE(fs::exists(Path.string() + ".new"));
  fs::remove(Path);
}

TEST(SettingsFiles, AWriteThatFailsHalfWayLeavesTheOldFileWhole) {
  const fs::path Path = TempFile("config-full.ini");
  settings::SaveLines(Path.string(), {"old"});
  // A file size limit makes the write stop after a few bytes, as a full disk would.
  rlimit Old{};
  ::getrlimit(RLIMIT_FSIZE, &Old);
  const rlimit Small{16, Old.rlim_max};
  const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &Small);
  EXPECT_THROW(settings::SaveLines(Path.string(), TStringList(11, "a line longer than the limit")), EFCreateError);
  ::setrlimit(RLIMIT_FSIZE, &Old);
  std::signal(SIGXFSZ, OldHandler);
  EXPECT_EQ(ReadFile(Path), "old\r\n");
  EXPECT_FALSE(fs::exists(Path.string() + ".new"));
  fs::remove(Path);
}

TEST(SettingsFiles, LoadAcceptsBareLineFeedsAndAMissingLastLineEnd) {
  const fs::path Path = TempFile("banner-test.ban");
  std::ofstream(Path, std::ios::binary) << "one\ntwo\r\n\r\nthree";
  EXPECT_EQ(settings::LoadLines(Path.string()), (TStringList{"one", "two", "", "three"}));
  fs::remove(Path);
}

TEST(SettingsFiles, MissingFileIsAFileError) {
  EXPECT_THROW(settings::LoadLines("/nonexistent-corvalen/Config.ini"), EFOpenError);
}

TEST(SettingsFiles, AFolderIsAFileErrorNamingItsDirectoryAndAByteOrderMarkIsNoText) {
  const fs::path Dir = TempFile("settings-dir"), Old = fs::current_path();
  fs::create_directories(Dir / "Config.ini");
  std::ofstream(Dir / "BANNER.BAN", std::ios::binary) << "\xEF\xBB\xBFThank you\r\n";
  fs::current_path(Dir);
  EXPECT_EQ(settings::LoadLines("BANNER.BAN"), TStringList{"Thank you"});
  try {
    settings::LoadLines("Config.ini");
    ADD_FAILURE() << "a folder was read";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message, "Cannot open file \"" + (Dir / "Config.ini").string() + "\". Is a directory");
  }
  fs::current_path(Old);
  fs::remove_all(Dir);
}

TEST(SettingsFiles, DefaultConfigHasElevenLinesOfKnownWords) {
  const TStringList Config = settings::DefaultConfig("/home/ann");
  ASSERT_EQ(Config.size(), std::size_t(settings::ConfigLineCount));
  EXPECT_EQ(Config[settings::clDialUpEntry], " ");
  EXPECT_EQ(Config[settings::clAutoReceipt], settings::Reply);
  EXPECT_EQ(Config[settings::clServerCopy], settings::Delete);
  EXPECT_EQ(Config[settings::clConnectionType], settings::LocalNetwork);
  EXPECT_EQ(Config[settings::clAttachmentDir], "/home/ann");
  EXPECT_EQ(Config[settings::clReturnReceipt], settings::NoReturn);
  EXPECT_EQ(Config[settings::clPriority], "NORMAL");
}

TEST(SettingsFiles, ReadingPastTheEndIsAListIndexError) {
  const TStringList Short = {"a", "b"};
  EXPECT_EQ(StringAt(Short, 1), "b");
  try {
    StringAt(Short, 7);
    FAIL();
  } catch (const EStringListError& E) {
    EXPECT_EQ(E.Message, "List index out of bounds (7)");
  }
}

}  // namespace
