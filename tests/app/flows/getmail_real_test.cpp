// Get Mail on the toolbar as a user meets it: the Save Attachment To dialog
// for each file, the new unread Inbox entry with its paper clip, and the
// Attachments notice that says where the files went.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/dialogs/Unit12.h"
#include "app/dialogs/Unit6.h"
#include "app/settings/settingsfiles.h"
#include "app/store/mailtables.h"
#include "app/views/Unit2.h"
#include "appfixture.h"
#include "platform/net/posixsockets.h"
#include "platform/runtime/processmessages.h"
#include "support/realservers.h"
#include "support/namedchild.h"

namespace {

using GetMailRealTest = PumpingAppTest;

TEST_F(GetMailRealTest, AttachmentsGoWhereTheUserSaysAndTheInboxShowsTheMessage) {
  TRealMailServers Servers;
  Servers.Put("alice", "From: Bob <bob@example.test>\r\nSubject: Photos\r\nMIME-Version: 1.0\r\n"
                       "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                       "--b\r\nContent-Type: text/plain\r\n\r\nTwo files.\r\n"
                       "--b\r\nContent-Type: image/png; name=\"one.png\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                       "iVBORw0KGgo=\r\n"
                       "--b\r\nContent-Type: text/plain; name=\"two.txt\"\r\n\r\nsecond\r\n--b--\r\n");
  TStringList Config = settings::DefaultConfig((Dir / "configured").string());
  Config[settings::clAutoReceipt] = "NOREPLY";
  settings::SaveLines(settings::ConfigFileName, Config);
  {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    Accounts.Append();
    Accounts.FieldByName("SERVER").SetAsString(Servers.Pop3Address());
    Accounts.FieldByName("USERA").SetAsString("alice");
    Accounts.FieldByName("PSWRD").SetAsString("secret");
    Accounts.Post();
  }
  const std::filesystem::path Chosen = Dir / "photos";
  std::filesystem::create_directories(Chosen);
  OpenWindow();

  int Asked = 0;
  std::function<void(QWidget*)> Answer = [&](QWidget* Modal) {
    auto* Dialog = qobject_cast<TForm12*>(Modal);
    ASSERT_NE(Dialog, nullptr);
    Dialog->SetDirectory(QString::fromStdString(Chosen.string()));
    Dialog->BitBtn1->click();
    if (++Asked < 2) AnswerNextModal(Answer);
  };
  AnswerNextModal(Answer);
  Command("ToolButton19")->trigger();
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Messages, std::vector<std::string>{});
  EXPECT_EQ(Window->StatusText(), "Status: Message(s) Retrieved");
  EXPECT_TRUE(Servers.Messages("alice").empty());

  ASSERT_EQ(Form2->ListView1->Count(), 1);
  const TListItem& Entry = Form2->ListView1->Item(0);
  EXPECT_EQ(Entry.Caption, "Photos");
  EXPECT_EQ(Entry.ImageIndex, 0);  // unread
  EXPECT_EQ(Entry.StateIndex, 0);  // the paper clip
  EXPECT_TRUE(std::filesystem::exists(Chosen / "one.png"));
  EXPECT_TRUE(std::filesystem::exists(Chosen / "two.txt"));

  Window->ShowFolder(Form2);
  Form2->ListView1->SelectRow(0);
  QString Listed, Where;
  AnswerNextModal([&](QWidget* Modal) {
    auto* Notice = qobject_cast<TForm6*>(Modal);
    ASSERT_NE(Notice, nullptr);
    Listed = Notice->Memo1->toPlainText();
    Where = Notice->Label1->text();
    Notice->reject();
  });
  Command("Attachment1")->trigger();
  EXPECT_EQ(Listed.toStdString(), (Chosen / "one.png").string() + "\n" + (Chosen / "two.txt").string());
  EXPECT_EQ(Where.toStdString(), Chosen.string());
}

}  // namespace
