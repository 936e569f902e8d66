#include "ui/group_frame.h"

#include <QPainter>

namespace kfw::ui {

GroupFrame::GroupFrame(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAccessibleName(title);
}

void GroupFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  // The top line runs through the middle of the title.
  const int top = metrics.height() / 2;
  const QRect frame = rect().adjusted(0, top, -2, -2);
  constexpr int kTextIndent = 6;
  const int textWidth = title_.isEmpty() ? 0 : metrics.horizontalAdvance(title_) + 4;

  // Etched: a dark line with a light one just inside and below it, so the
  // frame reads on the dialog's blue.
  const QColor dark = palette().color(QPalette::Window).darker(175);
  const QColor light = palette().color(QPalette::Window).lighter(190);
  for (const auto& [colour, offset] : {std::pair{dark, 0}, std::pair{light, 1}}) {
    painter.setPen(colour);
    const QRect r = frame.translated(offset, offset);
    painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
    painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    painter.drawLine(r.right(), r.bottom(), r.right(), r.top());
    painter.drawLine(r.right(), r.top(), r.left() + kTextIndent + textWidth, r.top());
    painter.drawLine(r.left(), r.top(), r.left() + kTextIndent - 1, r.top());
  }
  if (!title_.isEmpty()) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(kTextIndent + 2, 0, textWidth, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title_);
  }
}

}  // namespace kfw::ui
