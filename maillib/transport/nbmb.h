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

  // Opens the socket and logs in, unless already connected. When a step
  // fails the socket is closed, so the next call connects afresh.
  void Connect();
  // Logs out and closes, if connected. The socket is closed even when the
  // logout fails; that failure is then raised.
  void Disconnect();

protected:
  // Runs Work between Connect and Disconnect. When Work fails, the
  // connection is still ended, and the caller sees Work's error, not one
  // raised while ending the connection.
  template <class F>
  void Session(F Work) {
    try {
      Connect();
      Work();
    } catch (...) {
      DisconnectAfterError();
      throw;
    }
    Disconnect();
  }

  // Closes a connection that has already failed, raising nothing.
  void CloseAfterError() noexcept;

private:
  // Disconnect for a connection that has already failed: whatever goes wrong
  // while ending it would only hide the first error.
  void DisconnectAfterError() noexcept;
};
