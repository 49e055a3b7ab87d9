#include "answerplan.h"

#include <QString>

#include <algorithm>
#include <array>
#include <string_view>

#include "inboxrow.h"
#include "platform/runtime/asciicase.h"
#include "threadids.h"

namespace {

constexpr std::size_t RuleWidth = 30;

// The prefixes that already mark a subject as a reply ("AW:" is German
// mail's) or as a forward.
constexpr std::array<std::string_view, 2> ReplyPrefixes = {"Re:", "AW:"};
constexpr std::array<std::string_view, 2> ForwardPrefixes = {"Fwd:", "Fw:"};

template <std::size_t N>
std::string Prefixed(const std::string& Subject, const std::array<std::string_view, N>& Known, const char* Prefix) {
  for (std::string_view Word : Known)
    if (StartsWithNoCaseAscii(Subject, Word)) return Subject;
  return Prefix + Subject;
}

bool SameAddress(const std::string& A, const std::string& B) {
  return QString::fromStdString(A).compare(QString::fromStdString(B), Qt::CaseInsensitive) == 0;
}

// "On DATE, NAME wrote:", naming the sender by address when no name came.
std::string Attribution(const TStoredMessage& Source) {
  const std::string& Name = Source.From.empty() || Source.From == NoSenderName ? Source.Email : Source.From;
  return "On " + DateWithoutSequence(Source.Date) + ", " + Name + " wrote:";
}

}  // namespace

std::string ReplySubject(const std::string& Subject) { return Prefixed(Subject, ReplyPrefixes, "Re: "); }

std::string ForwardSubject(const std::string& Subject) { return Prefixed(Subject, ForwardPrefixes, "Fwd: "); }

TAnswerAddresses ReplyToAllAddresses(const TStoredMessage& Source, const std::string& OwnAddress) {
  TAnswerAddresses Addresses;
  std::vector<std::string> Taken = {OwnAddress};
  const auto Add = [&Taken](TStringList& To, const std::string& Address) {
    if (Address.empty() ||
        std::any_of(Taken.begin(), Taken.end(), [&](const std::string& T) { return SameAddress(T, Address); }))
      return;
    Taken.push_back(Address);
    To.push_back(Address);
  };
  for (const std::string& Address : Source.Recpt) Add(Addresses.To, Address);
  Add(Addresses.To, Source.Email);
  for (const std::string& Address : Source.Cc) Add(Addresses.Cc, Address);
  return Addresses;
}

TMessageWindowFill PlanAnswer(TAnswer Answer, TAnswerEntry Entry, const TStoredMessage& Source,
                              const std::string& OwnAddress) {
  TMessageWindowFill Fill;
  Fill.LabelCaption = "Send To";
  Fill.LabelLeft = 8;
  Fill.Editable = true;
  Fill.Subject = Answer == TAnswer::Forward ? ForwardSubject(Source.Subject) : ReplySubject(Source.Subject);
  Fill.WindowCaption = Fill.Subject;
  Fill.Body = {" ", " ", std::string(RuleWidth, '-'), Attribution(Source)};
  const TStringList Quoted = ReadableBody(Source);
  Fill.Body.insert(Fill.Body.end(), Quoted.begin(), Quoted.end());
  if (Answer != TAnswer::Forward) {
    const TAnswerIds Ids = AnswerThreadIds({Source.MessageId, Source.References});
    Fill.InReplyTo = Ids.InReplyTo;
    Fill.References = Ids.References;
  }

  switch (Answer) {
    case TAnswer::ReplyToWriter:
      Fill.SendCaption = "Reply Mail";
      Fill.Recpt = {Source.Email};
      // A reply goes back to its writer only.
      Fill.RecptEditable = false;
      Fill.CcEditable = false;
      break;
    case TAnswer::ReplyToAll: {
      Fill.SendCaption = "Reply All";
      TAnswerAddresses Addresses = ReplyToAllAddresses(Source, OwnAddress);
      Fill.Recpt = std::move(Addresses.To);
      Fill.Cc = std::move(Addresses.Cc);
      break;
    }
    case TAnswer::Forward:
      Fill.SendCaption = "Forward Mail";
      // The forwarded files go along with the text.
      Fill.Attachments = Source.Attach;
      Fill.AttachmentsReceived = true;
      if (Entry == TAnswerEntry::Menu) Fill.CcEditable = false;
      break;
  }
  return Fill;
}

std::string WrongFolderText(TAnswer Answer) {
  return Answer == TAnswer::ReplyToAll ? "You have to select a message in Inbox"
                                       : "You have to select a message from Inbox";
}

std::string AnswerRefusedCaption(TAnswer Answer) {
  return Answer == TAnswer::Forward ? "Unable to Forward" : "Unable to Reply";
}
