#include "receipt.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/settings/settingsfiles.h"
#include "maillib/message/msgtypes.h"
#include "maillib/message/nbmsg.h"
#include "maillib/mime/headerfields.h"
#include "platform/runtime/asciicase.h"

namespace {

// Local parts of senders that are machines: nobody reads what goes to them.
constexpr std::array<std::string_view, 2> MachineSenders = {"mailer-daemon", "postmaster"};
// Beginnings of local parts that say no answer is wanted ("noreply-billing").
constexpr std::array<std::string_view, 6> NoReplySenders = {"noreply",      "no-reply",     "no_reply",
                                                             "donotreply",   "do-not-reply", "do_not_reply"};
constexpr std::array<std::string_view, 3> BulkPrecedences = {"bulk", "list", "junk"};

// Whether the header block has a field named Name, whatever its value.
bool HasField(const TStringList& Headers, std::string_view Name) {
  return std::any_of(Headers.begin(), Headers.end(), [Name](const std::string& Line) {
    const std::size_t Colon = Line.find(':');
    if (Colon == std::string::npos || Line.empty() || Line.front() == ' ' || Line.front() == '\t') return false;
    std::string_view Field(Line.data(), Colon);
    while (!Field.empty() && (Field.back() == ' ' || Field.back() == '\t')) Field.remove_suffix(1);
    return EqualsNoCaseAscii(Field, Name);
  });
}

// The first word of a field's value, in lower case: "auto-generated" of
// "Auto-Generated (by a robot); x=y".
std::string Keyword(const TStringList& Headers, const char* Name) {
  const std::string Value = GetRawHeaderField(Headers, Name);
  const std::size_t Start = Value.find_first_not_of(" \t");
  if (Start == std::string::npos) return {};
  return ToLowerAscii(Value.substr(Start, Value.find_first_of(" \t;(", Start) - Start));
}

template <std::size_t N>
bool OneOf(std::string_view Word, const std::array<std::string_view, N>& Words) {
  return std::find(Words.begin(), Words.end(), Word) != Words.end();
}

}  // namespace

void FillReceipt(TnbMessage& Receipt, const std::string& SenderAddress, const std::string& Caption,
                 const std::string& ReceivedAt, const TStringList& Settings, const TStringList& Banner) {
  Receipt.ReturnReceipt = false;
  Receipt.Clear();
  Receipt.Recipients().Clear();
  Receipt.Attachments().Clear();
  Receipt.Headers().push_back("Auto-Submitted: auto-replied");
  Receipt.Recipients().AddAddress(SenderAddress, "");
  Receipt.SetSubject(ReceiptSubject);
  Receipt.Sender().SetName(ShortString(StringAt(Settings, settings::clName)));
  Receipt.Sender().SetAddress(ShortString(StringAt(Settings, settings::clEmail)));
  TStringList Body = Banner;
  Body.push_back("Corvalen receipt:");
  Body.push_back("Your E-mail has been received: " + ReceivedAt);
  Body.push_back("Subject: " + Caption);
  Receipt.Body() = std::move(Body);
}

bool MayAnswerAutomatically(const TnbMessage& Message) {
  const TStringList& Headers = Message.Headers();
  if (HasField(Headers, "Auto-Submitted") && Keyword(Headers, "Auto-Submitted") != "no") return false;
  if (OneOf(Keyword(Headers, "Precedence"), BulkPrecedences)) return false;
  if (HasField(Headers, "List-Id") || HasField(Headers, "List-Unsubscribe")) return false;
  if (Keyword(Headers, "Return-Path") == "<>") return false;
  const std::string& Address = Message.Sender().Address();
  if (Address.empty()) return false;
  const std::string Local = ToLowerAscii(Address.substr(0, Address.rfind('@')));
  if (OneOf(std::string_view(Local), MachineSenders)) return false;
  return std::none_of(NoReplySenders.begin(), NoReplySenders.end(),
                      [&Local](std::string_view Start) { return Local.starts_with(Start); });
}
