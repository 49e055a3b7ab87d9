#include "maillib/mime/addressparse.h"

#include "maillib/message/mailaddress.h"
#include "maillib/message/msgtypes.h"
#include "maillib/mime/headerfields.h"
#include "maillib/mime/mimetext.h"

TAddressParts ParseAddressParts(std::string_view Text) {
  TAddressParts Parts;
  const std::size_t Open = Text.find('<');
  if (Open != std::string_view::npos) {
    // Only a ">" after the "<" closes it; one before it belongs to the name.
    const std::size_t Close = Text.find('>', Open);
    if (Close != std::string_view::npos) {
      Parts.Address = StripQuotes(Text.substr(Open + 1, Close - Open - 1));
      std::string Rest(Text.substr(0, Open));
      Rest += Text.substr(Close + 1);
      Parts.Name = StripQuotes(Rest);
    } else {
      Parts.Name = StripQuotes(Text);
    }
  } else if (const std::size_t Paren = Text.find('('); Paren != std::string_view::npos) {
    Parts.Address = StripQuotes(Text.substr(0, Paren));
    std::string_view Comment = mimetext::TrimView(Text.substr(Paren + 1));
    // Drop the closing parenthesis; an unclosed comment keeps all its text.
    if (!Comment.empty() && Comment.back() == ')') Comment.remove_suffix(1);
    Parts.Name = StripQuotes(Comment);
  } else {
    Parts.Address = Text;
  }
  Parts.Address = ShortString(Parts.Address);
  Parts.Name = ShortString(Parts.Name);
  return Parts;
}

void ParseAddress(std::string_view Text, TnbMailAddress& Address) {
  TAddressParts Parts = ParseAddressParts(Text);
  Address.SetName(Parts.Name);
  Address.SetAddress(Parts.Address);
}
