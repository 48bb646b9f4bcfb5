#pragma once
// The GSM signal bar of the state window: a progress bar from 0 to 31 that shows a
// sliver for every value above 0, whatever style draws the program.

#include <QProgressBar>

class TSignalBar : public QProgressBar {
 public:
  static constexpr int kMinimumSliver = 2;  // pixels, for the lowest values

  using QProgressBar::QProgressBar;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
