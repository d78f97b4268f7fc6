#include "background_job.h"

#include <utility>

BackgroundJob::~BackgroundJob() {
  RequestStop();
  Join();
}

bool BackgroundJob::Start(Work work, std::function<void()> finished) {
  if (running_) return false;
  Join();
  stop_ = false;
  running_ = true;
  thread_ = std::thread([this, work = std::move(work), finished = std::move(finished)]() mutable {
    work(*this);
    Post([this, finished = std::move(finished)] {
      Join();
      running_ = false;
      if (finished) finished();
    });
  });
  return true;
}

void BackgroundJob::Post(std::function<void()> report) {
  QMetaObject::invokeMethod(this, std::move(report), Qt::QueuedConnection);
}

void BackgroundJob::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}
