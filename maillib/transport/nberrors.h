#pragma once

// The errors of the mail library. EWinsockDLLError belongs to the socket
// binding (platform/net/tkwinsock.h); nothing here needs the binding, so the
// codecs and the message model include this header alone.
#include "platform/runtime/exception.h"

// A socket error, or a failed precondition of a mail component.
class ESocketError : public Exception {
public:
  using Exception::Exception;
};

// The server answered with a negative or unexpected reply (the reply line).
class EServerError : public Exception {
public:
  using Exception::Exception;
};

// A message could not be parsed.
class EMessageParserError : public Exception {
public:
  using Exception::Exception;
};

// The user cancelled the operation ("Operation has been canceled").
class ECanceledError : public Exception {
public:
  using Exception::Exception;
};

// The server did not answer in time ("Operation timed out").
class ETimedOutError : public Exception {
public:
  using Exception::Exception;
};
