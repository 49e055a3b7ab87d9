#include "maillib/mime/nbencoder.h"

#include <chrono>
#include <random>

#include "maillib/message/nbmsg.h"
#include "maillib/mime/base64.h"
#include "maillib/message/contenttype.h"
#include "maillib/mime/headerfields.h"
#include "maillib/mime/headerwords.h"
#include "maillib/mime/quotedprintable.h"
#include "maillib/mime/uuencode.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/processmessages.h"
#include "platform/runtime/streams.h"
#include "platform/runtime/textencoding.h"

namespace {

constexpr std::size_t FieldNameWidth = 10;  // "To:" and seven blanks
constexpr std::size_t Base64LineBytes = 57;  // 76 characters of base64
constexpr std::size_t FlushSize = 64 * 1024;
// RFC 2047: an encoded word is at most 75 characters.
constexpr std::size_t MaxEncodedWord = 75;
constexpr char Escape = 0x1B;

const char* const Preamble = "This is a multipart message in MIME format";
const char* const HtmBodyName = "_htmbody.htm";
const char* const RtfBodyName = "_rtfbody.rtf";
const char* const AltPrefix = "_alt.";

// Fields the encoder writes from the message's properties; the caller's
// lines of these names are left out.
const char* const OwnFields[] = {"From",        "To",           "CC",          "BCC",
                                 "Return-Receipt-To", "X-Priority", "Subject", "Mime-Version",
                                 "Content-Type", "X-Encoding", "Content-Transfer-Encoding"};

std::string Padded(std::string FieldName) {
  if (FieldName.empty() || FieldName.back() != ':') FieldName += ':';
  if (FieldName.size() < FieldNameWidth) FieldName.resize(FieldNameWidth, ' ');
  return FieldName;
}

// CR, LF and NUL become blanks (a CR LF pair one blank), so a value can
// never end its line early or start a header line of its own.
std::string SingleLine(std::string_view Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\r' || C == '\n' || C == '\0') {
      if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
      Result += ' ';
    } else {
      Result += C;
    }
  }
  return Result;
}

// A mailbox with CR, LF and NUL removed.
std::string AddressText(std::string_view Address) {
  std::string Result;
  for (const char C : Address)
    if (C != '\r' && C != '\n' && C != '\0') Result += C;
  return Result;
}

// True when Text can stand in a header as it is: printable ASCII and tabs.
bool IsPlainHeaderText(std::string_view Text) {
  for (const char Ch : Text) {
    const auto C = static_cast<unsigned char>(Ch);
    if (C >= 0x7F || (C < ' ' && C != '\t')) return false;
  }
  return true;
}

bool HasEightBit(std::string_view Bytes) {
  for (const char C : Bytes)
    if (static_cast<unsigned char>(C) >= 0x80) return true;
  return false;
}

// The file name after the last path separator (received names may use
// either kind).
std::string NamePart(std::string_view FileName) {
  const auto Sep = FileName.find_last_of("/\\");
  if (Sep != std::string_view::npos) FileName.remove_prefix(Sep + 1);
  return std::string(FileName);
}

bool IsAlternative(const TnbAttItem& Item) { return ToLowerAscii(NamePart(Item.FileName())).rfind(AltPrefix, 0) == 0; }

// A parameter value between double quotes, with the quote and backslash
// escaped as a quoted string needs.
std::string Quoted(std::string_view Text) {
  std::string Result = "\"";
  for (const char C : Text) {
    if (C == '"' || C == '\\') Result += '\\';
    Result += C;
  }
  return Result + '"';
}

// True when Name can stand in an address field as it is: its special
// characters all stand inside complete quoted strings (a backslash inside
// one escapes the next character, RFC 5322 section 3.2.4).
bool IsPlainPhrase(std::string_view Name) {
  bool InQuotes = false;
  for (std::size_t I = 0; I < Name.size(); ++I) {
    const char C = Name[I];
    if (InQuotes) {
      if (C == '\\') ++I;
      else if (C == '"') InQuotes = false;
    } else if (C == '"') {
      InQuotes = true;
    } else if (std::string_view(".,;:@<>()[]\\").find(C) != std::string_view::npos) {
      return false;
    }
  }
  return !InQuotes;
}

// A header line is a field ("Name: value", the name printable ASCII without
// a colon) or a continuation line.
bool IsFieldLine(std::string_view Line) {
  const auto Colon = Line.find(':');
  if (Colon == std::string_view::npos || Colon == 0) return false;
  for (std::size_t I = 0; I < Colon; ++I) {
    const auto C = static_cast<unsigned char>(Line[I]);
    if (C <= ' ' || C >= 0x7F) return false;
  }
  return true;
}

std::mt19937& Generator() {
  thread_local std::mt19937 Instance(std::random_device{}());
  return Instance;
}

// Reseeds from the clock, keeping what the generator already holds, and lets
// the user interface process its events.
void Reseed(std::mt19937& G) {
  const auto Ticks = static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  std::seed_seq Seed{static_cast<std::uint32_t>(G()), static_cast<std::uint32_t>(Ticks),
                     static_cast<std::uint32_t>(Ticks >> 32)};
  G.seed(Seed);
  ProcessMessages();
}

}  // namespace

std::string EncodeHeaderWords(std::string_view Text, bool Latin1) {
  if (IsPlainHeaderText(Text)) return std::string(Text);
  std::string Bytes;
  std::string CharSet = "iso-8859-1";
  if (!Latin1 || !UTF8ToLatin1(Text, Bytes)) {
    CharSet = "utf-8";
    Bytes = ValidUTF8(Text);
  }
  const std::string Open = "=?" + CharSet + "?B?";
  // The most bytes whose base64 text fits in one word.
  const std::size_t MaxBytes = (MaxEncodedWord - Open.size() - 2) / 4 * 3;
  std::string Result;
  std::size_t I = 0;
  while (I < Bytes.size()) {
    std::size_t Length = std::min(MaxBytes, Bytes.size() - I);
    // Never split a UTF-8 sequence between two words.
    if (CharSet == "utf-8")
      while (Length > 1 && I + Length < Bytes.size() && (static_cast<unsigned char>(Bytes[I + Length]) & 0xC0) == 0x80)
        --Length;
    if (!Result.empty()) Result += "\r\n ";
    Result += Open + EncodeBase64Line(std::string_view(Bytes).substr(I, Length)) + "?=";
    I += Length;
  }
  return Result;
}

// ---------------------------------------------------------------------------
// TnbCustomEncoder

TnbCustomEncoder::TnbCustomEncoder(TnbCustomMessage& Message) : FMessage(Message) {
  for (const std::string& Line : Message.Body())
    if (Line.size() >= LongLineLength) {
      FLongLines = true;
      break;
    }
}

void TnbCustomEncoder::WriteLine(std::string_view Line) {
  const auto Nul = Line.find('\0');
  if (Nul != std::string_view::npos) Line = Line.substr(0, Nul);
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Line.size(); ++I) {
    const char C = Line[I];
    if (C != '\r' && C != '\n') continue;
    FOut.append(Line.substr(Start, I - Start));
    FOut += "\r\n";
    if (C == '\r' && I + 1 < Line.size() && Line[I + 1] == '\n') ++I;
    Start = I + 1;
  }
  FOut.append(Line.substr(Start));
  FOut += "\r\n";
  if (FOut.size() >= FlushSize) Flush();
}

void TnbCustomEncoder::Flush() {
  if (!FOut.empty()) Stream->WriteString(FOut);
  FOut.clear();
}

std::string TnbCustomEncoder::NewBoundary() {
  std::mt19937& G = Generator();
  for (int I = 0; I < 101; ++I) Reseed(G);
  const int More = static_cast<int>(G() % 30) + 1;
  for (int I = 0; I < More; ++I) Reseed(G);
  std::uniform_int_distribution<int> Digit(0, 8);
  std::string Boundary;
  for (int I = 0; I < 8; ++I) Boundary += static_cast<char>('0' + Digit(G));
  return Boundary;
}

std::string TnbCustomEncoder::HeaderText(std::string_view Text) const {
  std::string Line = SingleLine(Text);
  if (FMessage.CharSet == TCharSet::csISO2022jp && FMessage.Encoding == TMsgEncoding::meMIME && !Line.empty() &&
      Line.front() == Escape)
    return EncodeHeaderJIS(Line);
  return EncodeHeaderWords(Line, FMessage.CharSet == TCharSet::csISO8859);
}

std::string TnbCustomEncoder::DisplayName(std::string_view Name, bool Quote) const {
  std::string Line = SingleLine(Name);
  if (!IsPlainHeaderText(Line)) return HeaderText(Line);
  // A period, and any other character that would end a phrase or split the
  // address list, needs the name quoted, and so does a quote that is not
  // closed; a name whose quoted strings are complete is taken as quoted by
  // its writer.
  if (Quote && !IsPlainPhrase(Line)) return Quoted(Line);
  return Line;
}

void TnbCustomEncoder::WriteExtraHeaders(const char* OwnField) {
  TnbHeaders Extra = FMessage.Headers();
  // Every occurrence: a second Content-Type or Subject would contradict the
  // one the encoder writes.
  const auto DeleteAll = [&Extra](const char* Field) {
    for (std::size_t Before = Extra.size() + 1; Extra.size() != Before;) {
      Before = Extra.size();
      DeleteHeaderField(Extra, Field);
    }
  };
  for (const char* Field : OwnFields) DeleteAll(Field);
  if (OwnField != nullptr) DeleteAll(OwnField);
  bool InField = false;
  for (const std::string& Raw : Extra) {
    const std::string Line = SingleLine(Raw);
    if (!Line.empty() && (Line.front() == ' ' || Line.front() == '\t')) {
      // A continuation line belongs to the field above it; blank lines
      // and orphans would end or bend the header block.
      if (InField && Line.find_first_not_of(" \t") != std::string::npos) WriteLine(Line);
      continue;
    }
    InField = IsFieldLine(Line);
    if (InField) WriteLine(Line);
  }
}

void TnbCustomEncoder::WriteMimeVersion() {
  if (FMessage.Encoding == TMsgEncoding::meMIME) WriteLine("Mime-Version: 1.0");
}

TnbCustomEncoder::TBodyText TnbCustomEncoder::BodyText(bool Markup) const {
  TBodyText Result;
  std::size_t Size = 0;
  for (const std::string& Line : FMessage.Body()) Size += Line.size() + 2;
  Result.Bytes.reserve(Size);
  for (const std::string& Line : FMessage.Body()) {
    Result.Bytes += Line;
    Result.Bytes += "\r\n";
  }
  const TCharSet CharSet = FMessage.CharSet;
  Result.EightBit = HasEightBit(Result.Bytes);
  if (!Result.EightBit) {
    if (Markup)
      Result.CharSet = CharSet == TCharSet::csUSASCII ? "" : "iso-8859-1";
    else
      Result.CharSet = CharSet == TCharSet::csISO8859    ? "iso-8859-1"
                       : CharSet == TCharSet::csISO2022jp ? "iso-2022-jp"
                                                          : "us-ascii";
    return Result;
  }
  // Text that does not fit the character set asked for travels as UTF-8.
  const bool Latin1Asked = Markup ? CharSet != TCharSet::csUSASCII : CharSet == TCharSet::csISO8859;
  std::string Latin1;
  if (Latin1Asked && UTF8ToLatin1(Result.Bytes, Latin1)) {
    Result.CharSet = "iso-8859-1";
    Result.Bytes = std::move(Latin1);
  } else {
    Result.CharSet = "utf-8";
  }
  return Result;
}

void TnbCustomEncoder::WritePlainBody() {
  const TBodyText Text = BodyText(false);
  // 8-bit text and long lines cannot travel as they are.
  const bool QP = FMessage.CharSet == TCharSet::csISO8859 || FLongLines || Text.EightBit;
  WriteLine("Content-Type: text/plain; charset=\"" + Text.CharSet + "\"");
  WriteLine(QP ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit");
  WriteLine("");
  if (QP) {
    WriteQuotedPrintable(Text.Bytes);
  } else {
    for (const std::string& Line : FMessage.Body()) WriteLine(Line);
  }
}

void TnbCustomEncoder::WriteMarkupBody(bool Html) {
  TBodyText Text = BodyText(true);
  std::string Type = Html ? "Content-Type: text/html" : "Content-Type: text/rtf";
  if (!Text.CharSet.empty()) Type += "; charset=\"" + Text.CharSet + "\"";
  WriteLine(Type);
  WriteLine("Content-Transfer-Encoding: quoted-printable");
  WriteLine("");
  WriteQuotedPrintable(Text.Bytes);
}

void TnbCustomEncoder::WriteQuotedPrintable(TStream& Bytes) {
  FWork.clear();
  TQuotedPrintable(Bytes, FWork).Encode();
  for (const std::string& Line : FWork) WriteLine(Line);
  FWork.clear();
}

void TnbCustomEncoder::WriteQuotedPrintable(std::string_view Bytes) {
  TMemoryStream Source;
  Source.WriteString(Bytes);
  WriteQuotedPrintable(Source);
}

namespace {

// SMTP's limit for a line, without its CR LF (RFC 5321, section 4.5.3.1.6).
constexpr std::size_t MaxLineLength = 998;
// A quoted-printable line, soft break included (RFC 2045, section 6.7).
constexpr std::size_t MaxQPLine = 76;

// True when Bytes can be written as 7bit lines and read back byte for byte:
// ASCII without NUL, every line break a CR LF, no line longer than SMTP
// allows. The body of a single-part message must end in a line break (the
// reader ends its last line with one); in a multipart the line break
// before the delimiter belongs to the delimiter, so any end will do.
bool FitsSevenBitLines(std::string_view Bytes, bool Single) {
  if (Bytes.empty()) return true;
  if (Single && !Bytes.ends_with("\r\n")) return false;
  std::size_t LineStart = 0;
  for (std::size_t I = 0; I < Bytes.size(); ++I) {
    const auto C = static_cast<unsigned char>(Bytes[I]);
    if (C == 0 || C >= 0x80) return false;
    if (C == '\n') return false;  // a CR LF's line feed is stepped over below
    if (C == '\r') {
      if (I + 1 >= Bytes.size() || Bytes[I + 1] != '\n') return false;
      if (I - LineStart > MaxLineLength) return false;
      LineStart = ++I + 1;
    }
  }
  return true;
}

// A byte quoted-printable writes as it is (a blank only inside a line).
bool IsLiteralQP(unsigned char C) { return (C >= 33 && C <= 126 && C != '=') || C == ' ' || C == '\t'; }

// True when the quoted-printable form of Bytes is not larger than base64:
// text with few bytes to escape. A UTF-16 or binary file travels as base64.
bool SuitsQuotedPrintable(std::string_view Bytes) {
  std::size_t Escaped = 0;
  for (std::size_t I = 0; I < Bytes.size(); ++I) {
    const auto C = static_cast<unsigned char>(Bytes[I]);
    if (C == '\r' && I + 1 < Bytes.size() && Bytes[I + 1] == '\n') {
      ++I;
      continue;
    }
    if (!IsLiteralQP(C)) ++Escaped;
  }
  return Escaped * 6 <= Bytes.size();
}

// The transfer encoding an item is written in: the one it asks for when its
// bytes survive it, base64 otherwise. Quoted-printable is written so that
// it keeps every byte (see WriteBinaryQuotedPrintable).
TTransferEncoding WireEncoding(const TnbAttItem& Item, bool Single) {
  const std::string_view Bytes = Item.Data.View();
  switch (Item.TransferEncoding) {
    case TTransferEncoding::te7Bit:
      return FitsSevenBitLines(Bytes, Single) ? TTransferEncoding::te7Bit : TTransferEncoding::teBase64;
    case TTransferEncoding::teQuotedPrintable:
      return SuitsQuotedPrintable(Bytes) ? TTransferEncoding::teQuotedPrintable : TTransferEncoding::teBase64;
    case TTransferEncoding::teBase64:
      break;
  }
  return TTransferEncoding::teBase64;
}

// The media type an item is announced with (never empty, never more than
// one line). A message (message/rfc822) may travel in 7bit only (RFC 2046,
// section 5.2.1): one whose bytes need base64 is announced as a file.
std::string ItemType(const TnbAttItem& Item, bool Single) {
  const std::string Type = SingleLine(Item.ContentType());
  if (Type.find_first_not_of(' ') == std::string::npos) return DefaultContentType;
  if (ToLowerAscii(Type).starts_with("message/") && WireEncoding(Item, Single) != TTransferEncoding::te7Bit)
    return DefaultContentType;
  return Type;
}

// The transfer encoding token of an item.
std::string ItemToken(const TnbAttItem& Item, bool Single) {
  switch (WireEncoding(Item, Single)) {
    case TTransferEncoding::teBase64:
      return "Base64";
    case TTransferEncoding::teQuotedPrintable:
      return "Quoted-Printable";
    case TTransferEncoding::te7Bit:
      break;
  }
  return "7bit";
}

// A file name as a quoted parameter value: one line, encoded words for
// non-ASCII text.
std::string ParamName(const std::string& Encoded) {
  std::string Result;
  for (std::size_t I = 0; I < Encoded.size(); ++I) {
    if (Encoded.compare(I, 3, "\r\n ") == 0) {
      Result += ' ';
      I += 2;
    } else {
      Result += Encoded[I];
    }
  }
  return Quoted(Result);
}

}  // namespace

void TnbCustomEncoder::WriteAttachmentData(TnbAttItem& Item, bool Single) {
  const std::string_view Bytes = Item.Data.View();
  switch (WireEncoding(Item, Single)) {
    case TTransferEncoding::teBase64:
      WriteLineBlocks(Bytes, Base64LineBytes, EncodeBase64Line);
      break;
    case TTransferEncoding::teQuotedPrintable:
      WriteBinaryQuotedPrintable(Bytes);
      break;
    case TTransferEncoding::te7Bit: {
      // CR LF lines (WireEncoding made sure); "." lines are written like
      // any other.
      for (std::size_t Start = 0; Start < Bytes.size();) {
        const std::size_t End = std::min(Bytes.find("\r\n", Start), Bytes.size());
        WriteLine(Bytes.substr(Start, End - Start));
        Start = End + 2;
      }
      break;
    }
  }
}

void TnbCustomEncoder::WriteLineBlocks(std::string_view Bytes, std::size_t BlockSize,
                                       std::string (*EncodeLine)(std::string_view)) {
  std::size_t Offset = 0;
  std::string_view Block;
  do {
    Block = Bytes.substr(Offset, BlockSize);
    WriteLine(EncodeLine(Block));
    Offset += Block.size();
  } while (Block.size() == BlockSize);
}

void TnbCustomEncoder::WriteBinaryQuotedPrintable(std::string_view Bytes) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string Line;
  const auto EndLine = [&](bool Soft) {
    // A blank at the end of a line would be taken off on the way.
    if (!Soft && !Line.empty() && (Line.back() == ' ' || Line.back() == '\t')) {
      const auto C = static_cast<unsigned char>(Line.back());
      Line.back() = '=';
      Line += Hex[C >> 4];
      Line += Hex[C & 15];
    }
    if (Soft) Line += '=';
    WriteLine(Line);
    Line.clear();
  };
  for (std::size_t I = 0; I < Bytes.size(); ++I) {
    const auto C = static_cast<unsigned char>(Bytes[I]);
    if (C == '\r' && I + 1 < Bytes.size() && Bytes[I + 1] == '\n') {
      EndLine(false);
      ++I;
      continue;
    }
    // Lone CR and LF bytes are escaped, so only CR LF pairs are line breaks.
    const std::size_t Width = IsLiteralQP(C) ? 1 : 3;
    // Room for a soft break, and for a final blank's escape.
    if (Line.size() + Width > MaxQPLine - 3) EndLine(true);
    if (Width == 1) {
      Line += static_cast<char>(C);
    } else {
      Line += '=';
      Line += Hex[C >> 4];
      Line += Hex[C & 15];
    }
  }
  // Bytes that do not end in a line break end in a soft one.
  if (!Line.empty()) EndLine(true);
}

void TnbCustomEncoder::WriteSingleAttachment() {
  TnbAttItem& Item = FMessage.Attachments().Items(0);
  const std::string Name = NamePart(Item.FileName());
  const std::string Lower = ToLowerAscii(Name);
  const bool BodyFile = Lower == HtmBodyName || Lower == RtfBodyName;
  const std::string FileParam = ParamName(HeaderText(Name));
  if (Lower == HtmBodyName)
    WriteLine("Content-Type: text/html");
  else if (Lower == RtfBodyName)
    WriteLine("Content-Type: text/rtf");
  else
    WriteLine("Content-Type: " + ItemType(Item, true) + "; name=" + FileParam);
  WriteLine("Content-Transfer-Encoding: " + ItemToken(Item, true));
  if (!BodyFile) WriteLine("Content-Disposition: attachment; filename=" + FileParam);
  WriteLine("");
  WriteAttachmentData(Item, true);
}

void TnbCustomEncoder::WriteMultipart(bool Alternative) {
  TnbAttList& Items = FMessage.Attachments();
  const int Count = Items.Count();
  const bool HasBody = !FMessage.Body().empty();
  bool HtmBody = false;
  bool RtfBody = false;
  if (!HasBody && Count > 0) {
    const std::string First = ToLowerAscii(NamePart(Items.Items(0).FileName()));
    HtmBody = First == HtmBodyName;
    RtfBody = First == RtfBodyName;
  }

  const std::string Outer = NewBoundary();
  std::string B = Outer;
  WriteLine("Content-Type: " + SingleLine(FMessage.ContentType()) + "; boundary=\"" + B + "\"");
  WriteLine("");
  WriteLine(Preamble);
  WriteLine("");
  WriteLine("--" + B);

  bool AltOpen = Count > 0 && IsAlternative(Items.Items(0));
  bool NestedOpen = AltOpen && !Alternative;
  if (NestedOpen) {
    do B = NewBoundary();
    while (B == Outer);
    WriteLine("Content-Type:  multipart/alternative; boundary=\"" + B + "\"");
    WriteLine("Content-Transfer-Encoding: 7bit");
    WriteLine("");
    WriteLine("--" + B);
  }

  // A multipart message without attachments still holds its text part and
  // is closed properly.
  if (HasBody || Count == 0) {
    WritePlainBody();
    WriteLine("");
    WriteLine(Count > 0 ? "--" + B : "--" + B + "--");
  }

  for (int I = 0; I < Count; ++I) {
    TnbAttItem& Item = Items.Items(I);
    if (I > 0) {
      // The empty line after the data above is the line break that belongs
      // to this delimiter (RFC 2046, section 5.1.1); a second one would
      // add a line break to the data.
      WriteLine("--" + B);
      HtmBody = false;
      RtfBody = false;
    }
    const bool Plain = !Alternative && !AltOpen && !HtmBody && !RtfBody;
    const std::string FileParam = ParamName(HeaderText(NamePart(Item.FileName())));
    WriteLine("Content-Type: " + ItemType(Item, false) + (Plain ? "; name=" + FileParam : std::string()));
    WriteLine("Content-Transfer-Encoding: " + ItemToken(Item, false));
    if (Plain) WriteLine("Content-Disposition: attachment; filename=" + FileParam);
    WriteLine("");
    WriteAttachmentData(Item, false);
    // The line break that ends the last line belongs to the delimiter: 7bit
    // data without a final line break ends there, any other needs one more.
    const std::string_view Bytes = Item.Data.View();
    if (WireEncoding(Item, false) != TTransferEncoding::te7Bit || Bytes.empty() || Bytes.ends_with("\r\n"))
      WriteLine("");
    if (I == Count - 1) {
      WriteLine("--" + B + "--");
      if (NestedOpen) {
        // Only alternatives: the nested group and the outer body both end.
        WriteLine("");
        WriteLine("--" + Outer + "--");
      }
    } else if (AltOpen && !IsAlternative(Items.Items(I + 1))) {
      AltOpen = false;
      if (NestedOpen) {
        WriteLine("--" + B + "--");
        B = Outer;
        NestedOpen = false;
      }
    }
  }
}

void TnbCustomEncoder::WriteUUForm() {
  WriteLine("");
  for (const std::string& Line : FMessage.Body()) WriteLine(Line);
  TnbAttList& Items = FMessage.Attachments();
  for (int I = 0; I < Items.Count(); ++I) {
    TnbAttItem& Item = Items.Items(I);
    WriteLine("");
    WriteLine("begin 600 " + SingleLine(NamePart(Item.FileName())));
    WriteLineBlocks(Item.Data.View(), UULineBytes, EncodeUULine);
    WriteLine("`");
    WriteLine("end");
  }
}

void TnbCustomEncoder::Encode() {
  if (Stream == nullptr) throw EStreamError("The encoder has no destination stream");
  Stream->SetPosition(0);
  FOut.clear();
  WriteHeaders();
  if (FMessage.Encoding == TMsgEncoding::meUU) {
    WriteUUForm();
  } else {
    const std::string Type = FMessage.ContentType();
    const bool HasAttachment = FMessage.Attachments().Count() > 0;
    if (Type == "multipart/mixed") {
      WriteMultipart(false);
    } else if (Type == "multipart/alternative") {
      WriteMultipart(true);
    } else if (Type == "text/html" || Type == "text/rtf") {
      if (HasAttachment)
        WriteSingleAttachment();
      else
        WriteMarkupBody(Type == "text/html");
    } else if (HasAttachment) {
      WriteSingleAttachment();
    } else {
      // text/plain, and a type of the caller's own on a bare body: the text
      // is all there is to write.
      WritePlainBody();
    }
  }
  Flush();
  // A reused stream must not keep the tail of a longer message.
  Stream->SetSize(Stream->Position());
}

// ---------------------------------------------------------------------------
// TnbMessageEncoder

TnbMessageEncoder::TnbMessageEncoder(TnbMessage& Message) : TnbCustomEncoder(Message), FMail(Message) {}

void TnbMessageEncoder::WriteAddressField(std::string FieldName, const TnbAddressList& List) {
  if (List.Count() == 0) return;
  const std::string First = Padded(std::move(FieldName));
  const std::string Indent(FieldNameWidth, ' ');
  for (int I = 0; I < List.Count(); ++I) {
    const TnbMailAddress& Item = List.Items(I);
    std::string Line = (I == 0 ? First : Indent) + DisplayName(Item.Name(), true) + " <" + AddressText(Item.Address()) + ">";
    if (I < List.Count() - 1) Line += ',';
    WriteLine(Line);
  }
}

void TnbMessageEncoder::WriteHeaders() {
  const TnbMailAddress& Sender = FMail.Sender();
  WriteLine(Padded("From:") + DisplayName(Sender.Name(), true) + " <" + AddressText(Sender.Address()) + ">");
  WriteAddressField("To", FMail.Recipients());
  WriteAddressField("CC", FMail.CC());
  if (FMail.ReturnReceipt) WriteLine("Return-Receipt-To: <" + AddressText(Sender.Address()) + ">");
  if (FMail.Priority == TPriority::ptHigh) WriteLine("X-Priority: 1");
  if (FMail.Priority == TPriority::ptLow) WriteLine("X-Priority: 5");
  WriteExtraHeaders();
  if (!FMail.Subject().empty()) WriteLine("Subject: " + HeaderText(FMail.Subject()));
  WriteMimeVersion();
}

// ---------------------------------------------------------------------------
// TnbArticleEncoder

TnbArticleEncoder::TnbArticleEncoder(TnbArticle& Article) : TnbCustomEncoder(Article), FArticle(Article) {}

void TnbArticleEncoder::WriteHeaders() {
  const TnbMailAddress& Sender = FArticle.Sender();
  WriteLine(Padded("From:") + DisplayName(Sender.Name(), false) + " <" + AddressText(Sender.Address()) + ">");
  WriteLine("Newsgroups: " + SingleLine(FArticle.NewsGroups));
  // A received article's own Newsgroups line would repeat the field.
  WriteExtraHeaders("Newsgroups");
  if (!FArticle.Subject().empty()) WriteLine("Subject:  " + HeaderText(FArticle.Subject()));
  WriteMimeVersion();
}
