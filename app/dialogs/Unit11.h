#pragma once

#include <QDialog>

#include "platform/runtime/stringlist.h"

class QPlainTextEdit;
class QPushButton;

// The Properties window: a message's date, sender, recipients, carbon copies
// and body as plain text. Created once and reused.
class TForm11 : public QDialog {
  Q_OBJECT
public:
  explicit TForm11(QWidget* Parent);

  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* BitBtn1 = nullptr;

  // Shows Lines and waits until the window is closed.
  void ShowText(const TStringList& Lines);
};
