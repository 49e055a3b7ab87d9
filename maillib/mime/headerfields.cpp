#include "maillib/mime/headerfields.h"

#include <algorithm>
#include <cstddef>

#include "maillib/message/msgtypes.h"
#include "maillib/mime/headerwords.h"
#include "maillib/mime/mimetext.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/strutils.h"

using namespace mimetext;

namespace {

// Encoded words are longer than the text they carry (up to three bytes per
// byte in Q form, plus the charset of every word), so this much raw text is
// decoded to fill a 255-byte value. Decoding no more than that keeps a huge
// hostile header from costing more than a short one.
constexpr std::size_t MaxRawDecodedBytes = 2048;

// Name with the colon that ends a field name.
std::string WithColon(const std::string& FieldName) {
  if (!FieldName.empty() && FieldName.back() == ':') return FieldName;
  return FieldName + ':';
}

// Splits one line of an address field at the commas that stand outside
// quoted strings (where a backslash escapes the next character) and outside
// encoded words, and appends the pieces as
// received. A piece before a comma is kept even when empty; the text after
// the last comma only when it is not.
void SplitAddresses(std::string_view Text, TStringList& Addresses) {
  const std::string Shape = MaskEncodedWords(Text);
  bool Quoted = false;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Shape.size(); ++I) {
    if (Quoted && Shape[I] == '\\') {
      ++I;  // a quoted pair: the next character is text
    } else if (Shape[I] == '"') {
      Quoted = !Quoted;
    } else if (Shape[I] == ',' && !Quoted) {
      Addresses.push_back(Trim(Text.substr(Start, I - Start)));
      Start = I + 1;
    }
  }
  const std::string_view Rest = TrimView(Text.substr(Start));
  if (!Rest.empty()) Addresses.emplace_back(Rest);
}

}  // namespace

std::string DecodeHeaderText(std::string_view Raw) {
  std::string Text = CutUtf8(Raw, MaxRawDecodedBytes);
  try {
    Text = DecodeHeaderWords(Text);
  } catch (const Exception&) {
    // Header lookups never fail on bad input; the raw text is the best we have.
  }
  return ShortString(Text);
}

std::string GetRawHeaderField(const TStringList& Headers, const std::string& FieldName) {
  if (Headers.empty()) return {};
  const std::string Name = WithColon(FieldName);
  auto It = std::find_if(Headers.begin(), Headers.end(),
                         [&](const std::string& Line) { return StartsWithNoCase(Line, Name); });
  if (It == Headers.end()) return {};

  std::string Value = Trim(std::string_view(*It).substr(It->find(':') + 1));
  for (++It; It != Headers.end() && IsContinuationLine(*It); ++It) {
    const std::string_view Part = TrimView(*It);
    if (Part.empty()) continue;
    // A field folded straight after its name must not gain a leading blank.
    if (!Value.empty()) Value += ' ';
    Value += Part;
  }
  return Value;
}

std::string GetHeaderField(const TStringList& Headers, const std::string& FieldName) {
  std::string Value = GetRawHeaderField(Headers, FieldName);
  // These values are parsed further (boundary, charset, message ids) and
  // must reach their parsers whole and as received.
  const std::string Name = WithColon(FieldName);
  if (EqualsNoCase(Name, "Content-Type:") || EqualsNoCase(Name, "X-UIDL:")) return Value;
  return DecodeHeaderText(Value);
}

void GetHeaderAddresses(const TStringList& Headers, const std::string& FieldName, TStringList& Addresses) {
  Addresses.clear();
  std::size_t I = 0;
  while (I < Headers.size()) {
    const std::string& Line = Headers[I];
    // The name is matched as a prefix without its colon, as callers pass it.
    if (!StartsWithNoCase(Line, FieldName)) {
      ++I;
      continue;
    }
    const std::size_t Colon = Line.find(':');
    if (Colon == std::string::npos) break;
    SplitAddresses(std::string_view(Line).substr(Colon + 1), Addresses);
    // A line without a colon cannot start a field, so it continues this one;
    // a folded line (leading blank) does too, even when a quoted name in it
    // holds a colon.
    for (++I; I < Headers.size(); ++I) {
      const std::string& Next = Headers[I];
      if (!IsContinuationLine(Next) && Next.find(':') != std::string::npos) break;
      SplitAddresses(Next, Addresses);
    }
  }
}

void DeleteHeaderField(TStringList& Headers, const std::string& FieldName) {
  const std::string Name = WithColon(FieldName);
  auto First = std::find_if(Headers.begin(), Headers.end(),
                            [&](const std::string& Line) { return StartsWithNoCase(Line, Name); });
  if (First == Headers.end()) return;
  auto Last = std::next(First);
  while (Last != Headers.end() && IsContinuationLine(*Last)) ++Last;
  Headers.erase(First, Last);
}

std::string GetParameter(const std::string& ParamName, const std::string& Value) {
  if (ParamName.empty()) return {};
  const std::size_t Pos = UpperCase(Value).find(UpperCase(ParamName));
  if (Pos == std::string::npos) return {};

  std::string_view Rest = std::string_view(Value).substr(Pos + ParamName.size());
  // Blanks may stand around the "=" (charset = "utf-8").
  while (!Rest.empty() && (Rest.front() == ' ' || Rest.front() == '\t')) Rest.remove_prefix(1);
  if (!Rest.empty()) Rest.remove_prefix(1);
  Rest = TrimView(Rest);

  std::string_view Result;
  if (!Rest.empty() && Rest.front() == '"') {
    Rest.remove_prefix(1);
    Result = Rest.substr(0, Rest.find('"'));
  } else {
    // An unquoted value is a token: it ends at a blank or at the ";" before
    // the next parameter (boundary=abc;charset=x gives abc).
    Result = Rest.substr(0, Rest.find_first_of(" \t;"));
  }
  if (!Result.empty() && Result.back() == ';') Result.remove_suffix(1);
  return Trim(Result);
}

std::string GetMediaType(const std::string& Value) {
  const std::string_view Text = TrimView(Value);
  return Trim(Text.substr(0, Text.find_first_of(" \t;")));
}

std::string StripQuotes(std::string_view Text) {
  Text = TrimView(Text);
  while (!Text.empty() && Text.front() == '"') Text.remove_prefix(1);
  while (!Text.empty() && Text.back() == '"') Text.remove_suffix(1);
  return std::string(Text);
}
