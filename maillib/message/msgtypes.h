#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/runtime/exception.h"
#include "platform/runtime/strutils.h"

// How attachments travel: as MIME parts, or as uuencoded blocks after the body.
enum class TMsgEncoding { meMIME, meUU };
// Character set of the body text: us-ascii, iso-8859-1, iso-2022-jp.
enum class TCharSet { csUSASCII, csISO8859, csISO2022jp };
enum class TPriority { ptLow, ptNormal, ptHigh };
// Transfer encoding of one attachment.
enum class TTransferEncoding { te7Bit, teBase64, teQuotedPrintable };

// Names, addresses, subjects, file names and content types keep at most this
// many bytes (the width of the fields they end up in).
inline constexpr std::size_t MaxShortString = 255;

// Text cut to a short string without splitting a UTF-8 sequence.
inline std::string ShortString(std::string_view Text) { return CutUtf8(Text, MaxShortString); }

// A message lacks something it needs before it can be sent.
class EMessageError : public Exception {
public:
  using Exception::Exception;
};

// An index outside a list of addresses or attachments.
class EListError : public Exception {
public:
  using Exception::Exception;
};
