#pragma once

#include <QApplication>

#include <functional>

// The application object: an error that escapes an event handler is shown in the error display
// and the event loop goes on.
class TApplication : public QApplication {
 public:
  using ErrorSink = std::function<void(const QString& message)>;

  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Where escaped errors go; the critical error box unless replaced (tests record them).
  void SetErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }

 private:
  ErrorSink errorSink_;
};
