#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "maillib/message/nbmsg.h"
#include "msgtesthelpers.h"

namespace {

// A received message whose attachments carry the given names and bytes.
class TReceived {
public:
  int Add(const std::string& FileName, const std::string& Bytes) {
    auto* Item = Message.Attachments().AddItem(std::make_unique<TnbAttItem>());
    Item->SetFileName(FileName);
    Item->Data.WriteString(Bytes);
    return Message.Attachments().Count() - 1;
  }
  TnbMessage Message;
};

}  // namespace

TEST(SaveAttachment, WritesTheBytesUnderTheNamePartWithOrWithoutATrailingSlash) {
  TTempDir Dir;
  TReceived R;
  const std::string Binary("\0\x01\xFF\r\n.\r\n", 8);
  const int A = R.Add("report.pdf", Binary);
  const int B = R.Add("C:\\Users\\x\\notes.txt", "text");
  EXPECT_EQ(R.Message.SaveAttachment(A, Dir.Path().string()), "report.pdf");
  EXPECT_EQ(R.Message.SaveAttachment(B, Dir.Path().string() + "/"), "notes.txt");
  EXPECT_EQ(Dir.Read("report.pdf"), Binary);
  EXPECT_EQ(Dir.Read("notes.txt"), "text");
  EXPECT_EQ(Dir.Names(), (std::vector<std::string>{"notes.txt", "report.pdf"}));
}

TEST(SaveAttachment, NeverReplacesAFileButTakesTheNextFreeNumberedName) {
  TTempDir Dir;
  Dir.Write("report.pdf", "the user's own file");
  Dir.Write("report (1).pdf", "another one");
  TReceived R;
  const int A = R.Add("report.pdf", "first received");
  const int B = R.Add("README", "no extension");
  const int C = R.Add("archive.tar.gz", "gz");
  const std::string D = Dir.Path().string();
  EXPECT_EQ(R.Message.SaveAttachment(A, D), "report (2).pdf");
  EXPECT_EQ(R.Message.SaveAttachment(A, D), "report (3).pdf");
  EXPECT_EQ(R.Message.SaveAttachment(B, D), "README");
  EXPECT_EQ(R.Message.SaveAttachment(B, D), "README (1)");
  EXPECT_EQ(R.Message.SaveAttachment(C, D), "archive.tar.gz");
  EXPECT_EQ(R.Message.SaveAttachment(C, D), "archive.tar (1).gz");
  EXPECT_EQ(Dir.Read("report.pdf"), "the user's own file");
  EXPECT_EQ(Dir.Read("report (1).pdf"), "another one");
  EXPECT_EQ(Dir.Read("report (2).pdf"), "first received");
  EXPECT_EQ(Dir.Read("README (1)"), "no extension");
}

TEST(SaveAttachment, HostileNamesStayInsideTheDirectory) {
  TTempDir Outer;
  const std::filesystem::path Inner = Outer.Path() / "attach";
  std::filesystem::create_directory(Inner);
  struct Case {
    std::string Name;
    std::string Saved;
  };
  const char Ctrl[] = "ctrl\r\n\x01\x7F\tname\0.txt";
  const Case Cases[] = {
      {"../../x", "x"},
      {"a/b", "b"},
      {"..\\..\\evil.bat", "evil.bat"},
      {"/etc/passwd", "passwd"},
      {"..", "attachment"},
      {".", "attachment (1)"},
      {"", "attachment (2)"},
      {"dir/", "attachment (3)"},
      {".bashrc", "bashrc"},
      {"  spaced name.txt  ", "spaced name.txt"},
      {std::string(Ctrl, sizeof Ctrl - 1), "ctrlname.txt"},
      // Bidirectional controls go ("invoiceexe.pdf" on screen); an en dash stays.
      {"invoice\xE2\x80\xAE" "fdp.exe", "invoicefdp.exe"},
      {"\xE2\x80\x8F\xE2\x81\xA6.report\xE2\x81\xA9\xE2\x80\x8E\xE2\x80\xAA.pdf\xE2\x80\xAC", "report.pdf"},
      {"a\xE2\x80\x93" "b.txt", "a\xE2\x80\x93" "b.txt"},
  };
  TReceived R;
  for (const Case& C : Cases) {
    const int I = R.Add(C.Name, "payload");
    EXPECT_EQ(R.Message.SaveAttachment(I, Inner.string()), C.Saved) << C.Name;
  }
  // Everything landed in the target directory and nowhere else.
  std::vector<std::string> Outside;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Outer.Path()))
    if (Entry.path().parent_path() != Inner) Outside.push_back(Entry.path().string());
  EXPECT_EQ(Outside, (std::vector<std::string>{Inner.string()}));
  EXPECT_FALSE(std::filesystem::exists("/etc/passwd (1)"));
}

TEST(SaveAttachment, APlantedLinkIsNeitherFollowedNorReplaced) {
  TTempDir Dir;
  Dir.Write("target.txt", "must stay");
  std::filesystem::create_directory(Dir.Path() / "in");
  std::filesystem::create_symlink(Dir.Path() / "target.txt", Dir.Path() / "in" / "link.txt");
  std::filesystem::create_symlink(Dir.Path() / "nowhere", Dir.Path() / "in" / "dangling.txt");
  TReceived R;
  const std::string In = (Dir.Path() / "in").string();
  EXPECT_EQ(R.Message.SaveAttachment(R.Add("link.txt", "attack"), In), "link (1).txt");
  EXPECT_EQ(R.Message.SaveAttachment(R.Add("dangling.txt", "attack"), In), "dangling (1).txt");
  EXPECT_EQ(Dir.Read("target.txt"), "must stay");
  EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "nowhere"));
}

TEST(SaveAttachment, LongNamesStayWithinTheFileNameLimitWhenNumbered) {
  TTempDir Dir;
  std::string Stem;
  for (int I = 0; I < 125; ++I) Stem += "\xC3\xA9";  // 250 bytes
  TReceived R;
  const int A = R.Add(Stem + ".docx", "x");  // 255 bytes in all
  const std::string First = R.Message.SaveAttachment(A, Dir.Path().string());
  const std::string Second = R.Message.SaveAttachment(A, Dir.Path().string());
  EXPECT_EQ(First.size(), 255u);
  EXPECT_LE(Second.size(), 255u);
  EXPECT_TRUE(IsWholeUtf8(Second));
  EXPECT_EQ(Second.substr(Second.size() - 9), " (1).docx");
  EXPECT_EQ(Dir.Names().size(), 2u);
}

TEST(SaveAttachment, ACutNameKeepsItsExtension) {
  TTempDir Dir;
  TReceived R;
  const std::string Saved = R.Message.SaveAttachment(R.Add(std::string(300, 'a') + ".pdf", "x"), Dir.Path().string());
  EXPECT_EQ(Saved, std::string(251, 'a') + ".pdf");
  EXPECT_EQ(Dir.Read(Saved), "x");
}

TEST(SaveAttachment, AnEmptyDirectoryMeansTheWorkingDirectory) {
  TTempDir Dir;
  const auto Saved = std::filesystem::current_path();
  std::filesystem::current_path(Dir.Path());
  TReceived R;
  std::string Name;
  EXPECT_NO_THROW(Name = R.Message.SaveAttachment(R.Add("here.txt", "cwd"), ""));
  std::filesystem::current_path(Saved);
  EXPECT_EQ(Name, "here.txt");
  EXPECT_EQ(Dir.Read("here.txt"), "cwd");
}

TEST(SaveAttachment, FailuresAreReportedAndLeaveNoFileBehind) {
  TTempDir Dir;
  TReceived R;
  const int A = R.Add("a.txt", "x");
  EXPECT_THROW(R.Message.SaveAttachment(A, (Dir.Path() / "missing").string()), EFCreateError);
  EXPECT_THROW(R.Message.SaveAttachment(5, Dir.Path().string()), EListError);
  EXPECT_THROW(R.Message.SaveAttachment(-1, Dir.Path().string()), EListError);
  EXPECT_TRUE(Dir.Names().empty());
  if (::geteuid() != 0) {  // root writes into read-only directories anyway
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    EXPECT_THROW(R.Message.SaveAttachment(A, Dir.Path().string()), EFCreateError);
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_all);
  }
}
