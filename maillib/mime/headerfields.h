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

// Fills Addresses with the single address texts of every field whose name
// begins with FieldName (callers pass "TO", "CC", "BCC"), in order, one per
// entry; commas inside double quotes do not split.
void GetHeaderAddresses(const TStringList& Headers, const std::string& FieldName, TStringList& Addresses);

// Removes the first field named FieldName with its continuation lines;
// nothing happens when it is missing.
void DeleteHeaderField(TStringList& Headers, const std::string& FieldName);

// The value of parameter ParamName (boundary, charset, name, filename) in a
// structured value such as a Content-Type; empty when absent. The name is
// found as a plain substring, so "name" also finds "filename".
std::string GetParameter(const std::string& ParamName, const std::string& Value);

// The leading media type of a structured value: "text/plain" of
// "text/plain; charset=us-ascii".
std::string GetMediaType(const std::string& Value);

// Text without surrounding blanks and without the double quotes at its
// start and end; inner blanks stay.
std::string StripQuotes(std::string_view Text);
