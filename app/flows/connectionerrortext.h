#pragma once

#include <string>

class TtkSocket;

// "host:port" of the server Client connects to: the port Server names, else
// Port, else the default port of the client's security.
std::string ServerAndPort(const TtkSocket& Client);

// The library words a failed connection without saying where ("[10061]
// Connection refused"), and the user needs to know which server it was.
// While the connection is being made (Open false) the text becomes "Cannot
// connect to host:port: Text", once it is open "host:port: Text". A
// cancellation, the user's own doing, and a client without a server keep
// their text.
std::string ConnectionErrorText(const TtkSocket& Client, bool Open, const std::string& Text);

// Passes on the error being handled. A time-out keeps the library's own text
// whatever the error event made of it, so it goes on with Reported, the text
// the event showed the user, when that is the same text naming the server.
[[noreturn]] void RethrowWithReportedText(const std::string& Reported);
