#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal window that opens: a timer polls for it and hands it
// to Answer. Gives up after DeadlineMs so a test can never hang.
inline void AnswerNextModal(std::function<void(QWidget*)> Answer, int DeadlineMs = 5000) {
  auto* Poll = new QTimer;
  auto* Clock = new QElapsedTimer;
  Clock->start();
  QObject::connect(Poll, &QTimer::timeout, [Poll, Clock, Answer, DeadlineMs] {
    QWidget* Modal = QApplication::activeModalWidget();
    if (!Modal && Clock->elapsed() < DeadlineMs) return;
    Poll->stop();
    Poll->deleteLater();
    delete Clock;
    if (Modal) Answer(Modal);
  });
  Poll->start(20);
}

// Processes events until Done() holds or DeadlineMs passes; returns Done().
inline bool WaitFor(const std::function<bool()>& Done, int DeadlineMs = 5000) {
  QElapsedTimer Clock;
  Clock.start();
  while (!Done() && Clock.elapsed() < DeadlineMs) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return Done();
}
