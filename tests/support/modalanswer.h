#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs Act from the event loop once Ready() holds, polling every 20 ms. After
// DeadlineMs Act runs with false, so a test can never hang.
inline void ActWhen(std::function<bool()> Ready, std::function<void(bool)> Act, int DeadlineMs = 5000) {
  auto* Poll = new QTimer;
  auto* Clock = new QElapsedTimer;
  Clock->start();
  QObject::connect(Poll, &QTimer::timeout, [Poll, Clock, Ready, Act, DeadlineMs] {
    const bool Now = Ready();
    if (!Now && Clock->elapsed() < DeadlineMs) return;
    Poll->stop();
    Poll->deleteLater();
    delete Clock;
    Act(Now);
  });
  Poll->start(20);
}

// Answers the next modal window that opens, unless none opens within DeadlineMs.
inline void AnswerNextModal(std::function<void(QWidget*)> Answer, int DeadlineMs = 5000) {
  ActWhen([] { return QApplication::activeModalWidget() != nullptr; },
          [Answer](bool Opened) {
            if (Opened) Answer(QApplication::activeModalWidget());
          },
          DeadlineMs);
}

// Processes events until Done() holds or DeadlineMs passes; returns Done().
inline bool WaitFor(const std::function<bool()>& Done, int DeadlineMs = 5000) {
  QElapsedTimer Clock;
  Clock.start();
  while (!Done() && Clock.elapsed() < DeadlineMs) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return Done();
}
