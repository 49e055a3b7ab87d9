#include <QApplication>
#include <QMainWindow>

#include "platform/runtime/processmessages.h"

int main(int argc, char* argv[]) {
  QApplication App(argc, argv);
  // Mail work waits on this thread and keeps the window alive through the pump.
  SetMessagePump([] { QApplication::processEvents(); });

  QMainWindow Window;
  Window.setWindowTitle(QStringLiteral("Corvalen Pro 98"));
  Window.resize(800, 600);
  Window.show();
  return App.exec();
}
