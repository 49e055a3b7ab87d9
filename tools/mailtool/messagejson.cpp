#include "messagejson.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <array>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "maillib/message/nbmsg.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/textencoding.h"

namespace {

// Names of the enumerations, in the order of their ordinals.
constexpr std::array<std::string_view, 3> PriorityNames{"low", "normal", "high"};
constexpr std::array<std::string_view, 3> CharSetNames{"us-ascii", "iso-8859-1", "iso-2022-jp"};
constexpr std::array<std::string_view, 2> EncodingNames{"mime", "uu"};
constexpr std::array<std::string_view, 3> TransferEncodingNames{"7bit", "base64",
                                                                "quoted-printable"};

template <typename E, std::size_t N>
std::string_view NameOf(const std::array<std::string_view, N>& Names, E Value) {
  return Names.at(static_cast<std::size_t>(Value));
}

// ---- writing ----

void WriteString(std::ostream& Out, std::string_view Text) {
  const std::string Valid = ValidUTF8(Text);
  Out << '"';
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Valid.size(); ++I) {
    const auto C = static_cast<unsigned char>(Valid[I]);
    if (C >= 0x20 && C != '"' && C != '\\') continue;
    Out.write(Valid.data() + Start, static_cast<std::streamsize>(I - Start));
    Start = I + 1;
    switch (C) {
      case '"': Out << "\\\""; break;
      case '\\': Out << "\\\\"; break;
      case '\n': Out << "\\n"; break;
      case '\r': Out << "\\r"; break;
      case '\t': Out << "\\t"; break;
      default: {
        char Escape[8];
        std::snprintf(Escape, sizeof Escape, "\\u%04x", C);
        Out << Escape;
      }
    }
  }
  Out.write(Valid.data() + Start, static_cast<std::streamsize>(Valid.size() - Start));
  Out << '"';
}

void WriteAddress(std::ostream& Out, const TnbMailAddress& Address) {
  Out << "{\"name\": ";
  WriteString(Out, Address.Name());
  Out << ", \"address\": ";
  WriteString(Out, Address.Address());
  Out << '}';
}

void WriteAddressList(std::ostream& Out, const TnbAddressList& List) {
  Out << '[';
  for (int I = 0; I < List.Count(); ++I) {
    Out << (I == 0 ? "\n    " : ",\n    ");
    WriteAddress(Out, List.Items(I));
  }
  Out << (List.Count() == 0 ? "]" : "\n  ]");
}

std::string Sha256Hex(std::string_view Bytes) {
  QCryptographicHash Hash(QCryptographicHash::Sha256);
  Hash.addData(QByteArrayView(Bytes.data(), static_cast<qsizetype>(Bytes.size())));
  return Hash.result().toHex().toStdString();
}

void WriteAttachment(std::ostream& Out, const TnbAttItem& Item) {
  const std::string_view Bytes = Item.Data.View();
  Out << "{\n      \"fileName\": ";
  WriteString(Out, Item.FileName());
  Out << ",\n      \"contentType\": ";
  WriteString(Out, Item.ContentType());
  Out << ",\n      \"transferEncoding\": ";
  WriteString(Out, NameOf(TransferEncodingNames, Item.TransferEncoding));
  Out << ",\n      \"size\": " << Bytes.size();
  Out << ",\n      \"sha256\": \"" << Sha256Hex(Bytes) << "\"\n    }";
}

// ---- reading ----

// Where a value sits in the document, for error messages: "recipients[2].name".
std::string Member(const std::string& Parent, const QString& Key) {
  return Parent.empty() ? Key.toStdString() : Parent + "." + Key.toStdString();
}

[[noreturn]] void Wrong(const std::string& Where, const char* Expected) {
  throw Exception("\"" + Where + "\" must be " + Expected);
}

std::string StringOf(const QJsonValue& Value, const std::string& Where) {
  if (!Value.isString()) Wrong(Where, "a string");
  return Value.toString().toStdString();
}

QJsonObject ObjectOf(const QJsonValue& Value, const std::string& Where) {
  if (!Value.isObject()) Wrong(Where, "an object");
  return Value.toObject();
}

QJsonArray ArrayOf(const QJsonValue& Value, const std::string& Where) {
  if (!Value.isArray()) Wrong(Where, "an array");
  return Value.toArray();
}

template <typename E, std::size_t N>
E EnumOf(const std::array<std::string_view, N>& Names, const QJsonValue& Value,
         const std::string& Where) {
  const std::string Name = Value.isString() ? Value.toString().toStdString() : std::string();
  for (std::size_t I = 0; I < N; ++I)
    if (Names[I] == Name) return static_cast<E>(I);
  std::string Expected = "one of";
  for (std::size_t I = 0; I < N; ++I)
    Expected += (I == 0 ? " \"" : ", \"") + std::string(Names[I]) + "\"";
  Wrong(Where, Expected.c_str());
}

// Raises an error for a member that is none of Known, so that a misspelt
// member is reported instead of quietly doing nothing.
template <std::size_t N>
void CheckMembers(const QJsonObject& Object, const std::array<const char*, N>& Known,
                  const std::string& Where) {
  for (auto It = Object.begin(); It != Object.end(); ++It) {
    bool Found = false;
    for (const char* Name : Known) Found = Found || It.key() == QLatin1String(Name);
    if (!Found) throw Exception("Unknown member \"" + Member(Where, It.key()) + "\"");
  }
}

void ReadAddress(const QJsonValue& Value, const std::string& Where, TnbMailAddress& Address) {
  const QJsonObject Object = ObjectOf(Value, Where);
  CheckMembers(Object, std::array{"name", "address"}, Where);
  if (Object.contains("name")) Address.SetName(StringOf(Object["name"], Where + ".name"));
  if (Object.contains("address"))
    Address.SetAddress(StringOf(Object["address"], Where + ".address"));
}

void ReadAddressList(const QJsonValue& Value, const std::string& Where, TnbAddressList& List) {
  const QJsonArray Array = ArrayOf(Value, Where);
  TnbAddressList Result;
  for (qsizetype I = 0; I < Array.size(); ++I) {
    auto Address = std::make_unique<TnbMailAddress>();
    ReadAddress(Array[I], Where + "[" + std::to_string(I) + "]", *Address);
    Result.AddItem(std::move(Address));
  }
  List.Assign(Result);
}

void ReadBody(const QJsonValue& Value, TStringList& Body) {
  const QJsonArray Array = ArrayOf(Value, "body");
  TStringList Lines;
  Lines.reserve(static_cast<std::size_t>(Array.size()));
  for (qsizetype I = 0; I < Array.size(); ++I)
    Lines.push_back(StringOf(Array[I], "body[" + std::to_string(I) + "]"));
  Body = std::move(Lines);
}

std::unique_ptr<TnbAttItem> ReadAttachment(const QJsonValue& Value, const std::string& Where) {
  const QJsonObject Object = ObjectOf(Value, Where);
  CheckMembers(Object,
               std::array{"fileName", "contentType", "transferEncoding", "data", "size", "sha256"},
               Where);
  auto Item = std::make_unique<TnbAttItem>();
  // Naming first derives type and encoding from the extension; given values
  // then override them.
  Item->SetFileName(StringOf(Object["fileName"], Where + ".fileName"));
  if (Object.contains("data")) {
    const QByteArray Base64 = StringOf(Object["data"], Where + ".data").c_str();
    const auto Decoded =
        QByteArray::fromBase64Encoding(Base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!Decoded) Wrong(Where + ".data", "base64 text");
    Item->Data.Write(Decoded.decoded.constData(), static_cast<std::size_t>(Decoded.decoded.size()));
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

void ReadAttachments(const QJsonValue& Value, TnbAttList& List) {
  const QJsonArray Array = ArrayOf(Value, "attachments");
  List.Clear();
  for (qsizetype I = 0; I < Array.size(); ++I)
    List.AddItem(ReadAttachment(Array[I], "attachments[" + std::to_string(I) + "]"));
}

}  // namespace

void WriteMessageJson(TnbMessage& Message, std::ostream& Out) {
  Out << "{\n  \"sender\": ";
  WriteAddress(Out, Message.Sender());
  Out << ",\n  \"recipients\": ";
  WriteAddressList(Out, Message.Recipients());
  Out << ",\n  \"cc\": ";
  WriteAddressList(Out, Message.CC());
  Out << ",\n  \"bcc\": ";
  WriteAddressList(Out, Message.BCC());
  Out << ",\n  \"subject\": ";
  WriteString(Out, Message.Subject());
  Out << ",\n  \"priority\": \"" << NameOf(PriorityNames, Message.Priority) << '"';
  Out << ",\n  \"returnReceipt\": " << (Message.ReturnReceipt ? "true" : "false");
  Out << ",\n  \"charset\": \"" << NameOf(CharSetNames, Message.CharSet) << '"';
  Out << ",\n  \"contentType\": ";
  WriteString(Out, Message.ContentType());
  Out << ",\n  \"encoding\": \"" << NameOf(EncodingNames, Message.Encoding) << '"';
  Out << ",\n  \"body\": [";
  const TStringList& Body = Message.Body();
  for (std::size_t I = 0; I < Body.size(); ++I) {
    Out << (I == 0 ? "\n    " : ",\n    ");
    WriteString(Out, Body[I]);
  }
  Out << (Body.empty() ? "]" : "\n  ]");
  Out << ",\n  \"attachments\": [";
  const TnbAttList& Attachments = Message.Attachments();
  for (int I = 0; I < Attachments.Count(); ++I) {
    Out << (I == 0 ? "\n    " : ",\n    ");
    WriteAttachment(Out, Attachments.Items(I));
  }
  Out << (Attachments.Count() == 0 ? "]" : "\n  ]");
  Out << "\n}\n";
}

void ReadMessageJson(std::string_view Json, TnbMessage& Message) {
  QJsonParseError Error;
  const QJsonDocument Document = QJsonDocument::fromJson(
      QByteArray(Json.data(), static_cast<qsizetype>(Json.size())), &Error);
  if (Error.error != QJsonParseError::NoError)
    throw Exception("Not valid JSON at offset " + std::to_string(Error.offset) + ": " +
                    Error.errorString().toStdString());
  if (!Document.isObject()) throw Exception("The JSON text must be an object describing a message");
  const QJsonObject Object = Document.object();
  CheckMembers(Object,
               std::array{"sender", "recipients", "cc", "bcc", "subject", "priority",
                          "returnReceipt", "charset", "contentType", "encoding", "body",
                          "attachments"},
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
    if (!Object["returnReceipt"].isBool()) Wrong("returnReceipt", "true or false");
    Message.ReturnReceipt = Object["returnReceipt"].toBool();
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
