#include "maillib/mime/nbdecoder.h"

#include <memory>
#include <utility>

#include "maillib/message/nbmsg.h"
#include "maillib/mime/bodylines.h"
#include "maillib/mime/base64.h"
#include "maillib/mime/headerfields.h"
#include "maillib/mime/mimetext.h"
#include "maillib/mime/quotedprintable.h"
#include "maillib/mime/uuencode.h"
#include "maillib/transport/nberrors.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/processmessages.h"
#include "platform/runtime/strutils.h"
#include "platform/runtime/textencoding.h"

using namespace mimetext;

namespace {

constexpr const char* SUnableToRetrieveHeaders = "Unable to retrieve headers";
constexpr const char* SCannotFindBoundary = "Cannot find boundary";
constexpr const char* SCannotFindClosingBoundary = "Cannot find closing boundary";
constexpr const char* SErrorDecodingAttachment = "Error decoding the attachment";
constexpr const char* SErrorLine1 = "The following error has been occured while processing the message:";
constexpr const char* SErrorLine3 = "The original message will be stored as an attachment";
constexpr const char* SOriginalName = "original.eml";
// A mailer whose multipart messages are read as one plain text body.
constexpr const char* SPlainMailer = "V Mailsystem R #0001";

// Decoded bytes are handed to an attachment's stream in pieces of this size,
// so a large part never needs a second full-size buffer.
constexpr std::size_t FlushSize = 64 * 1024;

bool Contains(const std::string& Text, std::string_view Part) { return Text.find(Part) != std::string::npos; }

bool StartsWith(std::string_view Text, std::string_view Prefix) { return Text.substr(0, Prefix.size()) == Prefix; }

// Transfer encoding of a Content-Transfer-Encoding value, and whether it
// announces uuencoded content.
TTransferEncoding TransferEncodingOf(const std::string& Value, bool& UUEncoded) {
  const std::string Lower = ToLowerAscii(TrimView(Value));
  UUEncoded = false;
  if (Lower == "base64") return TTransferEncoding::teBase64;
  if (StartsWith(Lower, "x-uue")) {
    UUEncoded = true;
    return TTransferEncoding::teBase64;
  }
  if (Lower == "quoted-printable") return TTransferEncoding::teQuotedPrintable;
  return TTransferEncoding::te7Bit;
}

// The media type of a Content-Type value in lower case. Without one a part
// is text/plain, or message/rfc822 in a digest (RFC 2046, section 5.1.5);
// a type without a subtype ("text") is not a valid type and is read as
// text/plain (RFC 2045, section 5.2).
std::string MediaTypeOf(const std::string& ContentType, bool Digest) {
  const std::string Type = ToLowerAscii(GetMediaType(ContentType));
  if (Type.empty()) return Digest ? "message/rfc822" : "text/plain";
  if (Type.find('/') == std::string::npos) return "text/plain";
  return Type;
}

// The Subject of the message whose raw text starts Raw.
std::string SubjectOf(std::string_view Raw) {
  TnbHeaders Headers;
  for (std::size_t Start = 0; Start < Raw.size() && Headers.size() < 1000;) {
    std::size_t End = Raw.find('\n', Start);
    if (End == std::string_view::npos) End = Raw.size();
    std::string_view Line = Raw.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
    if (Line.empty()) break;
    Headers.emplace_back(Line);
    Start = End + 1;
  }
  return GetHeaderField(Headers, "Subject");
}

// Text made fit to be a file name: characters that separate paths or that
// file systems refuse become "_", and it is kept short.
std::string FileNameText(const std::string& Text) {
  std::string Name;
  for (const char C : Text)
    Name += (static_cast<unsigned char>(C) < ' ' || std::string_view("/\\:*?\"<>|").find(C) != std::string_view::npos) ? '_' : C;
  return Trim(CutUtf8(Trim(Name), 120));
}

// Lines of a uuencoded block that carry no data.
bool IsUUFrameLine(std::string_view Line) {
  return IsUUBeginLine(Line) || Line == "`" || EqualsNoCaseAscii(Line, "end");
}

// Removes the CR LF that ends Bytes: the line break that ends a part's last
// line belongs to the delimiter that follows (RFC 2046).
void DropFinalLineBreak(std::string& Bytes) {
  if (Bytes.ends_with("\r\n")) Bytes.resize(Bytes.size() - 2);
}

// Appends the decoded bytes in Buffer to Data once there are enough of them.
// When a part turns out to be large, Data is given room for the rest of the
// input at once (Remaining bytes of text never decode to more), so it is not
// copied again and again as it grows; pages of the room that are never
// written cost no memory. The last Keep bytes stay in Buffer.
void FlushInto(TMemoryStream& Data, std::string& Buffer, bool Force, std::size_t Remaining = 0,
               std::size_t Keep = 0) {
  if (Buffer.size() >= FlushSize + Keep || (Force && !Buffer.empty())) {
    if (Data.Size() == 0 && !Force && Remaining > 0) Data.Reserve(Buffer.size() + Remaining);
    const std::size_t Taken = Buffer.size() - (Force ? 0 : Keep);
    Data.Write(Buffer.data(), Taken);
    Buffer.erase(0, Taken);
  }
}

}  // namespace

TnbCustomDecoder::TnbCustomDecoder(TStream& Input) : FInput(Input) { FLines.SetSource(&Input); }

bool TnbCustomDecoder::ReadLine() {
  if (FHeld) {
    FHeld = false;
    return true;
  }
  if (FPeeked) {
    FPeeked = false;
    FLineCopy.swap(FNext);
    FLine = FLineCopy;
    FAtEnd = !FNextValid;
    return FNextValid;
  }
  FLine = FLines.ReadLineView();
  FAtEnd = FLines.EndOfStream();
  return !FAtEnd;
}

const std::string& TnbCustomDecoder::PeekLine() {
  if (!FPeeked) {
    // Reading on may move the window FLine looks into.
    if (FLine.data() != FLineCopy.data()) {
      FLineCopy.assign(FLine);
      FLine = FLineCopy;
    }
    FLines.ReadLine(FNext);
    FNextValid = !FLines.EndOfStream();
    if (!FNextValid) FNext.clear();
    FPeeked = true;
  }
  return FNext;
}

bool TnbCustomDecoder::AtUUBlock() { return IsUUBeginLine(FLine) && IsUUDataLine(PeekLine()); }

void TnbCustomDecoder::ReadHeaders(TnbHeaders& Headers) {
  Headers.clear();
  while (ReadLine()) {
    if (FLine.empty()) return;
    if (FLine == TLineStream::EofMarker) throw EMessageParserError(SUnableToRetrieveHeaders);
    // A line that is neither a field nor a continuation is text: the block
    // ended without its empty line, and the line begins the body. (A first
    // line "From " is the envelope line of a mailbox file.) A delimiter
    // ends a part that has no body, even one whose boundary holds a colon.
    if ((!IsContinuationLine(FLine) && !IsHeaderFieldLine(FLine) && !(Headers.empty() && StartsWith(FLine, "From "))) ||
        AtDelimiter()) {
      FHeld = true;
      return;
    }
    Headers.emplace_back(FLine);
  }
}

void TnbCustomDecoder::Decode() {
  // A message whose headers cannot be read or applied is still kept: what
  // could be read is applied, the raw lines stay as its headers, and the
  // error is reported in the body like any other structural error.
  std::string HeaderError;
  try {
    ReadHeaders(MessageHeaders);
  } catch (const EMessageParserError& E) {
    HeaderError = E.Message;
  }
  try {
    ApplyHeaders();
  } catch (const Exception& E) {
    Message->SetHeaders(MessageHeaders);
    if (HeaderError.empty()) HeaderError = E.Message.empty() ? SUnableToRetrieveHeaders : E.Message;
  }

  if (!HeaderError.empty()) {
    AppendError(HeaderError);
    return;
  }
  // A multipart with a boundary is MIME even where the sender left out
  // MIME-Version: its parts would otherwise be shown as raw text.
  const std::string CT = GetHeaderField(MessageHeaders, "Content-Type");
  const bool Multipart =
      StartsWith(ToLowerAscii(GetMediaType(CT)), "multipart/") && !GetParameter("boundary", CT).empty();
  try {
    if (Contains(GetHeaderField(MessageHeaders, "MIME-VERSION"), "1.0") || Multipart)
      DecodeMIME();
    else
      DecodePlain();
    FinishParts();
  } catch (const EMessageParserError& E) {
    FinishParts();
    AppendError(E.Message);
  }
}

void TnbCustomDecoder::AppendError(const std::string& ErrorMessage) {
  TStringList& Body = Message->Body();
  Body.push_back(SErrorLine1);
  Body.push_back(ValidUTF8(ErrorMessage));
  Body.push_back(SErrorLine3);
  auto Item = std::make_unique<TnbAttItem>();
  Item->SetFileName(SOriginalName);
  Item->SetContentType("message/rfc822");
  Item->TransferEncoding = TTransferEncoding::te7Bit;
  // The whole raw input, read again from its start.
  FInput.SetPosition(0);
  char Chunk[65536];
  for (std::size_t N; (N = FInput.Read(Chunk, sizeof Chunk)) > 0;) Item->Data.Write(Chunk, N);
  Item->Data.SetPosition(0);
  Message->Attachments().AddItem(std::move(Item));
}

std::string TnbCustomDecoder::GeneratedName(bool Alternative) const {
  return (Alternative ? "_alt." : "att.") + std::to_string(Message->Attachments().Count());
}

void TnbCustomDecoder::LoadBody(std::string Bytes, const std::string& CharSetName) {
  TBodyLines Lines(Message->Body(), CharSetName, Bytes.size());
  Lines.Pending = std::move(Bytes);
  Lines.Finish();
}

void TnbCustomDecoder::DecodeMIME() {
  if (GetHeaderField(MessageHeaders, "X-Mailer") == SPlainMailer) DeleteHeaderField(MessageHeaders, "Content-Type");
  const std::string CT = GetHeaderField(MessageHeaders, "Content-Type");
  const std::string Type = MediaTypeOf(CT, false);
  if (StartsWith(Type, "multipart/")) {
    DecodeEntity(MessageHeaders, TPartPlace{});
  } else if (!StartsWith(Type, "text/")) {
    DecodeSinglePart();
  } else {
    const std::string Name = GetParameter("name", CT);
    if (!Name.empty() && Name != "cc:Mail")
      DecodeSinglePart();
    else
      DecodeTextBody();
  }
}

void TnbCustomDecoder::DecodeTextBody() {
  const std::string CT = GetHeaderField(MessageHeaders, "Content-Type");
  const std::string MediaType = MediaTypeOf(CT, false);
  if (MediaType == "text/html") Message->SetContentType("text/html");
  if (MediaType == "text/rtf") Message->SetContentType("text/rtf");
  if (MediaType == "text/html" || MediaType == "text/rtf") Message->BodyType = MediaType;

  Message->Body().clear();
  const std::string Encoding = ToLowerAscii(TrimView(GetHeaderField(MessageHeaders, "Content-Transfer-Encoding")));
  const bool QP = Encoding == "quoted-printable" ||
                  Contains(ToLowerAscii(GetHeaderField(MessageHeaders, "X-MIME-Autoconverted")), "quoted-printable");
  const bool B64 = Encoding == "base64";
  const std::string CharSetName = GetParameter("charset", CT);
  if (EqualsNoCaseAscii(TrimView(CharSetName), "iso-2022-jp")) Message->CharSet = TCharSet::csISO2022jp;
  if (QP) Message->CharSet = TCharSet::csISO8859;

  if (!B64) {
    std::string Raw;
    TBodyLines Lines(Message->Body(), CharSetName, static_cast<std::size_t>(FLines.Remaining()));
    bool UUFound = false;
    while (ReadLine()) {
      if (AtUUBlock()) {
        UUFound = true;
        break;
      }
      if (QP) {
        DecodeQPLine(FLine, Lines.Pending);
        Lines.Take();
        ProcessMessages();
      } else {
        Raw.append(FLine);
        Raw += '\n';
      }
    }
    if (UUFound) {
      // Uuencoded blocks inside a MIME text body: read the message again as
      // a plain one. Its header fields were applied already.
      FLines.Rewind();
      FHeld = false;
      FPeeked = false;
      Message->Body().clear();
      Message->BodyType = "text/plain";
      ReadHeaders(MessageHeaders);
      DecodePlain();
      return;
    }
    if (QP) {
      Lines.Finish();
    } else {
      LoadBody(std::move(Raw), CharSetName);
    }
  } else {
    std::string Bytes;
    TBase64Decoder Base64;
    while (ReadLine()) Base64.Add(FLine, Bytes);
    LoadBody(std::move(Bytes), CharSetName);
  }
}

int TnbCustomDecoder::DelimiterLevel(bool& Closing) const {
  if (FLine.size() < 3 || FLine[0] != '-' || FLine[1] != '-' || FDelimiters.empty()) return -1;
  // Blanks after a delimiter are allowed (RFC 2046, section 5.1.1).
  std::string_view Line = FLine;
  while (!Line.empty() && (Line.back() == ' ' || Line.back() == '\t')) Line.remove_suffix(1);
  for (std::size_t Level = FDelimiters.size(); Level-- > 0;) {
    const std::string& Delimiter = FDelimiters[Level];
    if (!StartsWith(Line, Delimiter)) continue;
    const std::string_view Rest = Line.substr(Delimiter.size());
    if (Rest.empty() || Rest == "--") {
      Closing = !Rest.empty();
      return static_cast<int>(Level);
    }
  }
  return -1;
}

void TnbCustomDecoder::DecodeEntity(const TnbHeaders& Headers, const TPartPlace& Place) {
  const std::string CT = GetHeaderField(Headers, "Content-Type");
  const std::string Type = MediaTypeOf(CT, Place.Digest);
  const std::string Boundary = GetParameter("boundary", CT);
  if (StartsWith(Type, "multipart/") && !Boundary.empty() && Place.Depth < MaxDepth) {
    DecodeMultipart(Boundary, Type.substr(10), Place);
    return;
  }

  bool UUEncoded = false;
  const std::string Encoding = GetHeaderField(Headers, "Content-Transfer-Encoding");
  const TTransferEncoding PartEncoding = TransferEncodingOf(Encoding, UUEncoded);
  const std::string Disposition = GetRawHeaderField(Headers, "Content-Disposition");
  std::string FileName = GetFileNameParameter("filename", Disposition);
  if (FileName.empty()) FileName = GetFileNameParameter("name", CT);
  if (FileName == "cc:Mail") FileName.clear();
  const bool Attached = ToLowerAscii(GetMediaType(Disposition)) == "attachment" || !FileName.empty();
  const bool Multipart = StartsWith(Type, "multipart/");

  // The first plain text that is not an attachment is the body.
  if (Type == "text/plain" && !Attached && !FBodyTaken) {
    FBodyTaken = true;
    const std::string CharSetName = GetParameter("charset", CT);
    if (EqualsNoCaseAscii(TrimView(CharSetName), "iso-2022-jp")) Message->CharSet = TCharSet::csISO2022jp;
    ReadBodyText(CharSetName, ToLowerAscii(TrimView(Encoding)));
    // An empty text part still gives the message a body, of one empty line.
    if (Message->Body().empty()) Message->Body().emplace_back();
    return;
  }

  auto Item = std::make_unique<TnbAttItem>();
  if (!FileName.empty()) Item->SetFileName(FileName);
  Item->SetContentType(Type);
  // Deeper multiparts than the walk follows are kept as they stand.
  Item->TransferEncoding = Multipart ? TTransferEncoding::te7Bit : PartEncoding;
  try {
    ReadPartData(*Item, UUEncoded && !Multipart, false);
  } catch (const Exception&) {
    // Bad content in one part (a character outside its alphabet, say)
    // is reported as a failed attachment.
    throw EMessageParserError(SErrorDecodingAttachment);
  }
  Item->Data.SetPosition(0);
  TnbAttItem* Added = Item.get();

  if (Type == "message/rfc822" || Type == "message/global") {
    // A message is kept whole, named after its subject.
    Item->TransferEncoding = TTransferEncoding::te7Bit;
    if (FileName.empty()) {
      const std::string Subject = FileNameText(SubjectOf(Item->Data.View()));
      if (!Subject.empty()) {
        Item->SetFileName(Subject + ".eml");
        Item->SetContentType(Type);
        Item->TransferEncoding = TTransferEncoding::te7Bit;
      }
    }
    const bool NeedsName = Item->FileName().empty();
    AddPart(std::move(Item), NeedsName, false, ".eml");
    return;
  }
  if ((Type == "text/html" || Type == "text/rtf") && !Attached && !FBodyTaken && FMarkup == nullptr) {
    FMarkup = Added;
    FMarkupCharSet = GetParameter("charset", CT);
    FMarkupType = Type;
  }
  const bool NeedsName = Item->FileName().empty();
  AddPart(std::move(Item), NeedsName, Place.Alternative || (Place.AlternativeRelated && StartsWith(Type, "text/")));
}

void TnbCustomDecoder::DecodeMultipart(const std::string& Boundary, const std::string& SubType,
                                       const TPartPlace& Place) {
  FDelimiters.push_back("--" + Boundary);
  const int Level = static_cast<int>(FDelimiters.size()) - 1;
  TPartPlace Inner;
  Inner.Depth = Place.Depth + 1;
  Inner.Digest = SubType == "digest";
  Inner.Alternative = SubType == "alternative";
  // The text of a related group that is a rendering is that rendering;
  // its images are files of their own.
  Inner.AlternativeRelated = SubType == "related" && (Place.Alternative || Place.AlternativeRelated);
  bool Closing = false;
  int Found = -1;
  // The preamble.
  while (ReadLine())
    if ((Found = DelimiterLevel(Closing)) >= 0) break;
  if (Found != Level || Closing) {
    FDelimiters.pop_back();
    // The outermost multipart must have parts: without them nothing of the
    // message could be read.
    if (Level == 0 && Found < 0) throw EMessageParserError(SCannotFindBoundary);
    if (Found == Level) {
      while (ReadLine() && !AtDelimiter()) {
      }
    }
    return;
  }
  bool FirstPart = true;
  for (;;) {
    ProcessMessages();
    TnbHeaders Headers;
    ReadHeaders(Headers);
    DecodeEntity(Headers, Inner);
    if (FAtEnd) {
      // A message cut off inside its first part lacks its structure.
      if (Level == 0 && FirstPart) throw EMessageParserError(SCannotFindBoundary);
      break;
    }
    FirstPart = false;
    Found = DelimiterLevel(Closing);
    if (Found != Level) break;  // an enclosing multipart goes on
    if (Closing) {
      // The epilogue, up to the enclosing multipart's next delimiter.
      FDelimiters.pop_back();
      while (ReadLine() && !AtDelimiter()) {
      }
      return;
    }
  }
  FDelimiters.pop_back();
}

void TnbCustomDecoder::ReadBodyText(const std::string& CharSetName, const std::string& Encoding) {
  const bool QP = Encoding == "quoted-printable";
  const bool B64 = Encoding == "base64";
  if (QP) Message->CharSet = TCharSet::csISO8859;
  if (B64) {
    std::string Bytes;
    TBase64Decoder Base64;
    while (ReadLine() && !AtDelimiter()) Base64.Add(FLine, Bytes);
    LoadBody(std::move(Bytes), CharSetName);
    return;
  }
  TBodyLines Lines(Message->Body(), CharSetName, static_cast<std::size_t>(FLines.Remaining()));
  bool LastHard = false;
  bool First = true;
  while (ReadLine() && !AtDelimiter()) {
    if (QP) {
      LastHard = DecodeQPLine(FLine, Lines.Pending);
      ProcessMessages();
    } else {
      // Lines are joined, not ended: the last line break belongs to the
      // delimiter (RFC 2046).
      if (!First) Lines.Pending += '\n';
      Lines.Pending.append(FLine);
      First = false;
    }
    Lines.Take();
  }
  if (QP && LastHard) DropFinalLineBreak(Lines.Pending);
  Lines.Finish();
}

void TnbCustomDecoder::AddPart(std::unique_ptr<TnbAttItem> Item, bool NeedsName, bool Alternative,
                               const char* Suffix) {
  TnbAttItem* Added = Message->Attachments().AddItem(std::move(Item));
  if (NeedsName) FPendingNames.push_back({Added, Alternative, Suffix});
}

void TnbCustomDecoder::FinishParts() {
  TnbAttList& Items = Message->Attachments();
  if (FMarkup != nullptr && !FBodyTaken) {
    // No plain text: the HTML or RTF text is the body, as for a message
    // that is only that text.
    for (int I = 0; I < Items.Count(); ++I) {
      if (&Items.Items(I) != FMarkup) continue;
      LoadBody(std::string(FMarkup->Data.View()), FMarkupCharSet);
      std::erase_if(FPendingNames, [&](const TPendingName& P) { return P.Item == FMarkup; });
      Items.Delete(I);
      Message->SetContentType(FMarkupType);
      Message->BodyType = FMarkupType;
      break;
    }
  }
  FMarkup = nullptr;
  // Pending names follow the order of the list, so the search for each
  // item's position goes on from the previous one: one pass over the list,
  // not one per part.
  int Index = 0;
  for (const TPendingName& Pending : FPendingNames) {
    while (&Items.Items(Index) != Pending.Item) ++Index;
    // Naming derives type and encoding from the name; the part's own stay.
    const std::string Type = Pending.Item->ContentType();
    const TTransferEncoding Encoding = Pending.Item->TransferEncoding;
    Pending.Item->SetFileName((Pending.Alternative ? "_alt." : "att.") + std::to_string(Index) + Pending.Suffix);
    if (!Type.empty()) Pending.Item->SetContentType(Type);
    Pending.Item->TransferEncoding = Encoding;
  }
  FPendingNames.clear();
}

void TnbCustomDecoder::ReadPartData(TnbAttItem& Item, bool UUEncoded, bool ToEnd) {
  const std::size_t Remaining = static_cast<std::size_t>(FLines.Remaining());
  // Base64 and uuencode give 3 bytes for 4 characters; the other encodings
  // never more bytes than they read.
  const std::size_t Room = Item.TransferEncoding == TTransferEncoding::teBase64 ? Remaining / 4 * 3 : Remaining;
  std::string Buffer;
  Buffer.reserve(FlushSize + 4096);
  TBase64Decoder Base64;
  // Whether Buffer ends with a line break of the text: before a delimiter
  // that break belongs to the delimiter (RFC 2046).
  bool LastBreak = false;
  while (ReadLine() && !AtDelimiter()) {
    switch (Item.TransferEncoding) {
      case TTransferEncoding::teBase64:
        if (FLine.empty() || (UUEncoded && IsUUFrameLine(FLine))) continue;
        if (UUEncoded) DecodeUULine(FLine, Buffer);
        else Base64.Add(FLine, Buffer);
        break;
      case TTransferEncoding::teQuotedPrintable:
        LastBreak = DecodeQPLine(FLine, Buffer);
        ProcessMessages();
        break;
      case TTransferEncoding::te7Bit:
        ProcessMessages();
        Buffer += FLine;
        Buffer += "\r\n";
        LastBreak = true;
        break;
    }
    // The last line break stays in the buffer until the end is known.
    FlushInto(Item.Data, Buffer, false, Room, 2);
  }
  if (LastBreak && !ToEnd) DropFinalLineBreak(Buffer);
  FlushInto(Item.Data, Buffer, true);
}

void TnbCustomDecoder::DecodeSinglePart() {
  const std::string CT = GetHeaderField(MessageHeaders, "Content-Type");
  const std::string MediaType = GetMediaType(CT);
  auto Item = std::make_unique<TnbAttItem>();
  Item->SetContentType(MediaType);
  const std::string Name = GetFileNameParameter("name", CT);
  if (!Name.empty()) {
    Item->SetFileName(Name);
    Item->SetContentType(MediaType);
  }
  bool UUEncoded = false;
  const TTransferEncoding Encoding =
      TransferEncodingOf(GetHeaderField(MessageHeaders, "Content-Transfer-Encoding"), UUEncoded);
  Item->TransferEncoding = Encoding;
  if (Item->FileName().empty()) {
    std::string FileName = GetFileNameParameter("filename", GetRawHeaderField(MessageHeaders, "Content-Disposition"));
    if (FileName.empty()) FileName = GeneratedName(false);
    Item->SetFileName(FileName);
    Item->TransferEncoding = Encoding;
    Item->SetContentType(MediaType);
  }

  try {
    ReadPartData(*Item, UUEncoded, true);
  } catch (const Exception&) {
    throw EMessageParserError(SErrorDecodingAttachment);
  }
  Item->Data.SetPosition(0);
  Message->Attachments().AddItem(std::move(Item));
}

void TnbCustomDecoder::DecodePlain() {
  std::string Raw;
  bool UUFound = false;
  while (ReadLine()) {
    if (AtUUBlock()) {
      UUFound = true;
      break;
    }
    Raw.append(FLine);
    Raw += '\n';
  }
  LoadBody(std::move(Raw), GetParameter("charset", GetHeaderField(MessageHeaders, "Content-Type")));
  if (UUFound) {
    Message->Encoding = TMsgEncoding::meUU;
    DecodeUUBlocks();
  }
}

void TnbCustomDecoder::DecodeUUBlocks() {
  // FLine holds a begin line.
  std::string Buffer;
  Buffer.reserve(FlushSize + 4096);
  for (;;) {
    auto Item = std::make_unique<TnbAttItem>();
    const std::string Name = UUFileName(FLine);
    Item->SetFileName(Name.empty() ? GeneratedName(false) : Name);
    const std::size_t Remaining = static_cast<std::size_t>(FLines.Remaining());
    try {
      while (ReadLine() && FLine != "`" && !EqualsNoCaseAscii(FLine, "END")) {
        if (FLine.empty()) continue;
        DecodeUULine(FLine, Buffer);
        FlushInto(Item->Data, Buffer, false, Remaining);
      }
      FlushInto(Item->Data, Buffer, true);
    } catch (const Exception&) {
      throw EMessageParserError(SErrorDecodingAttachment);
    }
    Item->Data.SetPosition(0);
    Message->Attachments().AddItem(std::move(Item));

    // Text between blocks and after the last one is dropped.
    bool Found = false;
    while (ReadLine()) {
      if (AtUUBlock()) {
        Found = true;
        break;
      }
    }
    if (!Found) return;
  }
}

void TnbMessageDecoder::ApplyHeaders() { static_cast<TnbMessage*>(Message)->ParseHeaders(MessageHeaders); }

void TnbArticleDecoder::ApplyHeaders() { static_cast<TnbArticle*>(Message)->ParseHeaders(MessageHeaders); }
