// Scales the program's icon to the sizes the desktop's icon theme looks
// for, so every size comes from the one picture kept in resources/.
//
//   kfw-icon-sizes INPUT.png OUTPUT_DIR SIZE...
//
// writes OUTPUT_DIR/SIZExSIZE/apps/NAME.png, NAME being INPUT's base name.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: kfw-icon-sizes INPUT.png OUTPUT_DIR SIZE...\n");
    return 2;
  }
  const QString input = QString::fromLocal8Bit(argv[1]);
  const QImage icon(input);
  if (icon.isNull() || icon.width() != icon.height()) {
    std::fprintf(stderr, "kfw-icon-sizes: %s is not a square picture\n", argv[1]);
    return 1;
  }
  const QString name = QFileInfo(input).completeBaseName() + ".png";
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    // A size above the drawing would only be a blurred enlargement.
    if (size <= 0 || size > icon.width()) {
      std::fprintf(stderr, "kfw-icon-sizes: no %s-pixel icon from a %d-pixel picture\n", argv[i], icon.width());
      return 1;
    }
    const QString dir = QString::fromLocal8Bit(argv[2]) + QString("/%1x%1/apps").arg(size);
    const QImage scaled =
        size == icon.width() ? icon : icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!QDir().mkpath(dir) || !scaled.save(dir + "/" + name, "PNG")) {
      std::fprintf(stderr, "kfw-icon-sizes: cannot write %s/%s\n", qPrintable(dir), qPrintable(name));
      return 1;
    }
  }
  return 0;
}
