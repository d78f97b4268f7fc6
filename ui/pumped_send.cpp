#include "pumped_send.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>

#include <utility>

PumpedSend::PumpedSend(QProgressBar& progress, std::function<bool()> closed)
    : progress_(progress), closed_(std::move(closed)) {}

printer::SendOutcome PumpedSend::Run(const Steps& steps) {
  printer::SendHooks hooks;
  hooks.progress = [this](int maximum, int position) {
    if (maximum != printer::SequenceStep::kKeep) progress_.setMaximum(maximum);
    progress_.setValue(position == printer::SequenceStep::kFull ? progress_.maximum() : position);
    QCoreApplication::processEvents();
  };
  hooks.pause = [this](int ms) { return Pause(ms); };
  hooks.stopRequested = [this] { return StopRequested(); };

  running_ = true;
  stop_ = false;
  const printer::SendOutcome outcome = steps(hooks);
  stop_ = false;
  running_ = false;
  if (outcome != printer::SendOutcome::Complete) progress_.setValue(0);
  return outcome;
}

void PumpedSend::Stop() {
  if (!running_) return;
  stop_ = true;
  if (pauseLoop_ != nullptr) pauseLoop_->quit();
}

bool PumpedSend::Pause(int ms) {
  QElapsedTimer clock;
  clock.start();
  for (qint64 left = ms; left > 0 && !StopRequested(); left = ms - clock.elapsed()) {
    QEventLoop loop;
    pauseLoop_ = &loop;
    QTimer::singleShot(static_cast<int>(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    pauseLoop_ = nullptr;
  }
  return !StopRequested();
}
