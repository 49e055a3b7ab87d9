// Saving and printing through the main window: saved files are read back
// byte for byte, printouts go to a PDF file read back with pdfinfo and pdftotext.
#include <QAction>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/mail/outputtext.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

std::string Output(const std::string& Command) {
  std::string Out(1 << 20, '\0');
  FILE* Pipe = popen(Command.c_str(), "r");
  Out.resize(Pipe ? std::fread(Out.data(), 1, Out.size(), Pipe) : 0);
  if (Pipe) pclose(Pipe);
  return Out;
}

std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), {}};
}

// A body of Count lines "L1", "L2", ...
std::string Numbered(int Count) {
  std::string Text = "L1";
  for (int I = 2; I <= Count; ++I) Text += "\r\nL" + std::to_string(I);
  return Text;
}

class MessageOutputTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    Pdf = (Dir / "out.pdf").string();
    ui::Hooks().SaveFileName = [this](const std::string&, const std::string& Name) {
      Proposed.push_back(Name);
      return SaveAnswer(Name);
    };
    // The print dialog answers with Copies copies into the PDF file.
    ui::Hooks().PrintDialog = [this](QPrinter& Printer) {
      Printer.setOutputFileName(QString::fromStdString(Pdf));
      Printer.setCopyCount(Copies);
      Printer.setCollateCopies(Collate);
      return true;
    };
  }

  int Pages() {
    std::smatch Match;
    const std::string Info = Output("pdfinfo " + Pdf);
    return std::regex_search(Info, Match, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(Match[1]) : 0;
  }

  // The text lines of one page, blank ones left out.
  std::vector<std::string> PageLines(int Page) {
    const std::string N = std::to_string(Page);
    std::istringstream Text(Output("pdftotext -layout -f " + N + " -l " + N + " " + Pdf + " -"));
    std::vector<std::string> Result;
    for (std::string Line; std::getline(Text, Line);)
      if (const std::size_t First = Line.find_first_not_of(" \f"); First != std::string::npos)
        Result.push_back(Line.substr(First, Line.find_last_not_of(' ') + 1 - First));
    return Result;
  }

  std::string Pdf;
  int Copies = 1;
  bool Collate = false;
  std::vector<std::string> Proposed;
  std::function<std::string(const std::string&)> SaveAnswer = [](const std::string&) { return std::string(); };
};

TEST_F(MessageOutputTest, SaveAsWritesTheFolderHeaderAndTheBodyByteForByte) {
  AddRow(RmailTable(), {"Hi", "Ann", "ann@x", "2026-01-01 10:00", false, {"me@x"}, {}, {}, "Dear Bob,\r\n\r\nbye"});
  AddRow(SmailTable(), {"Out", "", "", "2026-01-02", false, {"a@x", "b@x", "c@x"}, {"cc@x"}, {}, "Body"});
  AddRow(TrashTable(), {"Gone", "--", "--", "2026-01-03", false, {"to@x"}, {}, {}, "Grüße"});
  OpenWindow();
  const std::filesystem::path Saved = Dir / "saved.txt";
  SaveAnswer = [&](const std::string&) { return (Dir / "saved").string(); };
  const std::string Rule = std::string(32, '-') + "\r\n";
  const std::tuple<QToolButton*, TFolderView*, std::string> Cases[] = {
      {Button("ToolButton1"), Form2, "From: Ann\r\nSubject: Hi\r\n" + Rule + "Dear Bob,\r\n\r\nbye\r\n"},
      {Button("ToolButton2"), Form3, "To: a@x >\r\nCc: cc@x\r\nSubject: Out\r\n" + Rule + "Body\r\n"},
      {Button("ToolButton3"), Form7, "To: to@x\r\nCc: \r\nSubject: Gone\r\n" + Rule + "Grüße\r\n"}};
  for (const auto& [Folder, View, Expected] : Cases) {
    Folder->click();
    View->ListView1->SelectRow(0);
    const QString Pane = View->DBMemo1->toPlainText();
    const std::string Before = "Corvalen Saved File: " + StampText(std::time(nullptr));
    Command("SaveAs1")->trigger();
    const std::string File = ReadFile(Saved), After = "Corvalen Saved File: " + StampText(std::time(nullptr));
    EXPECT_TRUE(File.substr(0, Before.size()) >= Before && File.substr(0, After.size()) <= After) << File;
    EXPECT_EQ(File.substr(Before.size()), "\r\n" + Expected);
    EXPECT_EQ(View->DBMemo1->toPlainText(), Pane);
  }
  EXPECT_EQ(Window->StatusText(), "Save File");
  EXPECT_EQ(Proposed[1], Saved.string());  // the dialog keeps the name it held last
  Form7->ListView1->clearSelection();  // without a selection no dialog opens
  Command("SaveAs1")->trigger();
  EXPECT_EQ(Proposed.size(), 3u);
}

TEST_F(MessageOutputTest, SaveAllAsOffersEachSubjectInDateOrderGoesOnAfterACancelAndKeepsTheCursor) {
  AddRow(SmailTable(), {"b/second", "", "", "2026-01-02", false, {"x@x"}, {}, {}, "two"});
  AddRow(SmailTable(), {"first", "", "", "2026-01-01", false, {"x@x"}, {}, {}, "one"});
  AddRow(SmailTable(), {"third", "", "", "2026-01-02", false, {"y@x"}, {}, {}, "three"});
  OpenWindow();
  Button("ToolButton2")->click();
  Form3->ListView1->SelectRow(0);
  SaveAnswer = [&](const std::string& Name) { return Name == "first" ? std::string() : (Dir / Name).string(); };
  Command("SaveAllAs1")->trigger();
  EXPECT_EQ(Proposed, (std::vector<std::string>{"first", "b_second", "third"}));
  EXPECT_FALSE(std::filesystem::exists(Dir / "first.txt"));
  const std::string Second = ReadFile(Dir / "b_second.txt");
  EXPECT_TRUE(Second.ends_with("\r\nSubject: b/second\r\n" + std::string(32, '-') + "\r\ntwo\r\n")) << Second;
  // The cursor is back on the message the pane shows, so an edit there reaches it.
  EXPECT_EQ(Form3->Table1.RecordId(), Form3->ListView1->Item(0).RecordId);

  Button("ToolButton3")->click();
  Command("SaveAllAs1")->trigger();
  Command("PrintAll1")->trigger();
  EXPECT_EQ(Messages, (std::vector<std::string>{"No Messages in Trashcan", "No Messages in Trashcan"}));
  EXPECT_EQ(Proposed.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(Pdf));
}

TEST_F(MessageOutputTest, PagesHoldWhatFitsFromTheTopAndCopiesRepeatTheSameHeader) {
  AddRow(RmailTable(), {"Long", "Ann", "a@x", "2026-01-01", false, {}, {}, {}, Numbered(150)});
  OpenWindow();
  Form2->ListView1->SelectRow(0);
  Command("Print1")->trigger();
  // The first page tells how many lines a page holds; later pages start at its top too.
  const int Single = Pages(), N = static_cast<int>(PageLines(1).size());
  ASSERT_GE(Single, 2);
  EXPECT_EQ(PageLines(2).front(), "L" + std::to_string(N - 3));
  auto Top = [this](int Page) {
    std::smatch Match;
    const std::string P = std::to_string(Page);
    const std::string Boxes = Output("pdftotext -bbox -f " + P + " -l " + P + " " + Pdf + " -");
    return std::regex_search(Boxes, Match, std::regex("yMin=\"([0-9.]+)\"")) ? std::stod(Match[1]) : -1;
  };
  EXPECT_NEAR(Top(2), Top(1), 0.5);

  Copies = 2;
  Collate = true;
  Command("Print1")->trigger();
  ASSERT_EQ(Pages(), 2 * Single);
  for (int Page = 1; Page <= Single; ++Page) EXPECT_EQ(PageLines(Page), PageLines(Page + Single)) << Page;
  Collate = false;
  Command("Print1")->trigger();
  ASSERT_EQ(Pages(), 2 * Single);
  for (int Page = 1; Page <= 2 * Single; Page += 2) EXPECT_EQ(PageLines(Page), PageLines(Page + 1)) << Page;

  // A message of exactly N lines with its four header lines fits one page; one line more spills.
  AddRow(RmailTable(), {"Fits", "Ann", "a@x", "2026-01-02", false, {}, {}, {}, Numbered(N - 4)});
  AddRow(RmailTable(), {"Spills", "Ann", "a@x", "2026-01-03", false, {}, {}, {}, Numbered(N - 3)});
  Form2->FillList();
  Copies = 1;
  Form2->ListView1->SelectRow(1);
  Command("Print1")->trigger();
  EXPECT_EQ(Pages(), 1);
  Form2->ListView1->SelectRow(2);
  Command("Print1")->trigger();
  EXPECT_EQ(Pages(), 2);
  EXPECT_EQ(PageLines(2), std::vector<std::string>{"L" + std::to_string(N - 3)});
}

TEST_F(MessageOutputTest, CommandsRunFromToolbarAndShortcutsAndPrintAllFillsOneFile) {
  AddRow(RmailTable(), {"A", "Ann", "a@x", "2026-01-01", false, {}, {}, {}, "one"});
  AddRow(RmailTable(), {"B", "Bob", "b@x", "2026-01-02", false, {}, {}, {}, "two"});
  OpenWindow();
  Form2->ListView1->SelectRow(1);
  static_cast<QToolButton*>(Child<QToolBar>(*Window, "ToolBar3")->widgetForAction(Command("ToolButton34")))->click();
  EXPECT_EQ(PageLines(1).at(2), "Subject: B");
  std::filesystem::remove(Pdf);
  Window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
  QTest::keyClick(Window.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(Pages(), 1);
  QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Proposed.size(), 1u);

  // Into a file, the messages of Print All share one document, each from a new page.
  Command("PrintAll1")->trigger();
  ASSERT_EQ(Pages(), 2);
  EXPECT_EQ(PageLines(1).at(2), "Subject: A");
  EXPECT_EQ(PageLines(2).at(2), "Subject: B");
}

}  // namespace
