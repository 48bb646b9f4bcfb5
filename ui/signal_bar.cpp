#include "signal_bar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>
#include <algorithm>

void TSignalBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  // The style's own groove, but a fill of our own: styles draw a value too small for
  // one chunk or for a rounded end as nothing, and a signal of 1 would look like 0.
  painter.drawControl(QStyle::CE_ProgressBarGroove, option);
  const int span = maximum() - minimum();
  const int filled = value() - minimum();
  if (span <= 0 || filled <= 0) return;
  // One pixel clear of the groove's frame, so a full bar leaves its rounded corners alone.
  const int inset = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this) + 1;
  const QRect inside = rect().adjusted(inset, inset, -inset, -inset);
  const int width = std::clamp((inside.width() * filled + span / 2) / span, kMinimumSliver, inside.width());
  painter.fillRect(QRect(inside.topLeft(), QSize(width, inside.height())), palette().color(QPalette::Highlight));
}
