#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/stringlist.h"

class TStream;
class TnbAttItem;
class TnbCustomMessage;
class TnbMessage;
class TnbArticle;

// Writes a message object as the raw Internet message text that the SMTP
// client transfers: the header lines, then a MIME body (plain text, HTML or
// RTF, one attachment, or a multipart body with a nested alternative group),
// or a plain body followed by uuencoded attachments. Every line ends with
// CR LF. The message itself is left as it is: dot-stuffing belongs to the
// SMTP transmission.
class TnbCustomEncoder {
public:
  // Binds the encoder to Message (not owned) and notes whether its body has
  // lines too long to travel as they are.
  explicit TnbCustomEncoder(TnbCustomMessage& Message);
  virtual ~TnbCustomEncoder() = default;
  TnbCustomEncoder(const TnbCustomEncoder&) = delete;
  TnbCustomEncoder& operator=(const TnbCustomEncoder&) = delete;

  // The destination (not owned); must be set before Encode.
  TStream* Stream = nullptr;

  // True when some body line is LongLineLength bytes or longer: the body is
  // then quoted-printable coded whatever its character set.
  bool LongLines() const { return FLongLines; }
  static constexpr std::size_t LongLineLength = 256;

  // Writes the whole message into Stream, from position 0, and ends the
  // stream there (a reused stream keeps no old tail). Stream errors and
  // the errors of the codecs pass through.
  void Encode();

  // A new multipart boundary: eight digits 0 to 8.
  static std::string NewBoundary();

  // Writes Line followed by CR LF, up to its first NUL; a CR or LF inside
  // Line breaks it into lines of their own, so no bare line break reaches
  // the wire.
  void WriteLine(std::string_view Line);

protected:
  // Writes the top-level header lines that differ between mail and news.
  virtual void WriteHeaders() = 0;

  // The caller's raw header lines without the fields the encoder writes
  // itself (and without OwnField, when given), keeping only well-formed
  // field and continuation lines.
  void WriteExtraHeaders(const char* OwnField = nullptr);
  // "Mime-Version: 1.0" when the message travels as MIME.
  void WriteMimeVersion();
  // Header text made safe to write: CR, LF and NUL become blanks; non-ASCII
  // text (and JIS text when the message asks for it) becomes encoded words.
  std::string HeaderText(std::string_view Text) const;
  // A display name as it stands in an address field: HeaderText, and a plain
  // name holding special characters goes between double quotes when Quote.
  std::string DisplayName(std::string_view Name, bool Quote) const;

  TnbCustomMessage& FMessage;

private:
  // The text part: its headers by character set, an empty line, the text.
  void WritePlainBody();
  void WriteMarkupBody(bool Html);
  void WriteSingleAttachment();
  void WriteMultipart(bool Alternative);
  void WriteUUForm();
  // Single: the item is the whole body of the message, not a part.
  void WriteAttachmentData(TnbAttItem& Item, bool Single);
  // Codes Bytes as quoted-printable and writes the lines.
  void WriteQuotedPrintable(TStream& Bytes);
  void WriteQuotedPrintable(std::string_view Bytes);
  // Writes Bytes as quoted-printable that gives back every byte: CR LF
  // pairs are the line breaks, lone CR and LF are escaped, a final blank is
  // escaped, and bytes without a final line break end in a soft break.
  void WriteBinaryQuotedPrintable(std::string_view Bytes);
  // Writes Bytes cut into blocks of BlockSize, each coded as one line by
  // EncodeLine; a last short (or empty) block ends the data, as base64 and
  // uuencode expect.
  void WriteLineBlocks(std::string_view Bytes, std::size_t BlockSize, std::string (*EncodeLine)(std::string_view));
  void Flush();

  // The body's bytes and the character set they are labelled with.
  struct TBodyText {
    std::string CharSet;  // empty: us-ascii text of a markup body
    std::string Bytes;    // every line ended by CR LF
    bool EightBit = false;
  };
  TBodyText BodyText(bool Markup) const;

  bool FLongLines = false;
  TStringList FWork;  // the lines of the part being quoted-printable coded
  std::string FOut;   // written lines not yet passed to Stream
};

// The encoder of Internet mail: From, To, CC, priority and return-receipt
// lines. BCC is never written; those addresses travel only in the envelope.
class TnbMessageEncoder : public TnbCustomEncoder {
public:
  explicit TnbMessageEncoder(TnbMessage& Message);

protected:
  void WriteHeaders() override;

private:
  void WriteAddressField(std::string FieldName, const class TnbAddressList& List);
  TnbMessage& FMail;
};

// The encoder of news articles: From, Newsgroups and a two-blank Subject.
class TnbArticleEncoder : public TnbCustomEncoder {
public:
  explicit TnbArticleEncoder(TnbArticle& Article);

protected:
  void WriteHeaders() override;

private:
  TnbArticle& FArticle;
};

// Header value text in RFC 2047 encoded words ("=?utf-8?B?...?=", or
// iso-8859-1 when Latin1 is allowed and every character fits), each at most
// 75 characters and never splitting a character; words after the first are
// folded onto continuation lines ("\r\n "). Returns Text unchanged when it is
// plain printable ASCII.
std::string EncodeHeaderWords(std::string_view Text, bool Latin1);
