#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

#include "app/settings/serversettings.h"
#include "platform/runtime/stringlist.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;
class TTable;
class TnbMessage;
class TnbSMTP;
class TtkRas;

// What Preferences reads and changes of the main window: the settings list
// and the SMTP server's settings, the banner list, the POP3 accounts, the
// mail objects the settings reach, and the box that shows the user's address.
struct TPreferencesTargets {
  TStringList& Settings;
  settings::TSmtpSettings& SmtpSettings;
  TStringList& Banner;
  TTable& Accounts;
  TnbMessage& Message;
  TnbSMTP& Smtp;
  TtkRas& Ras;
  QLineEdit* AddressBox;
};

// Preferences: the user, the servers and the POP3 accounts, the connection
// and mail options, and the receipt banner. OK writes Config.ini and Smtp.ini
// and gives the mail objects the new settings at once; the account buttons and the
// banner's Save change the store and BANNER.BAN at once, whatever the outcome.
// Created for each use.
class TForm4 : public QDialog {
  Q_OBJECT
public:
  TForm4(const TPreferencesTargets& Targets, QWidget* Parent);
  ~TForm4() override;

  QTabWidget* PageControl1 = nullptr;
  // Mail Server Setup: name, organisation, address and SMTP server.
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4;
  // The SMTP server's security mode and port, user name and password (masked).
  QComboBox* ComboBox2 = nullptr;
  QLineEdit *Edit9, *Edit10, *Edit11;
  // The account to add: POP3 server, account and password, security mode and port.
  QLineEdit *Edit5, *Edit6, *Edit7;
  QComboBox* ComboBox3 = nullptr;
  QLineEdit* Edit12 = nullptr;
  QPushButton *BitBtn3, *BitBtn4;
  // The POP3 accounts in PSWRD order: server, account, password (masked),
  // security mode and port.
  QTableWidget* DBGrid1 = nullptr;
  // Advanced: LAN or modem, the dial-up entry, the mail options and priority.
  QCheckBox *CheckBox2, *CheckBox3;
  QComboBox* ComboBox1 = nullptr;
  QCheckBox *CheckBox4, *CheckBox5, *CheckBox6;
  QCheckBox *CheckBox7, *CheckBox8, *CheckBox9;
  QLineEdit* Edit8 = nullptr;
  // Receipt Banner: the text, Load From File, Save and Clear.
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton *BitBtn5, *BitBtn6, *BitBtn7;
  // OK and Cancel.
  QPushButton *BitBtn1, *BitBtn2;

  // Fills the controls from the settings and banner lists and the account table.
  void OnShow4();
  // OK: writes the settings, applies them to the mail objects and closes.
  void BitBtn1Click();
  // Adds the account of the three boxes; all three must be filled.
  void BitBtn3Click();
  // Deletes the grid's current account.
  void BitBtn4Click();
  // Load From File, Save and Clear of the banner page.
  void BitBtn5Click();
  void BitBtn6Click();
  void BitBtn7Click();

  // The eleven settings lines the controls stand for.
  TStringList SettingsLines() const;
  // The SMTP server's settings the controls stand for; the certificate
  // trusted for the server is kept while the server stays the same.
  settings::TSmtpSettings SmtpSettings() const;

protected:
  void showEvent(QShowEvent* Event) override;

private:
  QWidget* CreateServerPage();
  QWidget* CreateAdvancedPage();
  QWidget* CreateBannerPage();
  // Rebuilds the grid from the table; the row of Current becomes the current one.
  void FillGrid(std::int64_t Current = 0);

  TPreferencesTargets FTargets;
  // A cursor of its own, so a transfer walking the accounts is not disturbed.
  std::unique_ptr<TTable> FAccounts;
  bool FShown = false;
};
