#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

// Work that blocks for seconds (the printer search, the wait for a restarted printer) on a
// thread of its own, so that the window never stops. The work reports back through Post, which
// runs a function on the job's own thread; a stop request is seen by the work within its next
// check, and destroying the job stops and joins it.
class BackgroundJob : public QObject {
 public:
  using Work = std::function<void(BackgroundJob& job)>;

  explicit BackgroundJob(QObject* parent = nullptr) : QObject(parent) {}
  ~BackgroundJob() override;
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;
  BackgroundJob(BackgroundJob&&) = delete;
  BackgroundJob& operator=(BackgroundJob&&) = delete;

  // Starts the work unless a job runs already; finished runs on this object's thread once the
  // work has returned and the job is no longer running.
  bool Start(Work work, std::function<void()> finished);
  // Starts work that computes a result, and hands the result to finished on this object's
  // thread once the work has returned.
  template <class Result>
  bool Run(std::function<Result(BackgroundJob& job)> work,
           std::function<void(const Result& result)> finished) {
    auto result = std::make_shared<Result>();
    return Start([work = std::move(work), result](BackgroundJob& job) { *result = work(job); },
                 [finished = std::move(finished), result] { finished(*result); });
  }
  void RequestStop() { stop_ = true; }
  bool StopRequested() const { return stop_; }
  bool IsRunning() const { return running_; }
  // From the work: runs report on this object's thread, in order, unless the job is destroyed
  // first.
  void Post(std::function<void()> report);

 private:
  void Join();

  std::thread thread_;
  std::atomic<bool> stop_{false};
  bool running_ = false;
};
