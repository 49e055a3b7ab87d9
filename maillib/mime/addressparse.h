#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/stringlist.h"

class TnbMailAddress;
class TnbAddressList;

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

// Reads the first field named FieldName ("FROM", "REPLY-TO"; a trailing ":"
// is optional) as one address into Address; a missing field empties it.
// Name and mailbox are told apart on the text as received, and encoded words
// are decoded in the display name only: an encoded word can never supply the
// mailbox, nor a "<", "(" or "," that separates (RFC 2047, section 5).
void ParseHeaderAddress(const TStringList& Headers, const std::string& FieldName, TnbMailAddress& Address);

// Appends to List every address of the fields whose names begin with
// FieldName ("TO", "CC", "BCC"), read as by ParseHeaderAddress.
void ParseHeaderAddresses(const TStringList& Headers, const std::string& FieldName, TnbAddressList& List);
