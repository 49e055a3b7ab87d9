// A Get Mail that stored messages while the main window was not active says
// so through the desktop's notification service, here python-dbusmock's
// notification daemon on a private bus; clicking the notice raises the window.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "app/mail/newmailnotice.h"
#include "app/settings/settingsfiles.h"
#include "app/shell/desktopnotifier.h"
#include "appfixture.h"
#include "support/fakeserver.h"
#include "support/privatebus.h"
#include "support/namedchild.h"

namespace {

using Fake = TFakeServer;

const char* NotificationService = "org.freedesktop.Notifications";

QDBusMessage MockCall(const QString& Method, const QVariantList& Arguments) {
  QDBusMessage Call = QDBusMessage::createMethodCall(NotificationService, "/org/freedesktop/Notifications",
                                                     "org.freedesktop.DBus.Mock", Method);
  Call.setArguments(Arguments);
  return Call;
}

// The private bus with the mock daemon, also as the session bus of this process meanwhile.
class NotificationTest : public PumpingAppTest {
protected:
  void StartDaemon(const std::string& Capabilities) {
    ASSERT_FALSE(Bus.Address().empty());
    ASSERT_TRUE(Bus.StartMock("notification_daemon", NotificationService,
                              "{\"capabilities\": \"" + Capabilities + "\"}"));
    OldAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(Bus.Address()));
    Connection = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QString::fromStdString(Bus.Address()), "notification-test"));
  }
  void TearDown() override {
    PumpingAppTest::TearDown();
    Connection.reset();
    QDBusConnection::disconnectFromBus("notification-test");
    qputenv("DBUS_SESSION_BUS_ADDRESS", OldAddress);
  }

  // The arguments of every Notify call the daemon received, waiting for Count of them.
  std::vector<QVariantList> NotifyCalls(std::size_t Count) {
    std::vector<QVariantList> Calls;
    WaitFor([&] {
      Calls.clear();
      const QDBusMessage Reply = Connection->call(MockCall("GetMethodCalls", {QString("Notify")}));
      if (Reply.type() != QDBusMessage::ReplyMessage) return false;
      const QDBusArgument List = Reply.arguments().at(0).value<QDBusArgument>();
      List.beginArray();
      while (!List.atEnd()) {
        qulonglong Time = 0;
        QVariantList Arguments;
        List.beginStructure();
        List >> Time >> Arguments;
        List.endStructure();
        Calls.push_back(Arguments);
      }
      List.endArray();
      return Calls.size() >= Count;
    });
    return Calls;
  }

  TPrivateBus Bus;
  QByteArray OldAddress;
  std::unique_ptr<QDBusConnection> Connection;
};

std::string Message(const std::string& From, const std::string& Subject) {
  return "+OK\r\nFrom: " + From + "\r\nSubject: " + Subject + "\r\n\r\nbody\r\n.\r\n";
}

TEST_F(NotificationTest, GetMailWhileInactiveNotifiesOnceAndTheClickRaisesTheWindow) {
  StartDaemon("body body-markup actions");
  Fake Server({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER alice"),
               Fake::S("+OK\r\n"), Fake::C("PASS secret"), Fake::S("+OK\r\n"), Fake::C("STAT"), Fake::S("+OK 2 99\r\n"),
               Fake::C("LIST 1"), Fake::S("+OK 1 9\r\n"), Fake::C("RETR 1"),
               Fake::S(Message("Ann <ann@example.test>", "Hello")), Fake::C("DELE 1"), Fake::S("+OK\r\n"),
               Fake::C("LIST 2"), Fake::S("+OK 2 9\r\n"), Fake::C("RETR 2"),
               Fake::S(Message("bob@example.test", "a <b> & c")), Fake::C("DELE 2"), Fake::S("+OK\r\n"),
               Fake::C("QUIT"), Fake::S("+OK\r\n"), Fake::AwaitClose()});
  TStringList Config = settings::DefaultConfig(Dir.string());
  Config[settings::clAutoReceipt] = "NOREPLY";
  settings::SaveLines(settings::ConfigFileName, Config);
  AddAccount(Server.Address());
  OpenWindow();
  Window->showMinimized();
  ASSERT_FALSE(Window->isActiveWindow());

  Command("ToolButton19")->trigger();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  const std::vector<QVariantList> Calls = NotifyCalls(1);
  ASSERT_EQ(Calls.size(), 1u);
  const QVariantList& Notify = Calls[0];
  ASSERT_EQ(Notify.size(), 8);
  EXPECT_EQ(Notify[0].toString(), "Corvalen");
  EXPECT_EQ(Notify[3].toString(), "2 new messages");
  // The service reads markup: the subject's own brackets are escaped.
  EXPECT_EQ(Notify[4].toString(), "Ann: Hello\nbob@example.test: a &lt;b&gt; &amp; c");
  EXPECT_EQ(Notify[5].toStringList(), (QStringList{"default", "Open"}));
  EXPECT_TRUE(Messages.empty());

  // The mock numbers its notices from 1.
  ASSERT_TRUE(WaitFor([&] { return Window->isMinimized(); }));
  Connection->call(MockCall("EmitSignal", {QString(NotificationService), QString("ActionInvoked"), QString("us"),
                                           QVariantList{1u, QString("default")}}));
  EXPECT_TRUE(WaitFor([&] { return !Window->isMinimized() && Window->isMaximized(); }));
}

TEST_F(NotificationTest, PlainServiceGetsPlainTextAndOnlyItsOwnClickCounts) {
  StartDaemon("body");
  TDesktopNotifier Notifier(*Connection);
  std::vector<QString> Clicks;
  QObject::connect(&Notifier, &TDesktopNotifier::Activated, [&] { Clicks.push_back("clicked"); });
  Notifier.Show("1 new message", "a <b> & c");
  const std::vector<QVariantList> Calls = NotifyCalls(1);
  ASSERT_EQ(Calls.size(), 1u);
  EXPECT_EQ(Calls[0][4].toString(), "a <b> & c");
  EXPECT_TRUE(Calls[0][5].toStringList().isEmpty());
  // Another program's notice (7), another action, then ours (1): signals
  // arrive in order, so when ours has counted the others were passed over.
  for (const auto& [Id, Action] : {std::pair{7u, "default"}, {1u, "other"}, {1u, "default"}})
    Connection->call(MockCall("EmitSignal", {QString(NotificationService), QString("ActionInvoked"), QString("us"),
                                             QVariantList{Id, QString(Action)}}));
  EXPECT_TRUE(WaitFor([&] { return !Clicks.empty(); }));
  WaitFor([] { return false; }, 200);
  EXPECT_EQ(Clicks.size(), 1u);
}

TEST(NewMailNotice, CountsAllAndNamesTheFirstSenders) {
  const std::vector<TStoredMessage> Four{{.Subject = "s1", .From = "Ann", .Email = "ann@example.test"},
                                         {.Subject = "s2", .From = "--", .Email = "bob@example.test"},
                                         {.Subject = "s3", .From = "", .Email = "cy@example.test"},
                                         {.Subject = "s4", .From = "Di"}};
  const TNewMailNotice Notice = NewMailNotice(4, Four);
  EXPECT_EQ(Notice.Summary, "4 new messages");
  EXPECT_EQ(Notice.Body, "Ann: s1\nbob@example.test: s2\ncy@example.test: s3\nand 1 more");
  EXPECT_EQ(NewMailNotice(1, {Four[0]}).Summary, "1 new message");
  EXPECT_EQ(NewMailNotice(2, {}).Body, "and 2 more");
}

}  // namespace
