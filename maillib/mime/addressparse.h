#pragma once

#include <string>
#include <string_view>

class TnbMailAddress;

// The two halves of one address text, each at most 255 bytes.
struct TAddressParts {
  std::string Address;  // the mailbox (local part@domain)
  std::string Name;     // the display name or comment; may be empty
};

// Splits one address text into mailbox and display name. Understood shapes:
//   "Name" <mailbox>  and  Name <mailbox>  (quotes and brackets removed)
//   mailbox (Name)                         (parentheses removed)
//   mailbox                                (kept as it is; no name)
// A "<" without a ">" after it is no address: the whole text, unquoted,
// becomes the name and the mailbox is empty. Also cuts a trailing comment
// such as "(CEST)" off a Date value: the comment comes back as Name.
TAddressParts ParseAddressParts(std::string_view Text);

// The same parse, filling Address's Name and Address.
void ParseAddress(std::string_view Text, TnbMailAddress& Address);
