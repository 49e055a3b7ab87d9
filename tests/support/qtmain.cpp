// Entry point of the test programs that drive real windows: they run
// offscreen unless a display platform was chosen.
#include <QApplication>

#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // No test reaches the desktop's session bus: those that need one start their own.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/corvalen-tests-have-no-session-bus", 1);
  QApplication App(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
