#pragma once

#include <QApplication>

// The application object: an error that escapes a command handler is shown
// in the standard error box, and the program goes on.
class TApplication : public QApplication {
  Q_OBJECT
public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* Receiver, QEvent* Event) override;
};
