#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

// Hands events to the loop until done, or until the time is up; whether it is done.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return done();
}
