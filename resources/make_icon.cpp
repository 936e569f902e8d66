// Draws the program's icon: a storage unit of two drive bays with the
// arcs of a signal going out from it, on the dialogs' blue. Run once; the
// PNG it writes is checked in beside this file.
//
//   kfw-make-icon resources/korvex-findway.png

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kfw-make-icon OUTPUT.png\n");
    return 2;
  }
  constexpr int kSize = 256;
  QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  // Tile.
  QLinearGradient tile(0, 0, 0, kSize);
  tile.setColorAt(0, QColor(0, 128, 190));
  tile.setColorAt(1, QColor(0, 70, 110));
  p.setPen(QPen(QColor(0, 45, 75), 6));
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(6, 6, kSize - 12, kSize - 12), 44, 44);

  // The storage unit: a light case with two bays.
  const QRectF unit(40, 104, 132, 112);
  QLinearGradient body(unit.topLeft(), unit.bottomLeft());
  body.setColorAt(0, QColor(245, 247, 250));
  body.setColorAt(1, QColor(196, 204, 214));
  p.setPen(QPen(QColor(30, 40, 55), 5));
  p.setBrush(body);
  p.drawRoundedRect(unit, 14, 14);
  for (int bay = 0; bay < 2; ++bay) {
    const QRectF slot(58, 124 + bay * 46, 96, 28);
    p.setPen(QPen(QColor(60, 72, 90), 3));
    p.setBrush(QColor(150, 160, 175));
    p.drawRoundedRect(slot, 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 230, 110));
    p.drawEllipse(QPointF(140, slot.center().y()), 6, 6);
  }

  // The signal, from the unit's top right corner.
  p.setBrush(Qt::NoBrush);
  const QPointF origin(164, 104);
  for (int ring = 0; ring < 3; ++ring) {
    const double r = 24 + ring * 22;
    p.setPen(QPen(QColor(255, 255, 255, 255 - ring * 50), 12, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(origin.x() - r, origin.y() - r, 2 * r, 2 * r), 0 * 16, 90 * 16);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(origin, 10, 10);
  p.end();

  return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
