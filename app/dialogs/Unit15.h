#pragma once

#include <cstdint>
#include <string>

#include "app/settings/serversettings.h"
#include "platform/runtime/stringlist.h"
#include "setupwindow.h"

class QComboBox;
class QLineEdit;

// The first-run window for the user: name, organisation, address, SMTP
// server with its security, port and login, and the first POP3 account with
// its security and port. Both servers are proposed with SSL/TLS. OK takes a
// form with anything but the organisation filled in; Cancel leaves the setup
// to Preferences.
class TForm15 : public TSetupWindow {
  Q_OBJECT
public:
  explicit TForm15(QWidget* Parent);

  QLabel* Label1 = nullptr;
  // Name, organisation, address, SMTP server; POP3 server, account, password.
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7;
  // The SMTP server's security and port, user name and password (masked).
  QComboBox* ComboBox1 = nullptr;
  QLineEdit *Edit8, *Edit9, *Edit10;
  // The POP3 server's security and port.
  QComboBox* ComboBox2 = nullptr;
  QLineEdit* Edit11 = nullptr;

  // OK: refuses a form with none of the boxes but the organisation filled
  // in, or with a port that is not one.
  void BitBtn1Click();

  // Settings lines 0 to 3: name, organisation, address and SMTP server.
  TStringList SettingsLines() const;
  // The SMTP server's security, port and login.
  settings::TSmtpSettings SmtpSettings() const;
  struct TAccount {
    std::string Server, User, Password;
    TSecurity Security = TSecurity::None;
    std::uint16_t Port = 0;
  };
  // The POP3 account of the form.
  TAccount Account() const;
};
