// The flows walk cursors of their own: what the user does in the folder views
// during a transfer never changes which rows they send, mark or store, and
// what was typed into a body pane before it is what they read.
#include <QAction>
#include <QDialog>
#include <QPlainTextEdit>

#include "app/settings/settingsfiles.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "appfixture.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "support/fakeserver.h"
#include "support/namedchild.h"

namespace {

using Fake = TFakeServer;

// One SMTP connection for a message to A, accepted, then one to B, refused at RCPT.
std::vector<Fake::TStep> SmtpAcceptedThenRefused(const std::string& A, const std::string& B) {
  const auto Envelope = [](const std::string& To, const char* Answer) {
    return std::vector<Fake::TStep>{Fake::C("MAIL FROM:<me@example.test>"), Fake::S("250 ok\r\n"),
                                    Fake::C("RCPT TO:<" + To + ">"), Fake::S(std::string(Answer) + "\r\n")};
  };
  return Fake::Join({{Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()), Fake::S("250 ok\r\n")},
                     Envelope(A, "250 ok"),
                     {Fake::C("DATA"), Fake::S("354 go\r\n"), Fake::Data(), Fake::S("250 queued\r\n"),
                      Fake::C("RSET"), Fake::S("250 ok\r\n")},
                     Envelope(B, "550 unknown user"),
                     {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()}});
}

class FlowWindowsTest : public PumpingAppTest {
protected:
  // Opens the window with receipts off, the SMTP server given and a POP3 account on each of Pop3.
  void Open(const std::string& SmtpServer, const std::vector<std::string>& Pop3 = {}) {
    TStringList Config = settings::DefaultConfig(Dir.string());
    Config[settings::clEmail] = "me@example.test";
    Config[settings::clAutoReceipt] = "NOREPLY";
    Config[settings::clSmtpServer] = SmtpServer;
    settings::SaveLines(settings::ConfigFileName, Config);
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    for (const std::string& Server : Pop3) {
      Accounts.Append();
      for (const auto& [Field, Value] : {std::pair{"SERVER", Server}, {"USERA", "alice"}, {"PSWRD", "secret"}})
        Accounts.FieldByName(Field).SetAsString(Value);
      Accounts.Post();
    }
    OpenWindow();
  }

  // A field of every row of a folder table, in the order they were written.
  std::vector<std::string> Column(const TTableDef& Def, const char* Field) {
    TTable Table(*Database, Def);
    Table.Open();
    std::vector<std::string> Values;
    for (Table.First(); !Table.Eof() && Table.RecordId() != 0; Table.Next())
      Values.push_back(Table.FieldByName(Field).AsString());
    return Values;
  }
};

class SendingFlowCommandTest : public FlowWindowsTest, public ::testing::WithParamInterface<const char*> {};

// The body of the first of two waiting rows was just edited. While it is
// being sent, a File command runs on the second, which the server refuses.
TEST_P(SendingFlowCommandTest, FileCommandOnAnotherRowLeavesExactlyTheSentRowMarked) {
  AddRow(SmailTable(), {.Subject = "1", .Date = "2026-12-01", .Recipients = {"a@example.test"}, .Body = "old"});
  AddRow(SmailTable(), {.Subject = "2", .Date = "2026-12-02", .Recipients = {"b@example.test"}});
  Fake Server(SmtpAcceptedThenRefused("a@example.test", "b@example.test"));
  ui::Hooks().SaveFileName = [](const std::string&, const std::string&) { return std::string(); };
  ui::Hooks().PrintDialog = [](QPrinter&) { return false; };
  Open(Server.Address());
  Window->ShowFolder(Form3);
  Form3->ListView1->SelectRow(0);
  Form3->DBMemo1->setPlainText("edited");
  const auto Bound = Window->Smtp().OnSending;
  Window->Smtp().OnSending = [&, Bound, Sends = 0](TObject* Sender) mutable {
    Bound(Sender);
    if (Sends++ > 0) return;
    Form3->ListView1->SelectRow(1);
    if (const std::string Name = GetParam(); Name == "Open1" || Name == "Properties1")
      AnswerNextModal([](QWidget* Modal) { static_cast<QDialog*>(Modal)->reject(); });
    Window->findChild<QAction*>(GetParam())->trigger();
  };
  Command("ToolButton18")->trigger();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_NE(Server.Transcript().find("\r\nedited\r\n"), std::string::npos);
  EXPECT_EQ(Column(SmailTable(), "STATE"), (std::vector<std::string>{"True", "False"}));
  // The failed run leaves the list showing both rows, the first one sent.
  ASSERT_EQ(Form3->ListView1->Count(), 2);
  EXPECT_EQ(Form3->ListView1->Item(0).ImageIndex, 1);
}

INSTANTIATE_TEST_SUITE_P(File, SendingFlowCommandTest, ::testing::Values("Open1", "SaveAs1", "Print1", "Properties1"));

// The Inbox view shows a message whose body was just edited; File Open opens
// it while Get Mail stores another, then fails to reach a second account. The
// edit is stored first, the read mark stays as it is during the transfer, the
// error names the server, and the view's cursor stays with the message its
// pane shows, so a later edit reaches that one.
TEST_F(FlowWindowsTest, GetMailLeavesTheInboxViewOnItsOwnMessage) {
  AddRow(RmailTable(), {"shown", "Ann", "ann@example.test", "2026-12-01 09:00:00 0", false, {}, {}, {}, "old"});
  Fake Server({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER alice"),
               Fake::S("+OK\r\n"), Fake::C("PASS secret"), Fake::S("+OK\r\n"), Fake::C("STAT"), Fake::S("+OK 1 9\r\n"),
               Fake::C("LIST 1"), Fake::S("+OK 1 9\r\n"), Fake::C("RETR 1"), Fake::S("+OK\r\n\r\nnew body\r\n.\r\n"),
               Fake::C("DELE 1"), Fake::S("+OK\r\n"), Fake::C("QUIT"), Fake::S("+OK\r\n"), Fake::AwaitClose()});
  const std::string Refusing = "127.0.0.1:" + std::to_string(Fake::UnusedPort());
  Open("", {Server.Address(), Refusing});
  Form2->ListView1->SelectRow(0);
  Form2->DBMemo1->setPlainText("edited");
  const auto Bound = Window->Pop().OnRetrieving;
  Window->Pop().OnRetrieving = [&, Bound](TObject* Sender, int Num) {
    Bound(Sender, Num);
    AnswerNextModal([](QWidget* Modal) { static_cast<QDialog*>(Modal)->reject(); });
    Command("Open1")->trigger();
  };
  Command("ToolButton19")->trigger();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  const std::string Refused = "Cannot connect to " + Refusing + ": [10061] Connection refused";
  EXPECT_EQ(Messages, std::vector<std::string>{"error: " + Refused});
  EXPECT_EQ(Window->StatusText().toStdString(), Refused);
  EXPECT_EQ(Column(RmailTable(), "DATA"), (std::vector<std::string>{"edited", "new body"}));
  EXPECT_EQ(Column(RmailTable(), "STATE"), (std::vector<std::string>{"False", "False"}));
  Form2->DBMemo1->setPlainText("edited again");
  Form2->PostEdits();
  EXPECT_EQ(Column(RmailTable(), "DATA"), (std::vector<std::string>{"edited again", "new body"}));
}

}  // namespace
