#pragma once

#include "tksocket.h"

// The common base of the POP3 and SMTP clients: pairs opening with the
// protocol's login and logging out with closing.
class TnbMailBase : public TtkSocket {
public:
  using TtkSocket::TtkSocket;

  // Connects the socket and runs the protocol's greeting and authentication.
  virtual void Login() = 0;
  // Sends the protocol's QUIT and checks the answer.
  virtual void Logout() = 0;

  // Opens the socket and logs in, unless already connected.
  void Connect();
  // Logs out and closes, if connected.
  void Disconnect();
};
