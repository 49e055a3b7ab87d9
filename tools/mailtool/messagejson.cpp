#include "messagejson.h"

#include <nlohmann/json.hpp>
#include <openssl/evp.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "maillib/message/nbmsg.h"
#include "maillib/mime/base64.h"
#include "maillib/transport/nberrors.h"
#include "platform/runtime/backslashescapes.h"
#include "platform/runtime/bytescan.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/textencoding.h"

namespace {

// Names of the enumerations, in the order of their ordinals.
constexpr std::array<std::string_view, 3> PriorityNames{"low", "normal", "high"};
constexpr std::array<std::string_view, 3> CharSetNames{"us-ascii", "iso-8859-1", "iso-2022-jp"};
constexpr std::array<std::string_view, 2> EncodingNames{"mime", "uu"};
constexpr std::array<std::string_view, 3> TransferEncodingNames{"7bit", "base64",
                                                                "quoted-printable"};

// Output is handed on in pieces of about this size.
constexpr std::size_t FlushSize = 64 * 1024;

template <typename E, std::size_t N>
std::string_view NameOf(const std::array<std::string_view, N>& Names, E Value) {
  return Names.at(static_cast<std::size_t>(Value));
}

// ---- writing ----

// Bytes that JSON strings cannot hold as they are.
constexpr std::array<bool, 256> NeedsEscape = [] {
  std::array<bool, 256> Table{};
  for (int C = 0; C < 0x20; ++C) Table[C] = true;
  Table['"'] = Table['\\'] = true;
  return Table;
}();

// The bytes of Word that need a look of their own: control characters,
// quotes, backslashes and the bytes of multi-byte sequences.
std::uint64_t SpecialBytes(std::uint64_t Word) {
  using namespace bytescan;
  return Below(Word, 0x20) | Equal(Word, '"') | Equal(Word, '\\') | NonAscii(Word);
}

void AppendEscape(std::string& Out, unsigned char C) {
  if (const char Letter = EscapeLetter(static_cast<char>(C))) {
    Out += '\\';
    Out += Letter;
    return;
  }
  char Escape[8];
  std::snprintf(Escape, sizeof Escape, "\\u%04x", C);
  Out += Escape;
}

// Appends Text as a JSON string in one pass: escapes what JSON requires and
// writes U+FFFD for each byte that is not part of valid UTF-8.
void AppendString(std::string& Out, std::string_view Text) {
  Out += '"';
  const char* const P = Text.data();
  const std::size_t N = Text.size();
  std::size_t Start = 0;  // the first byte not yet appended
  for (std::size_t I = 0; I < N;) {
#if defined(__SSE2__)
    if (N - I >= 16) {
      // Sixteen bytes at a time: control characters, quotes, backslashes
      // and bytes from 128 up need a look.
      const __m128i Block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + I));
      const __m128i Control = _mm_cmpeq_epi8(_mm_min_epu8(Block, _mm_set1_epi8(0x1F)), Block);
      const __m128i Quote = _mm_or_si128(_mm_cmpeq_epi8(Block, _mm_set1_epi8('"')), _mm_cmpeq_epi8(Block, _mm_set1_epi8('\\')));
      const unsigned Escapes = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(Control, Quote)));
      const unsigned High = static_cast<unsigned>(_mm_movemask_epi8(Block));
      if ((Escapes | High) == 0) {
        I += 16;
        continue;
      }
      if (Escapes == 0) {
        // Latin letters with accents: a block whose bytes from 128 up are
        // all whole two-byte sequences (lead C2 to DF, then 80 to BF) is
        // valid as it is. Compared as signed bytes: 80 to BF are -128 to
        // -65, C2 to DF are -62 to -33.
        const unsigned Trail = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(Block, _mm_set1_epi8(-64))));
        const unsigned Lead = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpgt_epi8(Block, _mm_set1_epi8(-63)), _mm_cmplt_epi8(Block, _mm_set1_epi8(-32)))));
        if ((Lead | Trail) == High && (Lead << 1) == Trail && (Lead & 0x8000u) == 0) {
          I += 16;
          continue;
        }
      }
      I += static_cast<std::size_t>(std::countr_zero(Escapes | High));
    } else
#endif
    if (N - I >= 8) {
      // Skip to the first byte that needs a look, eight bytes at a time.
      const std::uint64_t Special = SpecialBytes(bytescan::Load(P + I));
      if (Special == 0) {
        I += 8;
        continue;
      }
      I += bytescan::FirstFlagged(Special);
    }
    const auto C = static_cast<unsigned char>(P[I]);
    if (C < 0x80 && !NeedsEscape[C]) {
      ++I;
      continue;
    }
    // Two-byte sequences (Latin letters with accents) are the common case.
    if (C >= 0xC2 && C <= 0xDF && I + 1 < N && (static_cast<unsigned char>(P[I + 1]) & 0xC0) == 0x80) {
      I += 2;
      continue;
    }
    if (C >= 0x80) {
      const std::size_t Length = UTF8SequenceLength(Text.substr(I));
      if (Length > 0) {
        I += Length;
        continue;
      }
    }
    Out.append(P + Start, I - Start);
    if (C >= 0x80)
      Out += "\xEF\xBF\xBD";
    else
      AppendEscape(Out, C);
    Start = ++I;
  }
  Out.append(P + Start, N - Start);
  Out += '"';
}

void AppendAddress(std::string& Out, const TnbMailAddress& Address) {
  Out += "{\"name\": ";
  AppendString(Out, Address.Name());
  Out += ", \"address\": ";
  AppendString(Out, Address.Address());
  Out += '}';
}

void AppendAddressList(std::string& Out, const TnbAddressList& List) {
  Out += '[';
  for (int I = 0; I < List.Count(); ++I) {
    Out += I == 0 ? "\n    " : ",\n    ";
    AppendAddress(Out, List.Items(I));
  }
  Out += List.Count() == 0 ? "]" : "\n  ]";
}

// OpenSSL's digest uses the processor's SHA instructions where it has them,
// several times faster than a portable implementation on large attachments.
std::string Sha256Hex(std::string_view Bytes) {
  unsigned char Digest[EVP_MAX_MD_SIZE];
  unsigned int Length = 0;
  if (!EVP_Digest(Bytes.data(), Bytes.size(), Digest, &Length, EVP_sha256(), nullptr))
    throw Exception("Cannot compute a SHA-256 sum");
  static const char Hex[] = "0123456789abcdef";
  std::string Text;
  for (unsigned int I = 0; I < Length; ++I) {
    Text += Hex[Digest[I] >> 4];
    Text += Hex[Digest[I] & 15];
  }
  return Text;
}

void AppendAttachment(std::string& Out, const TnbAttItem& Item) {
  const std::string_view Bytes = Item.Data.View();
  Out += "{\n      \"fileName\": ";
  AppendString(Out, Item.FileName());
  Out += ",\n      \"contentType\": ";
  AppendString(Out, Item.ContentType());
  Out += ",\n      \"transferEncoding\": ";
  AppendString(Out, NameOf(TransferEncodingNames, Item.TransferEncoding));
  Out += ",\n      \"size\": " + std::to_string(Bytes.size());
  Out += ",\n      \"sha256\": \"" + Sha256Hex(Bytes) + "\"\n    }";
}

// ---- reading ----

using Json = nlohmann::json;

// The parser's message without its "[json.exception.parse_error.101] " tag.
std::string ParseErrorText(std::string_view What) {
  if (!What.empty() && What.front() == '[') {
    const std::size_t Close = What.find("] ");
    if (Close != std::string_view::npos) What.remove_prefix(Close + 2);
  }
  return std::string(What);
}

// Base64 text with its line breaks and blanks taken out, as tools that
// wrap their output at 76 characters write it.
std::string WithoutBlanks(std::string Text) {
  std::erase_if(Text, [](char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; });
  return Text;
}

// Where a value sits in the document, for error messages: "recipients[2].name".
std::string Member(const std::string& Parent, const std::string& Key) {
  return Parent.empty() ? Key : Parent + "." + Key;
}

[[noreturn]] void Wrong(const std::string& Where, const std::string& Expected) {
  throw Exception("\"" + Where + "\" must be " + Expected);
}

std::string StringOf(const Json& Value, const std::string& Where) {
  if (!Value.is_string()) Wrong(Where, "a string");
  return Value.get<std::string>();
}

const Json& ArrayOf(const Json& Value, const std::string& Where) {
  if (!Value.is_array()) Wrong(Where, "an array");
  return Value;
}

template <typename E, std::size_t N>
E EnumOf(const std::array<std::string_view, N>& Names, const Json& Value, const std::string& Where) {
  if (Value.is_string())
    for (std::size_t I = 0; I < N; ++I)
      if (Names[I] == Value.get_ref<const std::string&>()) return static_cast<E>(I);
  std::string Expected = "one of";
  for (std::size_t I = 0; I < N; ++I)
    Expected += (I == 0 ? " \"" : ", \"") + std::string(Names[I]) + "\"";
  Wrong(Where, Expected);
}

// An object whose members are all among Known, so that a misspelt member is
// reported instead of quietly doing nothing.
template <std::size_t N>
const Json& ObjectOf(const Json& Value, const std::array<const char*, N>& Known,
                     const std::string& Where) {
  if (!Value.is_object()) Wrong(Where, "an object");
  for (const auto& Item : Value.items()) {
    bool Found = false;
    for (const char* Name : Known) Found = Found || Item.key() == Name;
    if (!Found) throw Exception("Unknown member \"" + Member(Where, Item.key()) + "\"");
  }
  return Value;
}

void ReadAddress(const Json& Value, const std::string& Where, TnbMailAddress& Address) {
  const Json& Object = ObjectOf(Value, std::array{"name", "address"}, Where);
  if (Object.contains("name")) Address.SetName(StringOf(Object["name"], Where + ".name"));
  if (Object.contains("address"))
    Address.SetAddress(StringOf(Object["address"], Where + ".address"));
}

void ReadAddressList(const Json& Value, const std::string& Where, TnbAddressList& List) {
  TnbAddressList Result;
  for (std::size_t I = 0; I < ArrayOf(Value, Where).size(); ++I) {
    auto Address = std::make_unique<TnbMailAddress>();
    ReadAddress(Value[I], Where + "[" + std::to_string(I) + "]", *Address);
    Result.AddItem(std::move(Address));
  }
  List.Assign(Result);
}

void ReadBody(const Json& Value, TStringList& Body) {
  TStringList Lines;
  Lines.reserve(ArrayOf(Value, "body").size());
  for (std::size_t I = 0; I < Value.size(); ++I)
    Lines.push_back(StringOf(Value[I], "body[" + std::to_string(I) + "]"));
  Body = std::move(Lines);
}

std::unique_ptr<TnbAttItem> ReadAttachment(const Json& Value, const std::string& Where) {
  const Json& Object = ObjectOf(
      Value, std::array{"fileName", "contentType", "transferEncoding", "data", "size", "sha256"},
      Where);
  auto Item = std::make_unique<TnbAttItem>();
  // Naming first derives type and encoding from the extension; given values
  // then override them.
  Item->SetFileName(StringOf(Object.value("fileName", Json()), Where + ".fileName"));
  if (Object.contains("data")) {
    std::string Bytes;
    try {
      DecodeBase64Line(WithoutBlanks(StringOf(Object["data"], Where + ".data")), Bytes);
    } catch (const EMessageParserError&) {
      Wrong(Where + ".data", "base64 text");
    }
    Item->Data.WriteString(Bytes);
    Item->Data.SetPosition(0);
  } else {
    Item->LoadDataFromFile();
  }
  if (Object.contains("contentType"))
    Item->SetContentType(StringOf(Object["contentType"], Where + ".contentType"));
  if (Object.contains("transferEncoding"))
    Item->TransferEncoding = EnumOf<TTransferEncoding>(
        TransferEncodingNames, Object["transferEncoding"], Where + ".transferEncoding");
  return Item;
}

void ReadAttachments(const Json& Value, TnbAttList& List) {
  List.Clear();
  for (std::size_t I = 0; I < ArrayOf(Value, "attachments").size(); ++I)
    List.AddItem(ReadAttachment(Value[I], "attachments[" + std::to_string(I) + "]"));
}

}  // namespace

void WriteErrorJson(std::string_view Text, std::ostream& Out) {
  std::string Line = "{\"error\": ";
  AppendString(Line, Text);
  Line += "}\n";
  Out << Line;
}

void WriteMessageJson(TnbMessage& Message, std::ostream& Out, bool OneLine) {
  // Built in a buffer handed to Out in large pieces: a body may have
  // hundreds of thousands of lines.
  std::string Text;
  Text.reserve(2 * FlushSize);
  const auto Flush = [&](bool Force) {
    if (Text.size() < FlushSize && !Force) return;
    if (OneLine) {
      // Strings hold no raw line feed (they are escaped): every one is
      // layout, and so are the blanks that indent the next line.
      std::size_t To = 0;
      for (std::size_t From = 0; From < Text.size();) {
        if (Text[From] == '\n') {
          while (++From < Text.size() && Text[From] == ' ') {
          }
          continue;
        }
        Text[To++] = Text[From++];
      }
      Text.resize(To);
      if (Force) Text += '\n';
    }
    Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    Text.clear();
  };

  Text += "{\n  \"sender\": ";
  AppendAddress(Text, Message.Sender());
  Text += ",\n  \"recipients\": ";
  AppendAddressList(Text, Message.Recipients());
  Text += ",\n  \"cc\": ";
  AppendAddressList(Text, Message.CC());
  Text += ",\n  \"bcc\": ";
  AppendAddressList(Text, Message.BCC());
  Text += ",\n  \"subject\": ";
  AppendString(Text, Message.Subject());
  Text += ",\n  \"priority\": ";
  AppendString(Text, NameOf(PriorityNames, Message.Priority));
  Text += ",\n  \"returnReceipt\": ";
  Text += Message.ReturnReceipt ? "true" : "false";
  Text += ",\n  \"charset\": ";
  AppendString(Text, NameOf(CharSetNames, Message.CharSet));
  Text += ",\n  \"contentType\": ";
  AppendString(Text, Message.ContentType());
  Text += ",\n  \"encoding\": ";
  AppendString(Text, NameOf(EncodingNames, Message.Encoding));
  Text += ",\n  \"body\": [";
  const TStringList& Body = Message.Body();
  for (std::size_t I = 0; I < Body.size(); ++I) {
    Text += I == 0 ? "\n    " : ",\n    ";
    AppendString(Text, Body[I]);
    Flush(false);
  }
  Text += Body.empty() ? "]" : "\n  ]";
  Text += ",\n  \"attachments\": [";
  const TnbAttList& Attachments = Message.Attachments();
  for (int I = 0; I < Attachments.Count(); ++I) {
    Text += I == 0 ? "\n    " : ",\n    ";
    AppendAttachment(Text, Attachments.Items(I));
    Flush(false);
  }
  Text += Attachments.Count() == 0 ? "]" : "\n  ]";
  Text += "\n}\n";
  Flush(true);
}

void ReadMessageJson(std::string_view Text, TnbMessage& Message) {
  Json Document;
  try {
    Document = Json::parse(Text);
  } catch (const Json::parse_error& E) {
    throw Exception("Not valid JSON: " + ParseErrorText(E.what()));
  }
  if (!Document.is_object()) throw Exception("The JSON text must be an object describing a message");
  const Json& Object = ObjectOf(
      Document,
      std::array{"sender", "recipients", "cc", "bcc", "subject", "priority", "returnReceipt",
                 "charset", "contentType", "encoding", "body", "attachments"},
      "");

  if (Object.contains("sender")) ReadAddress(Object["sender"], "sender", Message.Sender());
  if (Object.contains("recipients"))
    ReadAddressList(Object["recipients"], "recipients", Message.Recipients());
  if (Object.contains("cc")) ReadAddressList(Object["cc"], "cc", Message.CC());
  if (Object.contains("bcc")) ReadAddressList(Object["bcc"], "bcc", Message.BCC());
  if (Object.contains("subject")) Message.SetSubject(StringOf(Object["subject"], "subject"));
  if (Object.contains("priority"))
    Message.Priority = EnumOf<TPriority>(PriorityNames, Object["priority"], "priority");
  if (Object.contains("returnReceipt")) {
    if (!Object["returnReceipt"].is_boolean()) Wrong("returnReceipt", "true or false");
    Message.ReturnReceipt = Object["returnReceipt"].get<bool>();
  }
  if (Object.contains("charset"))
    Message.CharSet = EnumOf<TCharSet>(CharSetNames, Object["charset"], "charset");
  if (Object.contains("encoding"))
    Message.Encoding = EnumOf<TMsgEncoding>(EncodingNames, Object["encoding"], "encoding");
  if (Object.contains("body")) ReadBody(Object["body"], Message.Body());
  if (Object.contains("attachments")) ReadAttachments(Object["attachments"], Message.Attachments());
  // After the attachments: the type worked out from them would replace it.
  if (Object.contains("contentType"))
    Message.SetContentType(StringOf(Object["contentType"], "contentType"));
}
