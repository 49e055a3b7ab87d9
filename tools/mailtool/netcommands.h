#pragma once

#include <string>

// The mailtool commands that talk to servers through the mail library's
// clients. Each raises the library's exceptions; main reports them.

// Fetches every message of the POP3 mailbox on Server ("host" or
// "host:port") into Dir as N.eml, N being the message's number on the
// server, and prints each as one line of JSON. Unless LeaveOnServer, the
// mailbox is emptied.
int FetchMail(const std::string& Server, const std::string& UserName, const std::string& Password,
              const std::string& Dir, bool LeaveOnServer);

// Sends the message the JSON file (or "-", standard input) describes through
// the SMTP server on Server.
int SendMail(const std::string& Server, const std::string& JsonPath);
