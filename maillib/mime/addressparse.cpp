#include "maillib/mime/addressparse.h"

#include <memory>

#include "maillib/message/mailaddress.h"
#include "maillib/message/msgtypes.h"
#include "maillib/mime/headerfields.h"
#include "maillib/mime/headerwords.h"
#include "maillib/mime/mimetext.h"
#include "platform/runtime/textencoding.h"

namespace {

// Splits Text into mailbox and display name (as it stands, quotes and all),
// not cut. The separators are
// looked for in Shape, a text of the same length: Text itself, or Text with
// its encoded words masked so that none of their characters separates.
TAddressParts SplitAddress(std::string_view Text, std::string_view Shape) {
  TAddressParts Parts;
  const std::size_t Open = Shape.find('<');
  if (Open != std::string_view::npos) {
    // Only a ">" after the "<" closes it; one before it belongs to the name.
    const std::size_t Close = Shape.find('>', Open);
    if (Close != std::string_view::npos) {
      Parts.Address = StripQuotes(Text.substr(Open + 1, Close - Open - 1));
      std::string Rest(Text.substr(0, Open));
      Rest += Text.substr(Close + 1);
      Parts.Name = Rest;
    } else {
      Parts.Name = Text;
    }
  } else if (const std::size_t Paren = Shape.find('('); Paren != std::string_view::npos) {
    Parts.Address = StripQuotes(Text.substr(0, Paren));
    std::string_view Comment = mimetext::TrimView(Text.substr(Paren + 1));
    // Drop the closing parenthesis (an encoded word ends in "=", never in
    // one); an unclosed comment keeps all its text.
    if (!Comment.empty() && Comment.back() == ')') Comment.remove_suffix(1);
    Parts.Name = Comment;
  } else {
    Parts.Address = Text;
  }
  return Parts;
}

// A display name read from a header: a name that is one quoted string loses
// its quotes and its quoted pairs are undone ("Smith, \"Ann" gives
// Smith, "Ann); any other name is taken as it stands.
std::string UnquotedName(std::string_view Name) {
  Name = mimetext::TrimView(Name);
  if (Name.size() < 2 || Name.front() != '"' || Name.back() != '"') return StripQuotes(Name);
  std::string Text;
  for (std::size_t I = 1; I + 1 < Name.size(); ++I) {
    if (Name[I] == '\\' && I + 2 < Name.size()) ++I;
    Text += Name[I];
  }
  return Text;
}

// Splits an address text as it stands in a header field. The split is made
// on the raw text and only the display name is then decoded, so an encoded
// word can never supply the mailbox (RFC 2047, section 5).
TAddressParts ParseRawAddress(std::string_view Raw) {
  // Separators inside a quoted string are text: "Smith <Ann>" <a@b>.
  std::string Shape = MaskEncodedWords(Raw);
  for (std::size_t I = 0, Open = std::string::npos; I < Shape.size(); ++I) {
    if (Open != std::string::npos && Shape[I] == '\\' && I + 1 < Shape.size()) {
      Shape[I] = Shape[I + 1] = 'x';
      ++I;
    } else if (Shape[I] == '"') {
      Open = Open == std::string::npos ? I : std::string::npos;
    } else if (Open != std::string::npos) {
      Shape[I] = 'x';
    }
  }
  TAddressParts Parts = SplitAddress(Raw, Shape);
  Parts.Address = ShortString(UndeclaredTextToUTF8(Parts.Address));
  Parts.Name = mimetext::Trim(DecodeHeaderText(UnquotedName(Parts.Name)));
  return Parts;
}

void Fill(TnbMailAddress& Address, const TAddressParts& Parts) {
  Address.SetName(Parts.Name);
  Address.SetAddress(Parts.Address);
}

}  // namespace

TAddressParts ParseAddressParts(std::string_view Text) {
  TAddressParts Parts = SplitAddress(Text, Text);
  Parts.Address = ShortString(Parts.Address);
  Parts.Name = ShortString(StripQuotes(Parts.Name));
  return Parts;
}

void ParseAddress(std::string_view Text, TnbMailAddress& Address) { Fill(Address, ParseAddressParts(Text)); }

void ParseHeaderAddress(const TStringList& Headers, const std::string& FieldName, TnbMailAddress& Address) {
  Fill(Address, ParseRawAddress(GetRawHeaderField(Headers, FieldName)));
}

void ParseHeaderAddresses(const TStringList& Headers, const std::string& FieldName, TnbAddressList& List) {
  TStringList Texts;
  GetHeaderAddresses(Headers, FieldName, Texts);
  for (const std::string& Text : Texts) {
    auto Address = std::make_unique<TnbMailAddress>();
    Fill(*Address, ParseRawAddress(Text));
    List.AddItem(std::move(Address));
  }
}
