#pragma once

#include <string>

// Numbers of the library's own messages in the message table. Socket errors
// are keyed by their socket error number instead (10004 and up).
namespace msg {
enum : int {
  STimedOut = 57000,
  SCanceled = 57001,
  SServerRequired = 57002,
  SInvalidWinsockVersion = 57003,
  SErrorResolvingHost = 57004,
  SServiceNameRequired = 57005,
  SNotConnected = 57008,
  SFunctionNotFound = 57010,
  SWinsockNotLoaded = 57011,
  SWinsockNotFound = 57012,
  SMailMessageRequired = 57102,
  SUserNameRequired = 57103,
  SPasswordRequired = 57104,
};
}  // namespace msg

// The text of message Ident, or an empty string when the table has none.
std::string LoadStr(int Ident);
