#pragma once

#include <QDialog>

#include "platform/runtime/stringlist.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The Attachments notice: the files that came with a message, and for a
// received message the directory they were saved in. Created for each use.
class TForm6 : public QDialog {
  Q_OBJECT
public:
  explicit TForm6(QWidget* Parent);

  // The file names, one a line.
  QPlainTextEdit* Memo1 = nullptr;
  // "These files can be found in: " above the directory; hidden unless used.
  QPlainTextEdit* Memo2 = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* BitBtn1 = nullptr;

  void ShowFiles(const TStringList& Files);
  // Shows where the files can be found.
  void ShowDirectory(const QString& Directory);
};
