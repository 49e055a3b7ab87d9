#include "mailtolink.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/runtime/asciicase.h"
#include "platform/runtime/percentdecoding.h"
#include "platform/runtime/textencoding.h"

namespace {

constexpr std::string_view Scheme = "mailto:";

bool IsControl(char C) { return static_cast<unsigned char>(C) < 0x20 || C == 0x7f; }

// RFC 6068 section 2: "%" and two hex digits is one octet; "+" stays a plus.
// The octets are read as UTF-8.
std::string LinkText(std::string_view Text) { return ValidUTF8(PercentDecoded(Text)); }

std::vector<std::string_view> Split(std::string_view Text, char Separator) {
  std::vector<std::string_view> Parts;
  std::size_t Start = 0;
  for (std::size_t End; (End = Text.find(Separator, Start)) != std::string_view::npos; Start = End + 1)
    Parts.push_back(Text.substr(Start, End - Start));
  Parts.push_back(Text.substr(Start));
  return Parts;
}

// An address without control characters and surrounding blanks; an empty
// one is not added.
void AddAddress(TStringList& List, std::string_view Text) {
  std::string Address;
  std::copy_if(Text.begin(), Text.end(), std::back_inserter(Address), [](char C) { return !IsControl(C); });
  const auto NotBlank = [](char C) { return C != ' '; };
  Address.erase(std::find_if(Address.rbegin(), Address.rend(), NotBlank).base(), Address.end());
  Address.erase(Address.begin(), std::find_if(Address.begin(), Address.end(), NotBlank));
  if (!Address.empty()) List.push_back(std::move(Address));
}

// A decoded to= or cc= value is an address list: its commas separate
// addresses, except within a quoted display name or local part.
void AddAddressList(TStringList& List, std::string_view Text) {
  bool Quoted = false;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Quoted && Text[I] == '\\') {
      ++I;
    } else if (Text[I] == '"') {
      Quoted = !Quoted;
    } else if (Text[I] == ',' && !Quoted) {
      AddAddress(List, Text.substr(Start, I - Start));
      Start = I + 1;
    }
  }
  AddAddress(List, Text.substr(Start));
}

// The subject on one line: each line break and tab becomes one space, other
// control characters go.
std::string OneLine(std::string_view Text) {
  std::string Line;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') continue;
    if (Text[I] == '\r' || Text[I] == '\n' || Text[I] == '\t')
      Line += ' ';
    else if (!IsControl(Text[I]))
      Line += Text[I];
  }
  return Line;
}

// The body's lines, broken at CRLF (RFC 6068) and at a lone CR or LF; tabs
// stay, other control characters go.
TStringList BodyLines(std::string_view Text) {
  TStringList Lines(1);
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') continue;
    if (Text[I] == '\r' || Text[I] == '\n')
      Lines.emplace_back();
    else if (Text[I] == '\t' || !IsControl(Text[I]))
      Lines.back() += Text[I];
  }
  return Lines;
}

}  // namespace

bool IsMailtoLink(std::string_view Text) {
  return StartsWithNoCaseAscii(Text, Scheme);
}

std::optional<TMailtoLink> ParseMailtoLink(std::string_view Link) {
  if (!IsMailtoLink(Link)) return std::nullopt;
  Link.remove_prefix(Scheme.size());
  Link = Link.substr(0, Link.find('#'));
  const std::size_t Query = Link.find('?');
  TMailtoLink Result;
  // The path's commas separate addresses; an encoded comma belongs to one.
  for (std::string_view Address : Split(Link.substr(0, Query), ','))
    AddAddress(Result.To, LinkText(Address));
  if (Query == std::string_view::npos) return Result;
  bool HasSubject = false, HasBody = false;
  for (std::string_view Field : Split(Link.substr(Query + 1), '&')) {
    const std::size_t Equals = Field.find('=');
    const std::string Name = ToLowerAscii(LinkText(Field.substr(0, Equals)));
    const std::string Value = Equals == std::string_view::npos ? "" : LinkText(Field.substr(Equals + 1));
    if (Name == "to") {
      AddAddressList(Result.To, Value);
    } else if (Name == "cc") {
      AddAddressList(Result.Cc, Value);
    } else if (Name == "subject" && !HasSubject) {
      HasSubject = true;
      Result.Subject = OneLine(Value);
    } else if (Name == "body" && !HasBody) {
      HasBody = true;
      Result.Body = BodyLines(Value);
    }
  }
  return Result;
}

TMessageWindowFill PlanMailto(const TMailtoLink& Link) {
  TMessageWindowFill Fill;
  Fill.LabelCaption = "Send To";
  Fill.Recpt = Link.To;
  Fill.Cc = Link.Cc;
  Fill.Subject = Link.Subject;
  Fill.Body = Link.Body;
  Fill.Editable = true;
  Fill.SendCaption = "To Outbox";
  // New Message's caption; a subject extends it as typing one would.
  Fill.WindowCaption = Link.Subject.empty() ? "Corvalen message" : ComposerCaption(Link.Subject);
  return Fill;
}
