#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/message/headers.h"
#include "maillib/transport/linestream.h"

class TStream;
class TnbCustomMessage;
class TnbAttItem;

// Reads one raw Internet message (RFC 822 headers, then a MIME body or a
// plain body with uuencoded blocks) into a message object: its header fields,
// text Body (UTF-8), CharSet, ContentType and Encoding, and one attachment per
// non-text part or uuencoded block with its decoded bytes in memory.
//
// The input is the message text alone, as the POP3 client hands it over
// (terminating line removed, dot-stuffing undone): a line "." is content and
// never ends a part or the message.
//
// It is forgiving: a structural error keeps what was read, adds three lines
// explaining the error to Body and attaches the whole raw input as
// "original.eml".
class TnbCustomDecoder {
public:
  // Reads Input from its start, a window at a time, so the message text is
  // never held twice. Input must outlive the decoding, and its position moves.
  explicit TnbCustomDecoder(TStream& Input);
  virtual ~TnbCustomDecoder() = default;
  TnbCustomDecoder(const TnbCustomDecoder&) = delete;
  TnbCustomDecoder& operator=(const TnbCustomDecoder&) = delete;

  // The message being filled; not owned. Set before Decode.
  TnbCustomMessage* Message = nullptr;

  // Reads the whole input into Message.
  void Decode();

  // Clears Headers and reads header lines into it up to an empty line, a line
  // that is not a header line (which is then the first line of the body) or
  // the end of the data. Raises EMessageParserError "Unable to retrieve headers"
  // on a line equal to the end marker that is not the end of the data.
  void ReadHeaders(TnbHeaders& Headers);

  // The top-level header lines.
  TnbHeaders MessageHeaders;
  // The header lines of the MIME part being read.
  TnbHeaders PartHeaders;

protected:
  // Hands MessageHeaders to the message's own header parser.
  virtual void ApplyHeaders() = 0;

  // Multiparts nested deeper than this are not walked: such a part is kept
  // raw as one attachment, so hostile nesting stays bounded.
  static constexpr int MaxDepth = 100;

private:
  // Where a part stands in the tree, as far as its reading depends on it.
  struct TPartPlace {
    bool Alternative = false;  // a rendering in a multipart/alternative group
    bool AlternativeRelated = false;  // a part of a related group that is one
    bool Digest = false;       // a part of a multipart/digest
    int Depth = 0;             // multiparts around it
  };

  void DecodeMIME();
  void DecodeTextBody();
  void DecodeSinglePart();
  void DecodePlain();
  void DecodeUUBlocks();

  // Reads the entity whose header lines are Headers (the message or a part)
  // up to a delimiter of an open multipart or the end of the data, which is
  // then in FLine (or FAtEnd is set).
  void DecodeEntity(const TnbHeaders& Headers, const TPartPlace& Place);
  // Walks the parts of a multipart whose delimiter is "--" + Boundary.
  void DecodeMultipart(const std::string& Boundary, const std::string& SubType, const TPartPlace& Place);
  // A leaf that becomes the body: its text decoded into Body.
  void ReadBodyText(const std::string& CharSetName, const std::string& Encoding);
  // Reads the lines of one part into Item.Data by its transfer encoding,
  // up to a delimiter of an open multipart or the end of the data. ToEnd
  // says the part is the whole rest of the data (a single-part message), so
  // its last line break is its own.
  void ReadPartData(TnbAttItem& Item, bool UUEncoded, bool ToEnd);
  // The level (index into FDelimiters) of the multipart whose delimiter
  // FLine is, or -1. Closing tells whether it is the closing delimiter.
  int DelimiterLevel(bool& Closing) const;
  bool AtDelimiter() const {
    bool Closing;
    return DelimiterLevel(Closing) >= 0;
  }
  // Appends Item; a generated name (Suffix after it) is given once the
  // walk is over, when the final position of every attachment is known.
  void AddPart(std::unique_ptr<TnbAttItem> Item, bool NeedsName, bool Alternative, const char* Suffix = "");
  // After the walk: an HTML or RTF text becomes the body when no plain text
  // did, and the generated names are given.
  void FinishParts();

  // Replaces Body by the lines of Bytes, converted from CharSetName to UTF-8.
  void LoadBody(std::string Bytes, const std::string& CharSetName);
  // Appends the error explanation and the whole raw input as "original.eml".
  void AppendError(const std::string& ErrorMessage);
  // The number of attachments the message already has, for generated names.
  std::string GeneratedName(bool Alternative) const;

  bool ReadLine();
  // The line after FLine, read ahead without being taken; the next ReadLine
  // returns it. Empty at the end of the data.
  const std::string& PeekLine();
  // True when FLine begins a uuencoded block: a begin line followed by a
  // line that decodes. A begin line followed by text is text.
  bool AtUUBlock();

  TStream& FInput;
  TLineStream FLines;
  // The line read last: a view into the line stream's window, valid until
  // the next line is read, or into FLineCopy.
  std::string_view FLine;
  std::string FLineCopy;
  bool FHeld = false;  // FLine is read again by the next ReadLine
  std::string FNext;   // the line PeekLine read ahead
  bool FPeeked = false;
  bool FNextValid = false;
  bool FAtEnd = false;  // the data is used up
  // The delimiters ("--" + boundary) of the multiparts being walked,
  // outermost first.
  std::vector<std::string> FDelimiters;
  // The walk has filled Body from a plain text part.
  bool FBodyTaken = false;
  // An HTML or RTF text that becomes the body if no plain text comes: the
  // attachment holding it, its character set and media type.
  TnbAttItem* FMarkup = nullptr;
  std::string FMarkupCharSet;
  std::string FMarkupType;
  // Attachments still to be named once the walk is over.
  struct TPendingName {
    TnbAttItem* Item;
    bool Alternative;
    const char* Suffix;
  };
  std::vector<TPendingName> FPendingNames;
};

// The decoder for a TnbMessage.
class TnbMessageDecoder : public TnbCustomDecoder {
public:
  using TnbCustomDecoder::TnbCustomDecoder;

protected:
  void ApplyHeaders() override;
};

// The decoder for a TnbArticle.
class TnbArticleDecoder : public TnbCustomDecoder {
public:
  using TnbCustomDecoder::TnbCustomDecoder;

protected:
  void ApplyHeaders() override;
};
