#include "maillib/mime/headerfields.h"

#include <algorithm>
#include <map>
#include <vector>
#include <cstddef>

#include "maillib/message/msgtypes.h"
#include "maillib/mime/headerwords.h"
#include "maillib/mime/mimetext.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/percentdecoding.h"
#include "platform/runtime/strutils.h"
#include "platform/runtime/textencoding.h"

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
// quoted strings (where a backslash escapes the next character), comments,
// angle brackets and encoded words, and appends the pieces as received. A
// piece before a comma is kept even when empty; the text after the last
// comma only when it is not. Group syntax (RFC 5322, section 3.4) gives
// the members only: "Team: a@x, b@x;" gives a@x and b@x, and
// "undisclosed-recipients:;" gives nothing.
void SplitAddresses(std::string_view Text, TStringList& Addresses) {
  const std::string Shape = MaskEncodedWords(Text);
  bool Quoted = false;
  int Comment = 0;
  bool Angle = false;
  bool AfterGroup = false;  // a group ended, and its "," is no empty address
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Shape.size(); ++I) {
    const char C = Shape[I];
    if (Quoted) {
      if (C == '\\') ++I;  // a quoted pair: the next character is text
      else if (C == '"') Quoted = false;
    } else if (Comment > 0) {
      if (C == '\\') ++I;
      else if (C == '(') ++Comment;
      else if (C == ')') --Comment;
    } else if (C == '"') {
      Quoted = true;
    } else if (C == '(') {
      Comment = 1;
    } else if (C == '<') {
      Angle = true;
    } else if (C == '>') {
      Angle = false;
    } else if (Angle) {
      // A route's ":" and any "," inside angle brackets belong to the address.
    } else if (C == ',') {
      const std::string_view Piece = TrimView(Text.substr(Start, I - Start));
      if (!(AfterGroup && Piece.empty())) Addresses.emplace_back(Piece);
      Start = I + 1;
      AfterGroup = false;
    } else if (C == ':') {
      Start = I + 1;  // a group's name, not an address
    } else if (C == ';') {
      const std::string_view Member = TrimView(Text.substr(Start, I - Start));
      if (!Member.empty()) Addresses.emplace_back(Member);
      Start = I + 1;
      AfterGroup = true;
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
                         [&](const std::string& Line) { return StartsWithNoCaseAscii(Line, Name); });
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
  if (EqualsNoCaseAscii(Name, "Content-Type:") || EqualsNoCaseAscii(Name, "X-UIDL:")) return Value;
  return DecodeHeaderText(Value);
}

void GetHeaderAddresses(const TStringList& Headers, const std::string& FieldName, TStringList& Addresses) {
  Addresses.clear();
  std::size_t I = 0;
  while (I < Headers.size()) {
    const std::string& Line = Headers[I];
    // The name is matched as a prefix without its colon, as callers pass it.
    if (!StartsWithNoCaseAscii(Line, FieldName)) {
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
                            [&](const std::string& Line) { return StartsWithNoCaseAscii(Line, Name); });
  if (First == Headers.end()) return;
  auto Last = std::next(First);
  while (Last != Headers.end() && IsContinuationLine(*Last)) ++Last;
  Headers.erase(First, Last);
}

namespace {

// One parameter as written: its name (with any "*N" or "*" of RFC 2231)
// and its value, unquoted.
struct TRawParameter {
  std::string_view Name;
  std::string Value;
};

// Reads the parameters of a structured value ("type/subtype; a=1; b="x"").
// The text before the first ";" is the media type or disposition unless it
// holds a "=". A quoted value may hold ";" and quoted pairs; an unclosed one
// runs to the end. An unquoted value ends at a blank or ";".
std::vector<TRawParameter> ReadParameters(std::string_view Text) {
  std::vector<TRawParameter> Result;
  std::size_t I = Text.find_first_of(";=\"");
  if (I == std::string_view::npos) return Result;
  if (Text[I] != ';') I = 0;  // no media type in front
  const auto SkipBlanks = [&] {
    while (I < Text.size() && (Text[I] == ' ' || Text[I] == '\t' || Text[I] == ';' || Text[I] == '\r' || Text[I] == '\n'))
      ++I;
  };
  while (I < Text.size()) {
    SkipBlanks();
    const std::size_t NameStart = I;
    while (I < Text.size() && Text[I] != '=' && Text[I] != ';') ++I;
    TRawParameter Parameter;
    Parameter.Name = TrimView(Text.substr(NameStart, I - NameStart));
    if (I >= Text.size() || Text[I] == ';') continue;  // a name without a value
    ++I;
    while (I < Text.size() && (Text[I] == ' ' || Text[I] == '\t')) ++I;
    if (I < Text.size() && Text[I] == '"') {
      for (++I; I < Text.size() && Text[I] != '"'; ++I) {
        if (Text[I] == '\\' && I + 1 < Text.size()) ++I;
        Parameter.Value += Text[I];
      }
      ++I;
    } else {
      const std::size_t ValueStart = I;
      while (I < Text.size() && Text[I] != ';' && Text[I] != ' ' && Text[I] != '\t') ++I;
      Parameter.Value = Text.substr(ValueStart, I - ValueStart);
    }
    // Whatever stands between the value and the next ";" is not part of it.
    while (I < Text.size() && Text[I] != ';') ++I;
    if (!Parameter.Name.empty()) Result.push_back(std::move(Parameter));
  }
  return Result;
}

// Where an attribute name ends: "name", "name*", "name*0", "name*0*".
// Returns the section number (-1: not a section) and whether the value is
// in the extended form (charset'language'%XX).
bool MatchesParameter(std::string_view Written, std::string_view Wanted, int& Section, bool& Extended) {
  if (!StartsWithNoCaseAscii(Written, Wanted)) return false;
  std::string_view Rest = Written.substr(Wanted.size());
  Section = -1;
  Extended = false;
  if (Rest.empty()) return true;
  if (Rest.front() != '*') return false;
  Rest.remove_prefix(1);
  if (Rest.empty()) {
    Extended = true;
    return true;
  }
  int Number = 0;
  std::size_t Digits = 0;
  while (Digits < Rest.size() && Rest[Digits] >= '0' && Rest[Digits] <= '9' && Digits < 4)
    Number = Number * 10 + (Rest[Digits++] - '0');
  if (Digits == 0) return false;
  Rest.remove_prefix(Digits);
  if (Rest == "*") Extended = true;
  else if (!Rest.empty()) return false;
  Section = Number;
  return true;
}

}  // namespace

std::string GetParameter(const std::string& ParamName, const std::string& Value) {
  if (ParamName.empty()) return {};
  std::string Plain;
  bool HasPlain = false;
  std::map<int, std::pair<std::string, bool>> Sections;  // number: value, extended
  for (TRawParameter& Parameter : ReadParameters(Value)) {
    int Section;
    bool Extended;
    if (!MatchesParameter(Parameter.Name, ParamName, Section, Extended)) continue;
    if (Section < 0 && !Extended) {
      if (!HasPlain) Plain = Trim(Parameter.Value);
      HasPlain = true;
    } else {
      Sections.emplace(Section < 0 ? 0 : Section, std::make_pair(std::move(Parameter.Value), Extended));
    }
  }
  if (Sections.empty() || Sections.begin()->first != 0) return Plain;

  // RFC 2231: the sections in order from 0 while none is missing; the
  // first extended one names the character set of all the encoded bytes.
  std::string CharSet;
  std::string Bytes;
  int Next = 0;
  for (auto& [Number, Section] : Sections) {
    if (Number != Next++) break;
    std::string_view Text = Section.first;
    if (Section.second) {
      if (Number == 0) {
        const std::size_t First = Text.find('\'');
        const std::size_t Second = First == std::string_view::npos ? First : Text.find('\'', First + 1);
        if (Second != std::string_view::npos) {
          CharSet = Text.substr(0, First);
          Text.remove_prefix(Second + 1);
        }
      }
      Bytes += PercentDecoded(Text);
    } else {
      Bytes += Text;
    }
  }
  std::string Text;
  if (CharSet.empty() || !CharSetToUTF8(Bytes, CharSet, Text)) Text = UndeclaredTextToUTF8(Bytes);
  return Trim(Text);
}

std::string GetFileNameParameter(const std::string& ParamName, const std::string& Value) {
  const std::string Name = GetParameter(ParamName, Value);
  // Encoded words are not allowed in parameters (RFC 2047, section 5), but
  // common mailers write file names so; raw 8-bit names are undeclared text.
  return Name.find("=?") == std::string::npos ? UndeclaredTextToUTF8(Name) : DecodeHeaderWords(Name);
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
