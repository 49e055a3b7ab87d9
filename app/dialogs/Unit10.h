#pragma once

#include <QDialog>

// The About window, shown modally from the Help menu.
class TForm10 : public QDialog {
  Q_OBJECT
public:
  explicit TForm10(QWidget* Parent);
};
