// HTML mail without a plain text: read as text, shown formatted, and never a
// request to anywhere, whatever the message names.
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QToolButton>

#include "app/composer/Unit5.h"
#include "app/composer/formattedview.h"
#include "app/mail/answerplan.h"
#include "app/mail/htmltext.h"
#include "app/mail/inboxrow.h"
#include "app/mail/offlinedocument.h"
#include "app/mail/outputtext.h"
#include "app/views/Unit2.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "maillib/message/nbmsg.h"
#include "support/namedchild.h"

namespace {

// A test message decoded, its remote addresses (REMOTE) pointed at Remote and its local image (LOCALFILE) at Local.
void Decode(const char* Name, TnbMessage& Message, const QString& Remote = "remote.invalid", const QString& Local = "") {
  QFile File(QString(CORVALEN_TEST_HTML_DIR) + "/" + Name);
  ASSERT_TRUE(File.open(QFile::ReadOnly)) << Name;
  TMemoryStream In;
  In.WriteString(QString::fromUtf8(File.readAll()).replace("REMOTE", Remote).replace("LOCALFILE", Local).toStdString());
  Message.LoadFromStream(In);
}

std::string Joined(const TStringList& Lines) {
  std::string Text;
  for (const std::string& Line : Lines) Text += Line + '\n';
  return Text;
}

TEST(HtmlText, RealWorldMessagesReadAsTextWithLinksAndWithoutMarkup) {
  const std::pair<const char*, TStringList> Expected[] = {
      {"newsletter.eml",
       {"Spring planting & pruning", "Hello Ann,", "The frost is over \u2014 time to sow. This week\u2019s tips:",
        "* Sow peas <2 cm> deep", "* Prune roses before the buds open", "Seeds  \u20ac4.50", "Shears  \u20ac19.00",
        "Visit the shop <https://remote.invalid/shop?id=7&src=mail>",
        "\u00a9 2026 Garden Weekly \u00b7 Unsubscribe <https://remote.invalid/unsubscribe>"}},
      {"webmail-reply.eml",
       {"Sounds great, see you at 8!", "Bob", "On Wed, Mar 4, 2026 at 6:05 PM Ann <ann@example.org> wrote:",
        "> Hi Bob,", "> would you like to come for dinner on Saturday? We'll try the new caf\u00e9", "> recipe."}},
      {"inline-image.eml", {"Dear Ann,", "here is the floor plan of our new office:", "and the street view:", "Carol"}},
      {"scripted.eml", {"Claim your prize \u2013 today only!", "Click here or write to desk@offers.example."}}};
  for (const auto& [Name, Lines] : Expected) {
    TnbMessage Message;
    Decode(Name, Message);
    EXPECT_EQ(Message.BodyType, HtmlBodyType) << Name;
    const TStringList Text = HtmlToText(Joined(Message.Body()));
    for (const std::string& Line : Lines)
      EXPECT_NE(std::find(Text.begin(), Text.end(), Line), Text.end()) << Name << ": " << Line << "\n" << Joined(Text);
    for (const char* Markup : {"<p", "<div", "<td", "<img", "<a ", "</", "<br", "{", "Mso", "font-", "&amp;", "&nbsp;",
                               "&#", "=3D", "SCRIPT RAN", "document.", "alert", "\u00a0"})
      EXPECT_EQ(Joined(Text).find(Markup), std::string::npos) << Name << ": " << Markup << "\n" << Joined(Text);
  }
}

TEST(HtmlText, StoredHtmlIsTextForSavingAndAnsweringAndOnlyHtmlDocumentsAreSniffed) {
  EXPECT_TRUE(LooksLikeHtml({"", "<!DOCTYPE html>", "<p>x</p>", "</html>", ""}));
  EXPECT_FALSE(LooksLikeHtml({"<html> is the tag to start with, then:", "write your page"}));
  EXPECT_FALSE(LooksLikeHtml({"Hello,", "<html><body>x</body></html>"}));

  TStoredMessage Html{"S", "Ann", "ann@x", "d", {"<p>One &amp; two</p>", "<ol><li>first</li></ol>"}};
  Html.Html = true;
  const TStringList Output = OutputLines(TFolderKind::Inbox, Html, TOutputKind::SavedFile, "T");
  EXPECT_EQ(TStringList(Output.end() - 3, Output.end()), (TStringList{"One & two", "", "1. first"}));
  const TStringList Quoted = PlanAnswer(TAnswer::ReplyToWriter, TAnswerEntry::Menu, Html, "me@x").Body;
  EXPECT_EQ(TStringList(Quoted.end() - 3, Quoted.end()), (TStringList{"One & two", "", "1. first"}));

  const TStringList Saved = {"/in/plan.png", "/in/image001.PNG"};
  EXPECT_EQ(InlineFile("image001.png@01DA6F2B.3C4D5E60", Saved), "/in/image001.PNG");
  EXPECT_EQ(InlineFile("plan@host", Saved), "/in/plan.png");
  EXPECT_EQ(InlineFile("part1.abc@host", Saved), "");
}

int CountPixels(const QImage& Picture, QRgb Colour) {
  int Count = 0;
  for (int Y = 0; Y < Picture.height(); ++Y)
    for (int X = 0; X < Picture.width(); ++X) Count += Picture.pixel(X, Y) == Colour ? 1 : 0;
  return Count;
}

using HtmlMailWindow = AppTest;

TEST_F(HtmlMailWindow, PaneAndFormattedViewShowEachMessageWithoutAnyConnection) {
  QTcpServer Remote;  // where the messages' remote addresses point
  ASSERT_TRUE(Remote.listen(QHostAddress::LocalHost, 0));
  const QString Host = "127.0.0.1:" + QString::number(Remote.serverPort());
  // A local image the mail names must stay hidden like a remote one.
  QImage Red(24, 24, QImage::Format_RGB32);
  Red.fill(qRgb(255, 0, 0));
  const QString Local = QString::fromStdString((Dir / "secret.png").string());
  ASSERT_TRUE(Red.save(Local));
  const std::filesystem::path Saved = Dir / "saved";
  std::filesystem::create_directories(Saved);
  TTable Inbox(*Database, RmailTable());
  Inbox.Open();
  int Sequence = 0;
  for (const char* Name : {"newsletter.eml", "webmail-reply.eml", "inline-image.eml", "scripted.eml"}) {
    TnbMessage Message;
    Decode(Name, Message, Host, Local);
    TStringList Attached;
    for (int I = 0; I < Message.Attachments().Count(); ++I)
      Attached.push_back((Saved / Message.SaveAttachment(I, Saved.string())).string());
    WriteInboxRow(Inbox, Message, "2026-03-0" + std::to_string(++Sequence), Attached);
  }
  // A row stored before body types were kept.
  AddRow(RmailTable(), {"Old", "Dan", "dan@x", "2026-03-09", false, {}, {}, {}, "<html><p>Old &amp; kept</p></html>"});
  OpenWindow();

  const char* const FirstLines[] = {"Spring planting & pruning", "Sounds great, see you at 8!", "Dear Ann,",
                                    "Claim your prize \u2013 today only!", "Old & kept"};
  for (int Row = 0; Row < 5; ++Row) {
    SCOPED_TRACE(Row);
    Form2->ListView1->SelectRow(Row);
    const QString Pane = Form2->DBMemo1->toPlainText();
    EXPECT_TRUE(Pane.startsWith(FirstLines[Row])) << Pane.toStdString();
    // Pasting into the pane cannot store its text over the message.
    QApplication::clipboard()->setText("pasted");
    Command("Paste1")->trigger();
    EXPECT_EQ(Form2->DBMemo1->toPlainText(), Pane);

    QImage Formatted;
    QString Text;
    AnswerNextModal([&](QWidget* Modal) {
      auto& Composer = *qobject_cast<TForm5*>(Modal);
      Text = Composer.Memo1->toPlainText();
      if (Composer.BodyViews->count() == 2) {
        Composer.BodyViews->setCurrentWidget(Composer.Formatted);
        Formatted = Composer.Formatted->grab().toImage();
      }
      Composer.reject();
    });
    Command("Open1")->trigger();
    EXPECT_EQ(Text, Pane);
    ASSERT_FALSE(Formatted.isNull());
    EXPECT_EQ(CountPixels(Formatted, qRgb(255, 0, 0)), 0);
    EXPECT_EQ(CountPixels(Formatted, qRgb(0, 200, 0)) > 100, Row == 2);  // the message's own cid: image
  }
  Inbox.First();
  EXPECT_NE(Inbox.FieldByName("DATA").AsString().find("<table"), std::string::npos);

  // In the Trashcan the message is still HTML.
  Form2->ListView1->SelectRow(0);
  Command("Delete1")->trigger();
  Button("ToolButton3")->click();
  Form7->ListView1->SelectRow(0);
  EXPECT_TRUE(Form7->DBMemo1->toPlainText().startsWith("Spring planting & pruning"));
  TTable Trash(*Database, TrashTable());
  Trash.Open();
  EXPECT_EQ(Trash.FieldByName("BODYTYPE").AsString(), HtmlBodyType);

  WaitFor([] { return false; }, 300);
  EXPECT_FALSE(Remote.hasPendingConnections());  // nothing ever connected
}

TEST_F(HtmlMailWindow, ALinkOpensOnlyWhenClickedAndOnlyThroughTheDesktop) {
  std::vector<std::string> Opened;
  ui::Hooks().OpenUrl = [&](const std::string& Url) { return Opened.push_back(Url), true; };
  TFormattedView View;
  View.resize(400, 200);
  View.ShowHtml("<p><a href=\"https://shop.example/?a=1&amp;b=2\">Shop</a> <a href=\"javascript:x()\">Run</a></p>", {});
  View.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
  EXPECT_TRUE(Opened.empty());
  for (int Position : {1, 6}) {
    QTextCursor Cursor(View.document());
    Cursor.setPosition(Position);
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, View.cursorRect(Cursor).center() + QPoint(2, 0));
  }
  EXPECT_EQ(Opened, (std::vector<std::string>{"https://shop.example/?a=1&b=2"}));
  EXPECT_EQ(View.document()->toPlainText(), "Shop Run");
  EXPECT_TRUE(View.source().isEmpty());
}

}  // namespace
