#include "nbmsg.h"

#include <algorithm>

#include "maillib/message/attachmentfile.h"
#include "platform/runtime/asciicase.h"

namespace {

const char* const SSenderRequired = "The address of sender is required";
const char* const SRecipientRequired = "At least one Recipient, CC or BCC must be entered";
const char* const SNewsgroupRequired = "Newsgroup header is required";
const char* const SSubjectRequired = "Subject header is required";

// The file name part of an attachment's name (after the last path
// separator; received names may use either kind), in lower case.
std::string LowerNamePart(std::string_view FileName) {
  const auto Sep = FileName.find_last_of("/\\");
  if (Sep != std::string_view::npos) FileName.remove_prefix(Sep + 1);
  return ToLowerAscii(FileName);
}

bool HasAddress(const TnbAddressList& List) {
  for (int I = 0; I < List.Count(); ++I)
    if (!List.Items(I).Address().empty()) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// TnbCustomMessage

TnbCustomMessage::TnbCustomMessage(TComponent* AOwner) : TComponent(AOwner) {}

TnbCustomMessage::TContentTypeRule TnbCustomMessage::ComputeContentType() const {
  if (Encoding == TMsgEncoding::meUU) return {"", false};
  const int Count = FAttachments.Count();
  bool AllAlternatives = Count > 0;
  for (int I = 0; I < Count && AllAlternatives; ++I)
    AllAlternatives = LowerNamePart(FAttachments.Items(I).FileName()).rfind("_alt.", 0) == 0;
  if (AllAlternatives) return {"multipart/alternative", true};
  if (Count == 1 && FBody.empty()) {
    const std::string Name = LowerNamePart(FAttachments.Items(0).FileName());
    if (Name == "_rtfbody.rtf") return {"text/rtf", true};
    if (Name == "_htmbody.htm") return {"text/html", true};
  }
  if (!FBody.empty()) {
    if (Count > 0) return {"multipart/mixed", true};
    // A type the caller set stays; one left over from attachments that are
    // gone no longer describes the message.
    if (FContentType.empty() || FContentTypeFromAttachments) return {"text/plain", false};
    return {FContentType, false};
  }
  if (Count == 0) return {"text/plain", false};
  if (Count == 1) return {FAttachments.Items(0).ContentType(), true};
  return {"multipart/mixed", true};
}

std::string TnbCustomMessage::ContentType() {
  TContentTypeRule Rule = ComputeContentType();
  FContentType = std::move(Rule.Type);
  FContentTypeFromAttachments = Rule.FromAttachments;
  return FContentType;
}

void TnbCustomMessage::SetContentType(std::string_view Value) {
  FContentType = ToLowerAscii(ShortString(Value));
  FContentTypeFromAttachments = false;
}

void TnbCustomMessage::SetAttachments(const TnbAttList& Value) {
  FAttachments.Assign(Value);
  const bool Empty = FAttachments.Count() == 0;
  FContentType = Empty ? "text/plain" : "multipart/mixed";
  FContentTypeFromAttachments = !Empty;
}

void TnbCustomMessage::CheckRequired() const {
  if (FSender.Address().empty()) throw EMessageError(SSenderRequired);
}

void TnbCustomMessage::Clear() {
  FBody.clear();
  FAttachments.Clear();
  FSender.Clear();
  FHeaders.clear();
  FSubject.clear();
  Encoding = TMsgEncoding::meMIME;
  CharSet = TCharSet::csUSASCII;
  BodyType = "text/plain";
  FContentType.clear();
  FContentTypeFromAttachments = false;
}

void TnbCustomMessage::Assign(const TnbCustomMessage& Source) {
  if (&Source == this) return;
  FSender.Assign(Source.FSender);
  FSubject = Source.FSubject;
  Encoding = Source.Encoding;
  CharSet = Source.CharSet;
  BodyType = Source.BodyType;
  FHeaders = Source.FHeaders;
  FBody = Source.FBody;
  FAttachments.Assign(Source.FAttachments);
  TContentTypeRule Rule = Source.ComputeContentType();
  FContentType = std::move(Rule.Type);
  FContentTypeFromAttachments = Rule.FromAttachments;
  Tag = Source.Tag;
}

void TnbCustomMessage::Loaded() {
  for (int I = 0; I < FAttachments.Count(); ++I) FAttachments.Items(I).LoadDataFromFile();
}

std::string TnbCustomMessage::SaveAttachment(int Index, const std::string& Directory) const {
  const TnbAttItem& Item = FAttachments.Items(Index);
  return SaveNewFile(Directory, Item.FileName(), Item.Data.View());
}

// ---------------------------------------------------------------------------
// TnbMessage

void TnbMessage::CheckRequired() const {
  TnbCustomMessage::CheckRequired();
  if (!HasAddress(FRecipients) && !HasAddress(FCC) && !HasAddress(FBCC))
    throw EMessageError(SRecipientRequired);
}

void TnbMessage::Clear() {
  TnbCustomMessage::Clear();
  FCC.Clear();
  FBCC.Clear();
  FRecipients.Clear();
}

void TnbMessage::Assign(const TnbCustomMessage& Source) {
  if (&Source == this) return;
  if (const auto* Message = dynamic_cast<const TnbMessage*>(&Source)) {
    FRecipients.Assign(Message->FRecipients);
    FCC.Assign(Message->FCC);
    FBCC.Assign(Message->FBCC);
    Priority = Message->Priority;
    ReturnReceipt = Message->ReturnReceipt;
  } else if (const auto* Article = dynamic_cast<const TnbArticle*>(&Source)) {
    SetHeaders(Article->Headers());
  }
  TnbCustomMessage::Assign(Source);
}

// ---------------------------------------------------------------------------
// TnbArticle

void TnbArticle::CheckRequired() const {
  TnbCustomMessage::CheckRequired();
  if (NewsGroups.empty()) throw EMessageError(SNewsgroupRequired);
  if (Subject().empty()) throw EMessageError(SSubjectRequired);
}

void TnbArticle::Clear() {
  NewsGroups.clear();
  TnbCustomMessage::Clear();
}

void TnbArticle::Assign(const TnbCustomMessage& Source) {
  if (&Source == this) return;
  if (const auto* Article = dynamic_cast<const TnbArticle*>(&Source))
    NewsGroups = Article->NewsGroups;
  TnbCustomMessage::Assign(Source);
}
