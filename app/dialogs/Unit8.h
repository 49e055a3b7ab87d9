#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The small "Progress" window shown while data moves; the transfer flows set
// its title to what is being done and move its bar from 0 to 100. Each time it
// opens it is centred on the main window, below the toolbar, so it never
// covers the Stop button.
class TForm8 : public QWidget {
  Q_OBJECT
public:
  explicit TForm8(QWidget* Parent);

  QLabel* Label1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

protected:
  void showEvent(QShowEvent* Event) override;
};
