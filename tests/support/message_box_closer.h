#pragma once

#include <QStringList>
#include <QTimer>

// Closes every modal message box that opens while it lives, keeping the texts: messages shown
// while the window is being created reach the real dialog.
class MessageBoxCloser {
 public:
  MessageBoxCloser();
  const QStringList& Texts() const { return texts_; }

 private:
  QTimer timer_;
  QStringList texts_;
};
