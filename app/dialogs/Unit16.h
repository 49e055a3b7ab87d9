#pragma once

#include <string>

#include "platform/runtime/stringlist.h"
#include "setupwindow.h"

class QComboBox;
class QRadioButton;
class TtkRas;

// The first-run window for the connection: the local network, or a modem and
// the dial-up entry to dial. The entry list is the dial-up component's.
class TForm16 : public TSetupWindow {
  Q_OBJECT
public:
  TForm16(TtkRas& Ras, QWidget* Parent);

  QLabel* Label1 = nullptr;
  // LAN (selected at first) and MODEM.
  QRadioButton *RadioButton1, *RadioButton2;
  // The dial-up entry and its label, usable only while MODEM is selected.
  QLabel* Label2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  // Says that the settings written here answer every message with an
  // automatic receipt, and where to turn that off.
  QLabel* Label3 = nullptr;

  void RadioButton1Click();
  void RadioButton2Click();
  // OK: closes once exactly one of LAN and MODEM is selected.
  void BitBtn1Click();

  // Settings lines 4 to 10 for the choice made: the dial-up entry (a single
  // blank for the local network), automatic receipts on, messages deleted
  // from the server, the connection type, AttachmentDir, no return receipt,
  // normal priority.
  TStringList SettingsLines(const std::string& AttachmentDir) const;

protected:
  void showEvent(QShowEvent* Event) override;

private:
  TtkRas& FRas;
};
