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
#include "platform/runtime/processmessages.h"
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

std::string LowerCase(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return Result;
}

bool Contains(const std::string& Text, std::string_view Part) { return Text.find(Part) != std::string::npos; }

bool StartsWith(std::string_view Text, std::string_view Prefix) { return Text.substr(0, Prefix.size()) == Prefix; }

// Transfer encoding of a Content-Transfer-Encoding value, and whether it
// announces uuencoded content.
TTransferEncoding TransferEncodingOf(const std::string& Value, bool& UUEncoded) {
  const std::string Lower = LowerCase(TrimView(Value));
  UUEncoded = false;
  if (Lower == "base64") return TTransferEncoding::teBase64;
  if (StartsWith(Lower, "x-uue")) {
    UUEncoded = true;
    return TTransferEncoding::teBase64;
  }
  if (Lower == "quoted-printable") return TTransferEncoding::teQuotedPrintable;
  return TTransferEncoding::te7Bit;
}

// Lines of a uuencoded block that carry no data.
bool IsUUFrameLine(const std::string& Line) {
  return IsUUBeginLine(Line) || Line == "`" || EqualsNoCase(Line, "end");
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

TnbCustomDecoder::TnbCustomDecoder(TStream& Input) : FInput(Input) {
  FLines.SetSource(&Input);
  FLine.reserve(1024);
}

bool TnbCustomDecoder::ReadLine() {
  if (FHeld) {
    FHeld = false;
    return true;
  }
  if (FPeeked) {
    FPeeked = false;
    std::swap(FLine, FNext);
    return FNextValid;
  }
  FLines.ReadLine(FLine);
  return !FLines.EndOfStream();
}

const std::string& TnbCustomDecoder::PeekLine() {
  if (!FPeeked) {
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
    // line "From " is the envelope line of a mailbox file.)
    if (!IsContinuationLine(FLine) && !IsHeaderFieldLine(FLine) && !(Headers.empty() && StartsWith(FLine, "From "))) {
      FHeld = true;
      return;
    }
    Headers.push_back(FLine);
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
  } else {
    try {
      if (Contains(GetHeaderField(MessageHeaders, "MIME-VERSION"), "1.0"))
        DecodeMIME();
      else
        DecodePlain();
    } catch (const EMessageParserError& E) {
      AppendError(E.Message);
    }
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
  TBodyLines Lines(Message->Body(), CharSetName);
  Lines.Pending = std::move(Bytes);
  Lines.Finish();
}

void TnbCustomDecoder::DecodeMIME() {
  if (GetHeaderField(MessageHeaders, "X-Mailer") == SPlainMailer) DeleteHeaderField(MessageHeaders, "Content-Type");
  const std::string CT = GetHeaderField(MessageHeaders, "Content-Type");
  const std::string Lower = LowerCase(CT);
  if (Contains(Lower, "multipart/alternative")) {
    TopAlternative = true;
    DecodeMultipart();
  } else if (Contains(Lower, "multipart")) {
    DecodeMultipart();
  } else if (!Lower.empty() && !Contains(Lower, "text/")) {
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
  const std::string MediaType = LowerCase(GetMediaType(CT));
  if (MediaType == "text/html") Message->SetContentType("text/html");
  if (MediaType == "text/rtf") Message->SetContentType("text/rtf");

  Message->Body().clear();
  const std::string Encoding = LowerCase(TrimView(GetHeaderField(MessageHeaders, "Content-Transfer-Encoding")));
  const bool QP = Encoding == "quoted-printable" ||
                  Contains(LowerCase(GetHeaderField(MessageHeaders, "X-MIME-Autoconverted")), "quoted-printable");
  const bool B64 = Encoding == "base64";
  const std::string CharSetName = GetParameter("charset", CT);
  if (EqualsNoCase(TrimView(CharSetName), "iso-2022-jp")) Message->CharSet = TCharSet::csISO2022jp;
  if (QP) Message->CharSet = TCharSet::csISO8859;

  if (!B64) {
    std::string Raw;
    TBodyLines Lines(Message->Body(), CharSetName);
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

void TnbCustomDecoder::DecodeMultipart() {
  const std::string Boundary = GetParameter("Boundary", GetHeaderField(MessageHeaders, "Content-Type"));
  // Without a boundary every line beginning with "--" would end a part.
  if (Boundary.empty()) throw EMessageParserError(SCannotFindBoundary);
  Delimiter = "--" + Boundary;
  SkipToDelimiter(true, SCannotFindBoundary);
  if (DecodeFirstPart()) DecodeParts();
}

void TnbCustomDecoder::SkipToDelimiter(bool Exact, const char* Error) {
  while (ReadLine()) {
    if (Exact ? FLine == Delimiter : StartsWith(FLine, Delimiter)) return;
  }
  throw EMessageParserError(Error);
}

void TnbCustomDecoder::SkipToEnd() {
  while (ReadLine()) {
  }
}

bool TnbCustomDecoder::LeaveAlternative() {
  InAlternative = false;
  Delimiter = OuterDelimiter;
  SkipToDelimiter(false, SCannotFindClosingBoundary);
  // The outer multipart may close right after the group.
  return FLine != Delimiter + "--";
}

bool TnbCustomDecoder::DecodeFirstPart() {
  ReadHeaders(PartHeaders);
  std::string CT = GetHeaderField(PartHeaders, "Content-Type");
  if (EqualsNoCase(TrimView(GetParameter("CharSet", CT)), "iso-2022-jp")) Message->CharSet = TCharSet::csISO2022jp;

  if (Contains(LowerCase(CT), "multipart/alternative")) {
    InAlternative = true;
    OuterDelimiter = Delimiter;
    const std::string Boundary = GetParameter("boundary", CT);
    if (Boundary.empty()) throw EMessageParserError(SCannotFindBoundary);
    Delimiter = "--" + Boundary;
    SkipToDelimiter(true, SCannotFindBoundary);
    ReadHeaders(PartHeaders);
    CT = GetHeaderField(PartHeaders, "Content-Type");
    if (EqualsNoCase(TrimView(GetParameter("CharSet", CT)), "iso-2022-jp")) Message->CharSet = TCharSet::csISO2022jp;
  }

  const std::string Encoding = LowerCase(TrimView(GetHeaderField(PartHeaders, "Content-Transfer-Encoding")));
  if (Encoding == "base64" && Message->CharSet != TCharSet::csISO2022jp) return true;  // an attachment

  Message->Body().clear();
  const bool QP = Encoding == "quoted-printable";
  const bool B64 = Encoding == "base64";
  if (QP) Message->CharSet = TCharSet::csISO8859;
  const std::string Closing = Delimiter + "--";
  const std::string CharSetName = GetParameter("charset", CT);
  bool Ended = false;

  if (!B64) {
    std::string Raw;
    TBodyLines Lines(Message->Body(), CharSetName);
    bool LastHard = false;
    bool First = true;
    while (ReadLine()) {
      if (FLine == Delimiter || FLine == Closing) {
        Ended = true;
        break;
      }
      if (QP) {
        LastHard = DecodeQPLine(FLine, Lines.Pending);
        Lines.Take();
        ProcessMessages();
      } else {
        // Lines are joined, not ended: the last line break belongs to the
        // delimiter (RFC 2046).
        if (!First) Raw += '\n';
        Raw.append(FLine);
        First = false;
      }
    }
    if (QP) {
      if (LastHard) DropFinalLineBreak(Lines.Pending);
      Lines.Finish();
    } else {
      LoadBody(std::move(Raw), CharSetName);
    }
  } else {
    std::string Bytes;
    TBase64Decoder Base64;
    while (ReadLine()) {
      if (StartsWith(FLine, Delimiter)) {
        Ended = true;
        break;
      }
      Base64.Add(FLine, Bytes);
    }
    LoadBody(std::move(Bytes), CharSetName);
  }
  // The next part's headers are read only after a body with lines.
  if (Message->Body().empty()) Message->Body().emplace_back();

  if (!Ended) throw EMessageParserError(SCannotFindBoundary);
  if (FLine == Closing) {
    if (InAlternative) return LeaveAlternative();  // the group is over, not the message
    Message->SetContentType(LowerCase(GetMediaType(CT)));
    SkipToEnd();
    return false;
  }
  return true;
}

void TnbCustomDecoder::DecodeParts() {
  if (FLines.EndOfStream()) return;
  for (;;) {
    ProcessMessages();
    if (!Message->Body().empty() || Message->Attachments().Count() > 0) ReadHeaders(PartHeaders);

    auto Item = std::make_unique<TnbAttItem>();
    std::string CT = GetHeaderField(PartHeaders, "Content-type");
    const bool Declared = !TrimView(CT).empty();
    if (!Declared) CT = "text/plain";
    const std::string MediaType = GetMediaType(CT);
    Item->SetContentType(MediaType);
    const std::string Name = GetFileNameParameter("name", CT);
    if (!Name.empty()) Item->SetFileName(Name);

    bool UUEncoded = false;
    const TTransferEncoding PartEncoding =
        TransferEncodingOf(GetHeaderField(PartHeaders, "Content-Transfer-Encoding"), UUEncoded);
    Item->TransferEncoding = PartEncoding;

    if (Item->FileName().empty()) {
      const std::string FileName =
          GetFileNameParameter("filename", GetRawHeaderField(PartHeaders, "Content-Disposition"));
      if (!FileName.empty()) {
        Item->SetFileName(FileName);
        Item->TransferEncoding = PartEncoding;
      }
    }
    // The type the sender declared wins over the one guessed from the name.
    if (Declared && !MediaType.empty()) Item->SetContentType(MediaType);
    if (Item->FileName().empty()) {
      Item->SetFileName(GeneratedName(InAlternative || TopAlternative));
      Item->TransferEncoding = PartEncoding;
      if (!MediaType.empty()) Item->SetContentType(MediaType);
    }

    try {
      ReadPartData(*Item, UUEncoded);
    } catch (const Exception&) {
      // Bad content in one part (a character outside its alphabet, say)
      // is reported as a failed attachment.
      throw EMessageParserError(SErrorDecodingAttachment);
    }
    Item->Data.SetPosition(0);
    Message->Attachments().AddItem(std::move(Item));

    if (FLines.EndOfStream()) return;
    if (FLine == Delimiter + "--") {
      if (!InAlternative) return;
      if (!LeaveAlternative()) return;
    }
  }
}

void TnbCustomDecoder::ReadPartData(TnbAttItem& Item, bool UUEncoded) {
  const std::size_t Remaining = static_cast<std::size_t>(FLines.Remaining());
  std::string Buffer;
  Buffer.reserve(FlushSize + 4096);
  TBase64Decoder Base64;
  switch (Item.TransferEncoding) {
    case TTransferEncoding::teBase64:
      while (ReadLine() && !StartsWith(FLine, Delimiter)) {
        if (FLine.empty()) continue;
        if (UUEncoded) {
          if (IsUUFrameLine(FLine)) continue;
          Buffer += DecodeUULine(FLine);
        } else {
          Base64.Add(FLine, Buffer);
        }
        FlushInto(Item.Data, Buffer, false, Remaining / 4 * 3);
      }
      FlushInto(Item.Data, Buffer, true);
      break;
    case TTransferEncoding::teQuotedPrintable: {
      bool LastHard = false;
      while (ReadLine() && !StartsWith(FLine, Delimiter)) {
        LastHard = DecodeQPLine(FLine, Buffer);
        ProcessMessages();
        // The last line break stays in the buffer: it may belong to the delimiter.
        FlushInto(Item.Data, Buffer, false, Remaining, 2);
      }
      if (LastHard) DropFinalLineBreak(Buffer);
      FlushInto(Item.Data, Buffer, true);
      break;
    }
    case TTransferEncoding::te7Bit:
      // Lines are joined, not ended: the last line break belongs to the
      // delimiter (RFC 2046).
      for (bool First = true; ReadLine() && !StartsWith(FLine, Delimiter); First = false) {
        ProcessMessages();
        if (!First) Buffer += "\r\n";
        Buffer += FLine;
        FlushInto(Item.Data, Buffer, false, Remaining);
      }
      FlushInto(Item.Data, Buffer, true);
      break;
  }
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
    ReadSinglePartData(*Item, UUEncoded);
  } catch (const Exception&) {
    throw EMessageParserError(SErrorDecodingAttachment);
  }
  Item->Data.SetPosition(0);
  Message->Attachments().AddItem(std::move(Item));
}

void TnbCustomDecoder::ReadSinglePartData(TnbAttItem& Item, bool UUEncoded) {
  // The rest of the input is the part: reserve for it at once.
  const std::size_t Remaining = static_cast<std::size_t>(FLines.Remaining());
  std::string Buffer;
  Buffer.reserve(FlushSize + 4096);
  TBase64Decoder Base64;
  switch (Item.TransferEncoding) {
    case TTransferEncoding::teBase64:
      Item.Data.Reserve(Remaining / 4 * 3 + 3);
      while (ReadLine()) {
        if (FLine.empty()) continue;
        if (UUEncoded) {
          if (IsUUFrameLine(FLine)) continue;
          Buffer += DecodeUULine(FLine);
        } else {
          Base64.Add(FLine, Buffer);
        }
        FlushInto(Item.Data, Buffer, false);
      }
      break;
    case TTransferEncoding::teQuotedPrintable:
      while (ReadLine()) {
        DecodeQPLine(FLine, Buffer);
        ProcessMessages();
        FlushInto(Item.Data, Buffer, false);
      }
      break;
    case TTransferEncoding::te7Bit:
      Item.Data.Reserve(Remaining);
      while (ReadLine()) {
        ProcessMessages();
        Buffer += FLine;
        Buffer += "\r\n";
        FlushInto(Item.Data, Buffer, false);
      }
      break;
  }
  FlushInto(Item.Data, Buffer, true);
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
      while (ReadLine() && FLine != "`" && !EqualsNoCase(FLine, "END")) {
        if (FLine.empty()) continue;
        Buffer += DecodeUULine(FLine);
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
