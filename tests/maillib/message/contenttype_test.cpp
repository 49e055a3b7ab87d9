#include "maillib/message/contenttype.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/mimetypes/mimetyperegistry.h"

namespace {

// Points the system registry at a table of the test's own, and back at the
// system table afterwards.
class ContentTypeForFileTest : public ::testing::Test {
protected:
  void UseTable(const std::string& Text) {
    FTable = std::filesystem::temp_directory_path() /
             ("corvalen-contenttype-" + std::to_string(::getpid()) + "-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::ofstream(FTable, std::ios::binary) << Text;
    SetMimeTypesPath(FTable.string());
  }
  void TearDown() override {
    SetMimeTypesPath(TMimeTypeRegistry::SystemTablePath);
    if (!FTable.empty()) std::filesystem::remove(FTable);
  }

private:
  std::filesystem::path FTable;
};

}  // namespace

TEST_F(ContentTypeForFileTest, UsesTheRegisteredTypeOfTheExtension) {
  UseTable("text/plain txt\nimage/gif gif\nmessage/rfc822 eml\napplication/x-tar tar\n");
  EXPECT_EQ(ContentTypeForFile("notes.txt"), "text/plain");
  EXPECT_EQ(ContentTypeForFile("/home/u/My Pictures/Logo.GIF"), "image/gif");
  EXPECT_EQ(ContentTypeForFile("mail.EmL"), "message/rfc822");
  EXPECT_EQ(ContentTypeForFile("archive.tar.gz"), "application/octet-stream");
  EXPECT_EQ(ContentTypeForFile("archive.gz.tar"), "application/x-tar");
  EXPECT_EQ(ContentTypeForFile(".txt"), "text/plain");
}

TEST_F(ContentTypeForFileTest, NamesWithoutARegisteredExtensionGetTheDefault) {
  UseTable("text/plain txt\n");
  for (const char* Name : {"README", "data.qqq", "trailing.", "", ".", "/"})
    EXPECT_EQ(ContentTypeForFile(Name), DefaultContentType) << Name;
  // A dot in a directory name is no extension of the file.
  EXPECT_EQ(ContentTypeForFile("/tmp/dir.txt/README"), DefaultContentType);
  EXPECT_EQ(ContentTypeForFile(std::string(1 << 20, '.')), DefaultContentType);
}

TEST_F(ContentTypeForFileTest, TheSystemTableKnowsTheTypesMailCaresAbout) {
  if (!std::filesystem::exists(TMimeTypeRegistry::SystemTablePath)) GTEST_SKIP() << "no system table";
  EXPECT_EQ(ContentTypeForFile("a.TXT"), "text/plain");
  EXPECT_EQ(ContentTypeForFile("page.html"), "text/html");
  EXPECT_EQ(ContentTypeForFile("fwd.eml"), "message/rfc822");
  EXPECT_EQ(ContentTypeForFile("x.unregistered-extension"), DefaultContentType);
}
