#include "nbmb.h"

void TnbMailBase::Connect() {
  if (Connected()) return;
  OpenSocket();
  Login();
}

void TnbMailBase::Disconnect() {
  if (!Connected()) return;
  Logout();
  Close();
}
