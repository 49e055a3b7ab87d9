#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/stringlist.h"

// Field lookups over a list of raw header lines (a TnbHeaders list), where a
// folded field's continuation lines are entries of their own. Field names are
// compared without regard to case. None of these raises on malformed input.

// The value of the first field named FieldName (a trailing ":" is optional),
// with its continuation lines joined by single spaces; empty when missing.
// Values are header-word decoded and cut to 255 bytes, except Content-Type and
// X-UIDL, which come back whole and undecoded.
std::string GetHeaderField(const TStringList& Headers, const std::string& FieldName);

// The value of the first field named FieldName as received: continuation
// lines joined as by GetHeaderField, encoded words not decoded, not cut.
std::string GetRawHeaderField(const TStringList& Headers, const std::string& FieldName);

// A header text as it is shown: encoded words decoded, then cut to 255 bytes
// on a character boundary. Decoding first means a cut never leaves half an
// encoded word; a malformed encoded word keeps the text as received.
std::string DecodeHeaderText(std::string_view Raw);

// Fills Addresses with the single address texts of every field whose name
// begins with FieldName (callers pass "TO", "CC", "BCC"), in order, one per
// entry, trimmed but otherwise as received: encoded words are not decoded,
// since only a display name may come from them (see ParseHeaderAddresses).
// Commas inside double quotes or inside an encoded word do not split.
void GetHeaderAddresses(const TStringList& Headers, const std::string& FieldName, TStringList& Addresses);

// Removes the first field named FieldName with its continuation lines;
// nothing happens when it is missing.
void DeleteHeaderField(TStringList& Headers, const std::string& FieldName);

// The value of parameter ParamName (boundary, charset, name, filename) in a
// structured value such as a Content-Type; empty when absent. Names are
// compared whole, without regard to case: "name" never finds "filename".
// A value given in the forms of RFC 2231 (name*=charset'lang'%XX, sections
// name*0, name*1*, ...) is put together and converted into UTF-8, and is
// taken before a plain value of the same name.
std::string GetParameter(const std::string& ParamName, const std::string& Value);

// A file name parameter (name, filename) as GetParameter reads it, with
// RFC 2047 encoded words decoded and raw 8-bit text read as undeclared text:
// the forms real mailers write.
std::string GetFileNameParameter(const std::string& ParamName, const std::string& Value);

// The leading media type of a structured value: "text/plain" of
// "text/plain; charset=us-ascii".
std::string GetMediaType(const std::string& Value);

// Text without surrounding blanks and without the double quotes at its
// start and end; inner blanks stay.
std::string StripQuotes(std::string_view Text);
