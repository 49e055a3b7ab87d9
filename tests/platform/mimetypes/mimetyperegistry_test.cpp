#include "platform/mimetypes/mimetyperegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

// A table file in the temporary directory, removed again at the end.
class TableFile {
public:
  explicit TableFile(const std::string& Text)
      : FPath(std::filesystem::temp_directory_path() /
              ("corvalen-mimetypes-" + std::to_string(::getpid()) + "-" + std::to_string(++Count))) {
    std::ofstream(FPath, std::ios::binary) << Text;
  }
  ~TableFile() { std::filesystem::remove(FPath); }
  std::string Path() const { return FPath.string(); }

private:
  inline static int Count = 0;
  std::filesystem::path FPath;
};

}  // namespace

TEST(MimeTypeRegistry, ReadsTypesAndExtensionsFromTheTable) {
  TableFile Table(
      "# comment line: text/evil  txt\n"
      "\n"
      "text/plain\t\t\ttxt text\r\n"
      "image/jpeg  jpeg jpg  # trailing comment gif\n"
      "application/x-no-extensions\n"
      "   application/vnd.eln+zip\tELN .dot\n"
      "garbage words here\n"
      "/ slash\n"
      "application/x-csh csh\ntext/x-csh csh\n");
  TMimeTypeRegistry Registry(Table.Path());
  EXPECT_TRUE(Registry.FromFile());
  EXPECT_EQ(Registry.ContentTypeOf("txt"), "text/plain");
  EXPECT_EQ(Registry.ContentTypeOf("text"), "text/plain");  // the CR of a CRLF line is no part of it
  EXPECT_EQ(Registry.ContentTypeOf("jpg"), "image/jpeg");
  EXPECT_EQ(Registry.ContentTypeOf("eln"), "application/vnd.eln+zip");
  EXPECT_EQ(Registry.ContentTypeOf("dot"), "application/vnd.eln+zip");
  // The first line that lists an extension decides its type.
  EXPECT_EQ(Registry.ContentTypeOf("csh"), "application/x-csh");
  // Comments and lines that are no entries register nothing.
  for (const char* Word : {"gif", "comment", "words", "slash"}) EXPECT_EQ(Registry.ContentTypeOf(Word), "") << Word;
  EXPECT_EQ(Registry.Count(), 7u);
}

TEST(MimeTypeRegistry, LooksUpWithOrWithoutDotInAnyCase) {
  TableFile Table("image/gif gif\n");
  TMimeTypeRegistry Registry(Table.Path());
  EXPECT_EQ(Registry.ContentTypeOf(".gif"), "image/gif");
  EXPECT_EQ(Registry.ContentTypeOf(".GiF"), "image/gif");
  for (const char* Extension : {"gi", "giff", "", ".", ".."}) EXPECT_EQ(Registry.ContentTypeOf(Extension), "");
}

TEST(MimeTypeRegistry, WithoutAReadableTableTheBuiltInTypesStandIn) {
  const auto Missing = std::filesystem::temp_directory_path() / "corvalen-no-such-dir" / "mime.types";
  TableFile Empty("");
  TableFile OnlyComments("# nothing\n\n");
  for (const std::string& Path :
       {Missing.string(), Empty.Path(), OnlyComments.Path(), std::filesystem::temp_directory_path().string()}) {
    TMimeTypeRegistry Registry(Path);
    EXPECT_FALSE(Registry.FromFile()) << Path;
    EXPECT_EQ(Registry.ContentTypeOf("TXT"), "text/plain") << Path;
    EXPECT_EQ(Registry.ContentTypeOf("htm"), "text/html") << Path;
    EXPECT_EQ(Registry.ContentTypeOf("eml"), "message/rfc822") << Path;
    EXPECT_EQ(Registry.ContentTypeOf("jpg"), "image/jpeg") << Path;
    EXPECT_EQ(Registry.ContentTypeOf("qqq"), "") << Path;
  }
}

TEST(MimeTypeRegistry, ReadsTheSystemTable) {
  if (!std::filesystem::exists(TMimeTypeRegistry::SystemTablePath)) GTEST_SKIP() << "no system table";
  TMimeTypeRegistry Registry;
  EXPECT_TRUE(Registry.FromFile());
  EXPECT_GT(Registry.Count(), 500u);
  EXPECT_EQ(Registry.ContentTypeOf("html"), "text/html");
  EXPECT_EQ(Registry.ContentTypeOf("eml"), "message/rfc822");
  EXPECT_EQ(Registry.ContentTypeOf("PDF"), "application/pdf");
}

TEST(MimeTypeRegistry, TheSystemRegistryFollowsItsPath) {
  TableFile First("text/x-first corvalen-one\n");
  TableFile Second("text/x-second corvalen-one\n");
  SetMimeTypesPath(First.Path());
  EXPECT_EQ(RegisteredContentType(".corvalen-one"), "text/x-first");
  SetMimeTypesPath(Second.Path());
  EXPECT_EQ(RegisteredContentType(".CORVALEN-ONE"), "text/x-second");
  SetMimeTypesPath(TMimeTypeRegistry::SystemTablePath);
  EXPECT_EQ(RegisteredContentType(".corvalen-one"), "");
}
