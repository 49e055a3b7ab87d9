#pragma once

#include <string>
#include <string_view>

#include "maillib/message/nbmsgcls.h"
#include "platform/runtime/component.h"
#include "platform/runtime/stringlist.h"

class TStream;

// The in-memory form of one mail message or news article: sender, subject,
// raw header lines, text body and attachments with their bytes. Every part of
// the mail library and the application exchanges mail in this form.
class TnbCustomMessage : public TComponent {
public:
  explicit TnbCustomMessage(TComponent* AOwner = nullptr);

  // Owned; setting copies the given list (bytes included).
  TnbAttList& Attachments() { return FAttachments; }
  const TnbAttList& Attachments() const { return FAttachments; }
  void SetAttachments(const TnbAttList& Value);

  // The content type the message travels as, worked out from its body and
  // attachments on every read (and remembered). Setting stores the value in
  // lower case; a stored type is kept for a body without attachments, so a
  // caller can send an HTML body by setting "text/html".
  std::string ContentType();
  void SetContentType(std::string_view Value);

  TMsgEncoding Encoding = TMsgEncoding::meMIME;

  TnbMailAddress& Sender() { return FSender; }
  const TnbMailAddress& Sender() const { return FSender; }
  void SetSender(const TnbMailAddress& Value) { FSender.Assign(Value); }

  // Cut to 255 bytes.
  const std::string& Subject() const { return FSubject; }
  void SetSubject(std::string_view Value) { FSubject = ShortString(Value); }

  TCharSet CharSet = TCharSet::csUSASCII;
  // The media type of the text in Body as received: "text/plain", or
  // "text/html" or "text/rtf" when the message had no plain text and that
  // rendering became the body.
  std::string BodyType = "text/plain";

  TnbHeaders& Headers() { return FHeaders; }
  const TnbHeaders& Headers() const { return FHeaders; }
  void SetHeaders(const TnbHeaders& Value) { FHeaders = Value; }

  // The text body, one line per entry.
  TStringList& Body() { return FBody; }
  const TStringList& Body() const { return FBody; }
  void SetBody(const TStringList& Value) { FBody = Value; }

  // Raises EMessageError naming the first thing the message lacks before it
  // can be sent.
  virtual void CheckRequired() const;
  // Writes the complete raw message into Stream from position 0.
  virtual void SaveToStream(TStream& Stream) = 0;
  // Fills the message from the raw message in Stream; does not clear it first.
  virtual void LoadFromStream(TStream& Stream) = 0;
  // Empties the message for reuse.
  virtual void Clear();
  // Fills the message's fields from its top-level header lines.
  virtual void ParseHeaders(const TnbHeaders& AHeaders) = 0;

  // Makes this message a copy of Source (attachment bytes included); the
  // subclasses copy what they add when Source is of their kind.
  virtual void Assign(const TnbCustomMessage& Source);

  // Called after the message has been restored from its stored properties:
  // every attachment gets its bytes from the file its FileName names.
  // Raises the file error of a file that cannot be read.
  virtual void Loaded();

  // Writes the bytes of attachment Index into a new file in Directory (empty:
  // the working directory), named by the plain file name part of its
  // FileName. A name that is taken, and a name that is unsafe, give way to a
  // free safe one: an existing file is never replaced. Returns the name the
  // file was saved under. Raises EFCreateError when the file cannot be
  // created, EListError for an index outside the list.
  std::string SaveAttachment(int Index, const std::string& Directory) const;

private:
  // The content type that follows from the message's parts, and whether it
  // was derived from its attachments.
  struct TContentTypeRule {
    std::string Type;
    bool FromAttachments = false;
  };
  TContentTypeRule ComputeContentType() const;

  TnbAttList FAttachments;
  TnbMailAddress FSender;
  std::string FSubject;
  TnbHeaders FHeaders;
  TStringList FBody;
  std::string FContentType = "text/plain";
  // The stored type was worked out from attachments rather than set by a
  // caller; it must not outlive them.
  bool FContentTypeFromAttachments = false;
};

// An Internet mail message: the custom message with To, CC, BCC, priority and
// a return-receipt request.
class TnbMessage : public TnbCustomMessage {
public:
  using TnbCustomMessage::TnbCustomMessage;

  // The To list.
  TnbAddressList& Recipients() { return FRecipients; }
  const TnbAddressList& Recipients() const { return FRecipients; }
  void SetRecipients(const TnbAddressList& Value) { FRecipients.Assign(Value); }

  bool ReturnReceipt = false;
  TPriority Priority = TPriority::ptNormal;

  TnbAddressList& CC() { return FCC; }
  const TnbAddressList& CC() const { return FCC; }
  void SetCC(const TnbAddressList& Value) { FCC.Assign(Value); }

  TnbAddressList& BCC() { return FBCC; }
  const TnbAddressList& BCC() const { return FBCC; }
  void SetBCC(const TnbAddressList& Value) { FBCC.Assign(Value); }

  void CheckRequired() const override;
  // Runs the message encoder.
  void SaveToStream(TStream& Stream) override;
  // Runs the message decoder.
  void LoadFromStream(TStream& Stream) override;
  // Empties the message; Priority and ReturnReceipt keep their values.
  void Clear() override;
  void ParseHeaders(const TnbHeaders& AHeaders) override;
  void Assign(const TnbCustomMessage& Source) override;

private:
  TnbAddressList FRecipients;
  TnbAddressList FCC;
  TnbAddressList FBCC;
};

// A news article: the custom message with its newsgroups, and the Message-ID
// and Path of a received article.
class TnbArticle : public TnbCustomMessage {
public:
  using TnbCustomMessage::TnbCustomMessage;

  // Comma-separated group names, as in the Newsgroups header.
  std::string NewsGroups;
  std::string MessageID;
  std::string Path;

  void CheckRequired() const override;
  // Runs the article encoder.
  void SaveToStream(TStream& Stream) override;
  // Runs the article decoder.
  void LoadFromStream(TStream& Stream) override;
  void Clear() override;
  void ParseHeaders(const TnbHeaders& AHeaders) override;
  void Assign(const TnbCustomMessage& Source) override;
};
