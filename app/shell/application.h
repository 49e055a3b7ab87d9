#pragma once

#include <QApplication>

// The program's own icon: a blue ring with a C and a sealed envelope, as in its animation.
inline constexpr const char* ProgramIcon = ":/icons/corvalen.svg";

// The application object: an error that escapes a command handler is shown
// in the standard error box, and the program goes on.
class TApplication : public QApplication {
  Q_OBJECT
public:
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  bool notify(QObject* Receiver, QEvent* Event) override;
};
