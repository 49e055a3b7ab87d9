#include "inboxrow.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <string_view>

#include "app/store/fieldnames.h"
#include "datetimetext.h"
#include "maillib/message/nbmsg.h"
#include "maillib/mime/addressparse.h"
#include "maillib/mime/dateparse.h"
#include "platform/table/table.h"
#include "storedmessage.h"
#include "threadids.h"

namespace {

// Days from the zero date-time (1899-12-30) to the Unix epoch.
constexpr double UnixEpochDays = 25569;

// Minutes east of UTC of a zone as RFC 5322 writes it ("+0200", "-0830") or
// names it (RFC 822's "GMT", "EST" and the rest); nothing for a zone it does
// not know, whose time is then taken as it stands.
bool ZoneOffset(const std::string& Zone, int& Minutes) {
  if (Zone.size() == 5 && (Zone[0] == '+' || Zone[0] == '-') &&
      std::all_of(Zone.begin() + 1, Zone.end(), [](unsigned char C) { return std::isdigit(C); })) {
    const int Value = std::stoi(Zone.substr(1));
    Minutes = (Value / 100 * 60 + Value % 100) * (Zone[0] == '-' ? -1 : 1);
    return true;
  }
  static const std::pair<const char*, int> Named[] = {{"UT", 0},     {"UTC", 0},    {"GMT", 0},    {"Z", 0},
                                                      {"EST", -300}, {"EDT", -240}, {"CST", -360}, {"CDT", -300},
                                                      {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420}};
  for (const auto& [Name, Offset] : Named)
    if (Zone == Name) {
      Minutes = Offset;
      return true;
    }
  return false;
}

}  // namespace

std::string ReceivedDateText(const std::string& DateHeader, int Sequence) {
  const TParsedDate Parsed = ParseDate(ParseAddressParts(DateHeader).Address);
  std::string Text;
  if (Parsed.DateTime == 0) {
    Text = "1899-12-30";
  } else {
    const double Seconds = std::round((Parsed.DateTime - UnixEpochDays) * 86400);
    int Offset = 0;
    if (ZoneOffset(Parsed.Zone, Offset)) {
      Text = DateTimeText(static_cast<std::time_t>(Seconds) - Offset * 60);
    } else {
      // The time as written, read as local time.
      std::time_t AsWritten = static_cast<std::time_t>(Seconds);
      std::tm Fields{};
      gmtime_r(&AsWritten, &Fields);
      Fields.tm_isdst = -1;
      Text = DateTimeText(std::mktime(&Fields));
    }
  }
  return Text + " " + std::to_string(Sequence);
}

std::string DateWithoutSequence(const std::string& DateText) {
  const std::size_t Blank = DateText.rfind(' ');
  if (Blank == std::string::npos || Blank + 1 == DateText.size()) return DateText;
  const bool Sequence = std::all_of(DateText.begin() + static_cast<std::ptrdiff_t>(Blank) + 1, DateText.end(),
                                    [](unsigned char C) { return std::isdigit(C); });
  return Sequence ? DateText.substr(0, Blank) : DateText;
}

void WriteInboxRow(TTable& Inbox, TnbMessage& Message, const std::string& DateText, const TStringList& Attached) {
  TStringList To, Cc;
  for (int I = 0; I < Message.Recipients().Count(); ++I) To.push_back(Message.Recipients().Items(I).Address());
  for (int I = 0; I < Message.CC().Count(); ++I) Cc.push_back(Message.CC().Items(I).Address());
  Inbox.Append();
  try {
    Inbox.FieldByName(inboxfield::Subject).SetAsString(Message.Subject().empty() ? NoSubject : Message.Subject());
    Inbox.FieldByName(inboxfield::From)
        .SetAsString(Message.Sender().Name().empty() ? NoSenderName : Message.Sender().Name());
    Inbox.FieldByName(inboxfield::Email).SetAsString(Message.Sender().Address());
    Inbox.FieldByName(inboxfield::Date).SetAsString(DateText);
    Inbox.FieldByName(inboxfield::Data).SetAsLines(Message.Body());
    Inbox.FieldByName(inboxfield::Recpt).SetAsLines(To);
    Inbox.FieldByName(inboxfield::Cc).SetAsLines(Cc);
    Inbox.FieldByName(inboxfield::Attach).SetAsLines(Attached);
    Inbox.FieldByName(inboxfield::State).SetAsBoolean(false);
    const TThreadIds Thread = ReceivedThreadIds(Message.Headers());
    Inbox.FieldByName(inboxfield::MessageId).SetAsString(Thread.MessageId);
    Inbox.FieldByName(inboxfield::References).SetAsString(Thread.References);
    Inbox.FieldByName(inboxfield::BodyType).SetAsString(Message.BodyType);
    Inbox.Post();
  } catch (...) {
    Inbox.Cancel();
    throw;
  }
}

std::string SavedFilesDirectory(const TStringList& Attached, const std::string& Configured) {
  if (Attached.empty()) return Configured;
  const std::filesystem::path First = std::filesystem::path(Attached.front()).parent_path();
  for (const std::string& Path : Attached)
    if (std::filesystem::path(Path).parent_path() != First || First.empty()) return Configured;
  return First.string();
}
