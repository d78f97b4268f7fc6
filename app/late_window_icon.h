#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Gives the application its window icon once the main window has been painted, off the way to the
// first paint (on X11 the icon is drawn at four sizes for the window manager); at once when another
// window opens first, and after a short while when no paint comes (a window started minimised).
// A window closed meanwhile needs none.
class TLateWindowIcon final : public QObject {
 public:
  using IconSource = std::function<QIcon()>;
  TLateWindowIcon(QWidget& window, IconSource icon);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Apply();

  QWidget& window_;
  IconSource icon_;
  QTimer fallback_;
  bool applied_ = false;
};
