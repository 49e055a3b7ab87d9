#pragma once

#include <string>

#include "platform/runtime/stringlist.h"
#include "setupwindow.h"

class QLineEdit;

// The first-run window for the user: name, organisation, address, SMTP
// server and the first POP3 account. OK takes a form with anything but the
// organisation filled in; Cancel leaves the setup to Preferences.
class TForm15 : public TSetupWindow {
  Q_OBJECT
public:
  explicit TForm15(QWidget* Parent);

  QLabel* Label1 = nullptr;
  // Name, organisation, address, SMTP server; POP3 server, account, password.
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7;

  // OK: refuses a form with none of the boxes but the organisation filled in.
  void BitBtn1Click();

  // Settings lines 0 to 3: name, organisation, address and SMTP server.
  TStringList SettingsLines() const;
  struct TAccount {
    std::string Server, User, Password;
  };
  // The POP3 account of the form.
  TAccount Account() const;
};
