// Widget-free texts of the message windows: date-time texts, the lines of
// the composer's boxes, the Outbox row, the Properties text and automatic
// receipts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/mail/datetimetext.h"
#include "app/mail/inboxrow.h"
#include "app/mail/outboxrow.h"
#include "app/mail/propertiestext.h"
#include "app/mail/receipt.h"
#include "maillib/message/nbmsg.h"

namespace {

std::time_t LocalTime(int Year, int Month, int Day, int Hour, int Minute, int Second) {
  std::tm Local{};
  Local.tm_year = Year - 1900;
  Local.tm_mon = Month - 1;
  Local.tm_mday = Day;
  Local.tm_hour = Hour;
  Local.tm_min = Minute;
  Local.tm_sec = Second;
  Local.tm_isdst = -1;
  return std::mktime(&Local);
}

TEST(DateTimeText, IsoDateWithTheTimeUnlessMidnight) {
  EXPECT_EQ(DateTimeText(LocalTime(2026, 3, 7, 14, 5, 9)), "2026-03-07 14:05:09");
  EXPECT_EQ(DateTimeText(LocalTime(2026, 3, 7, 0, 0, 0)), "2026-03-07");
  EXPECT_EQ(DateTimeText(LocalTime(2026, 3, 7, 0, 0, 1)), "2026-03-07 00:00:01");
  // Text order is time order, also across a month and a year.
  EXPECT_LT(DateTimeText(LocalTime(2026, 9, 30, 23, 0, 0)), DateTimeText(LocalTime(2026, 10, 1, 1, 0, 0)));
  EXPECT_LT(DateTimeText(LocalTime(2026, 12, 31, 9, 0, 0)), DateTimeText(LocalTime(2027, 1, 1, 0, 0, 0)));
}

TEST(ComposerLines, BoxTextBecomesLinesAndAddressesLoseBlanks) {
  EXPECT_EQ(TextLines(""), TStringList{});
  EXPECT_EQ(TextLines("one\r\ntwo\n"), (TStringList{"one", "two"}));
  EXPECT_EQ(TextLines("\n\n\tx"), (TStringList{"", "", "\tx"}));
  EXPECT_EQ(AddressLines("  a@x \n\n \t \r\nb@x"), (TStringList{"a@x", "b@x"}));
  EXPECT_EQ(AddressLines(" \n "), TStringList{});
}

TEST(OutboxRow, FieldsFromTheComposerAndNoSubjectAsDashes) {
  TComposedMessage Message{"Hello", {"a@x", "b@x"}, {"c@x"}, {"body", ""}, {"/f", "/f"}};
  const TOutboxRow Row = BuildOutboxRow(Message, "2026-03-07 14:05:09");
  EXPECT_EQ(Row.Subject, "Hello");
  EXPECT_EQ(Row.Attach, (TStringList{"/f", "/f"}));
  EXPECT_EQ(Row.Date, "2026-03-07 14:05:09");
  Message.Subject.clear();
  EXPECT_EQ(BuildOutboxRow(Message, "d").Subject, "--");

  EXPECT_TRUE(HasRecipient(Message));
  Message.Recipients.clear();
  EXPECT_FALSE(HasRecipient(Message));  // carbon copies alone are not enough
}

TEST(PropertiesText, InboxListsAddressesLastFirstAboveTheBody) {
  const TStoredMessage Message{"Subj", "Ann", "ann@x", "2026-03-07 10:00:00 0", {"body 1", "body 2"},
                               {"a@x", "b@x"}, {"c@x", "d@x"}, {}};
  const std::string Rule(38, '-');
  EXPECT_EQ(PropertiesText(TFolderKind::Inbox, Message),
            (TStringList{"Date of EMail Download:", "2026-03-07 10:00:00 0", Rule, "Sender:", "Ann", "ann@x", Rule,
                         "Recipients:", "b@x", "a@x", Rule, "Cc:", "d@x", "c@x", Rule, "body 1", "body 2"}));
}

TEST(PropertiesText, OutboxIsLocalAndTrashFromTheOutboxShowsDashes) {
  const std::string Rule(38, '-');
  const TStoredMessage Outgoing{"Subj", "", "", "2026-03-07", {"text"}, {"a@x"}, {}, {"/f"}};
  EXPECT_EQ(PropertiesText(TFolderKind::Outbox, Outgoing),
            (TStringList{"Date of EMail:", "2026-03-07", Rule, "Sender:", "Local (From this machine)", Rule,
                         "Recipients:", "a@x", Rule, "Cc:", Rule, "text"}));
  const TStoredMessage Deleted{"Subj", "--", "--", "2026-03-07", {}, {"a@x"}, {}, {}};
  const TStringList Lines = PropertiesText(TFolderKind::Trashcan, Deleted);
  ASSERT_GE(Lines.size(), 6u);
  EXPECT_EQ(Lines[0], "Date of EMail:");
  EXPECT_EQ((TStringList{Lines[3], Lines[4], Lines[5]}), (TStringList{"Sender:", "--", "--"}));
  EXPECT_EQ(Lines.back(), Rule);  // no body
}

}  // namespace

namespace {

// Runs the test body in the given time zone.
class ZoneTest : public ::testing::Test {
protected:
  void InZone(const char* Zone) {
    setenv("TZ", Zone, 1);
    tzset();
  }
  void TearDown() override {
    if (FOld.empty()) unsetenv("TZ");
    else setenv("TZ", FOld.c_str(), 1);
    tzset();
  }

private:
  std::string FOld = getenv("TZ") ? getenv("TZ") : "";
};

TEST_F(ZoneTest, ReceivedDateIsTheSendingMomentInLocalTime) {
  InZone("UTC0");
  EXPECT_EQ(ReceivedDateText("Tue, 15 Sep 1998 13:19:20 +0200 (CEST)", 4), "1998-09-15 11:19:20 4");
  EXPECT_EQ(ReceivedDateText("15 Sep 1998 08:19:20 EST", 0), "1998-09-15 13:19:20 0");
  EXPECT_EQ(ReceivedDateText("15 Sep 1998 13:19:20 +0530", 5), "1998-09-15 07:49:20 5");
  EXPECT_EQ(ReceivedDateText("15 Sep 1998 13:19:20 -0930", 6), "1998-09-15 22:49:20 6");
  InZone("EST5EDT,M4.1.0,M10.5.0");
  EXPECT_EQ(ReceivedDateText("Wed, 16 Sep 1998 01:00:00 +0000", 1), "1998-09-15 21:00:00 1");
  // Without a zone it knows, the time is taken as written.
  EXPECT_EQ(ReceivedDateText("Wed, 16 Sep 1998 01:00:00 XYZ", 2), "1998-09-16 01:00:00 2");
  EXPECT_EQ(ReceivedDateText("not a date", 3), "1899-12-30 3");
}

TEST(SavedFilesDirectory, TheirOwnDirectoryWhenTheyShareOne) {
  EXPECT_EQ(SavedFilesDirectory({"/home/a/x.pdf", "/home/a/y.txt"}, "/conf"), "/home/a");
  EXPECT_EQ(SavedFilesDirectory({"/home/a/x.pdf", "/tmp/y.txt"}, "/conf"), "/conf");
  EXPECT_EQ(SavedFilesDirectory({"x.pdf"}, "/conf"), "/conf");  // a bare name, as older rows hold
  EXPECT_EQ(SavedFilesDirectory({}, "/conf"), "/conf");
}

TEST(AutomaticReceipt, NoneToAutomaticListOrBulkMailNorToMachines) {
  const auto MayAnswer = [](const std::string& Address, const TStringList& Headers) {
    TnbMessage Message;
    Message.Sender().SetAddress(Address);
    Message.Headers() = Headers;
    return MayAnswerAutomatically(Message);
  };
  EXPECT_TRUE(MayAnswer("ann@x", {"Auto-Submitted: No (a person wrote it)", "Precedence: first-class", "X-List-Id: x"}));
  for (const TStringList& Headers :
       {TStringList{"Auto-Submitted: auto-replied"}, {"auto-submitted:\tAuto-Generated; x=y"}, {"Auto-Submitted:"},
        {"Precedence: BULK"}, {"Precedence: junk (spam)"}, {"List-Id: <talk.example.test>"},
        {"List-Unsubscribe:", " <mailto:leave@x>"}, {"Return-Path: <>"}})
    EXPECT_FALSE(MayAnswer("ann@x", Headers)) << Headers.front();
  for (const char* Machine : {"MAILER-DAEMON@x", "postmaster@x", "No-Reply+billing@x", "donotreply@x", ""})
    EXPECT_FALSE(MayAnswer(Machine, {})) << Machine;
  // Receipts say what they are, so other responders leave them unanswered.
  TnbMessage Receipt;
  FillReceipt(Receipt, "ann@x", "Hi", "2026-03-07", {"Me", "", "me@x"}, {});
  EXPECT_FALSE(MayAnswerAutomatically(Receipt));
}

}  // namespace
