#pragma once

#include <string>

#include "maillib/transport/security.h"

// The mailtool commands that talk to servers through the mail library's
// clients. Each raises the library's exceptions; main reports them. A
// certificate that fails verification is always refused: mailtool installs
// no handler that could trust it.

// Fetches the messages of the POP3 mailbox on Server ("host" or
// "host:port"; without a port, the default of Security) into Dir, each as a
// new file N.eml numbered on from the highest there (see TFetchDir), and
// prints each as one line of JSON. Unless LeaveOnServer, the mailbox is
// emptied. On a server with UIDL the ids of the stored messages are kept in
// Dir (see TPop3IdsFile) under "UserName@Server" as given, so a message is
// fetched once: with LeaveOnServer only new messages come, without it a
// message stored before is deleted without being fetched again.
int FetchMail(const std::string& Server, TSecurity Security, const std::string& UserName,
              const std::string& Password, const std::string& Dir, bool LeaveOnServer);

// Sends the message the JSON file (or "-", standard input) describes through
// the SMTP server on Server, with AUTH when UserName is not empty.
int SendMail(const std::string& Server, TSecurity Security, const std::string& UserName,
             const std::string& Password, const std::string& JsonPath);
