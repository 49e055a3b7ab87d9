#pragma once

#include <memory>
#include <string>
#include <string_view>

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

private:
  void DecodeMIME();
  void DecodeTextBody();
  void DecodeMultipart();
  // Returns false when the walk is over (the only part has been read).
  bool DecodeFirstPart();
  void DecodeParts();
  void DecodeSinglePart();
  void DecodePlain();
  void DecodeUUBlocks();

  // Reads the lines of one part into Item.Data by its transfer encoding,
  // stopping at a line that begins with Delimiter (left in FLine) or at the
  // end of the data.
  void ReadPartData(TnbAttItem& Item, bool UUEncoded);
  // Reads the rest of the data into Item.Data.
  void ReadSinglePartData(TnbAttItem& Item, bool UUEncoded);
  // Skips lines until one equals Delimiter (Exact) or begins with it; raises
  // EMessageParserError Error at the end of the data.
  void SkipToDelimiter(bool Exact, const char* Error);
  void SkipToEnd();
  // Ends a nested alternative group after its closing delimiter: back to the
  // outer delimiter, skipping to its next line. Returns false when the outer
  // multipart is over too.
  bool LeaveAlternative();

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
  std::string FLine;  // the line read last
  bool FHeld = false;  // FLine is read again by the next ReadLine
  std::string FNext;   // the line PeekLine read ahead
  bool FPeeked = false;
  bool FNextValid = false;
  std::string Delimiter;
  std::string OuterDelimiter;
  bool InAlternative = false;
  bool TopAlternative = false;
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
