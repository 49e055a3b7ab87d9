#include "nbmb.h"

void TnbMailBase::Connect() {
  if (Connected()) return;
  try {
    OpenSocket();
    Login();
  } catch (...) {
    CloseAfterError();
    throw;
  }
}

void TnbMailBase::Disconnect() {
  if (!Connected()) return;
  try {
    Logout();
  } catch (...) {
    CloseAfterError();
    throw;
  }
  Close();
}

void TnbMailBase::DisconnectAfterError() noexcept {
  try {
    Disconnect();
  } catch (...) {
    // The first error is the one the caller needs; Disconnect has closed the socket.
  }
}

void TnbMailBase::CloseAfterError() noexcept {
  try {
    Close();
  } catch (...) {
    // A handler of the closing events failed; Close has let the socket go anyway.
  }
}
