#pragma once

#include <QFrame>

// The frame around the language flags. A flag with the focus is framed in the highlight colour,
// by a style sheet that is set only while one of them has it: a sheet in place from the start
// costs the window's first paint a style-sheet style and its parser for a frame seldom shown.
class FlagPanel : public QFrame {
  Q_OBJECT

 public:
  explicit FlagPanel(QWidget* parent = nullptr);

  static const char* const kFocusedFlagSheet;

 private:
  void FollowFocus(QWidget* focused);

  bool framing_ = false;
};
