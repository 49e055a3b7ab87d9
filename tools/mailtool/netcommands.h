#pragma once

#include <string>

#include "maillib/transport/security.h"

// The mailtool commands that talk to servers through the mail library's
// clients. Each raises the library's exceptions; main reports them. A
// certificate that fails verification is always refused: mailtool installs
// no handler that could trust it.

// Fetches every message of the POP3 mailbox on Server ("host" or
// "host:port"; without a port, the default of Security) into Dir as N.eml,
// N being the message's number on the server, and prints each as one line of
// JSON. Unless LeaveOnServer, the mailbox is emptied.
int FetchMail(const std::string& Server, TSecurity Security, const std::string& UserName,
              const std::string& Password, const std::string& Dir, bool LeaveOnServer);

// Sends the message the JSON file (or "-", standard input) describes through
// the SMTP server on Server, with AUTH when UserName is not empty.
int SendMail(const std::string& Server, TSecurity Security, const std::string& UserName,
             const std::string& Password, const std::string& JsonPath);
