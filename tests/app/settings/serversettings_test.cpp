#include "app/settings/serversettings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/runtime/streams.h"

namespace fs = std::filesystem;

namespace {

TEST(SmtpSettings, RoundTripIsExactOwnerOnlyAndMissingOrGarbledMeansNone) {
  const fs::path Dir = fs::temp_directory_path() / ("corvalen-smtp-" + std::to_string(::getpid()));
  fs::create_directories(Dir);
  const std::string File = (Dir / settings::SmtpFileName).string();
  EXPECT_EQ(settings::LoadSmtpSettings(File), settings::TSmtpSettings{});

  std::ofstream(File) << "Security=None\r\n";
  fs::permissions(File, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  const settings::TSmtpSettings Saved{TSecurity::StartTls, 2587, "ann@example.test", " p=ss word ", "AB:CD:EF"};
  settings::SaveSmtpSettings(File, Saved);
  EXPECT_EQ(settings::LoadSmtpSettings(File), Saved);
  EXPECT_EQ(fs::status(File).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  // A password that could not be read back as one line is refused, and the file stays as it was.
  settings::TSmtpSettings Broken = Saved;
  Broken.Password = "two\nlines";
  EXPECT_THROW(settings::SaveSmtpSettings(File, Broken), EFCreateError);
  EXPECT_EQ(settings::LoadSmtpSettings(File), Saved);

  std::ofstream(File, std::ios::binary) << "\xEF\xBB\xBFSecurity=ssl/tls\r\nPort=70000\nUserName\n\x01\xFF=x\r"
                                           "Password=\r\nsecurity=SSL/TLS\r\nUserName=bob";
  EXPECT_EQ(settings::LoadSmtpSettings(File), (settings::TSmtpSettings{TSecurity::None, 0, "bob", "", ""}));
  EXPECT_THROW(settings::LoadSmtpSettings(Dir.string()), EFOpenError);  // there, but not a file
  fs::remove_all(Dir);
}

}  // namespace
