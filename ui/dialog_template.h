#pragma once
// Dialogs built from their tables (forms/) by one helper.
//
// A dialog unit depends on the dialog's font: horizontally a quarter of the
// average character width, vertically an eighth of the character height. So
// a dialog keeps its proportions whatever the screen's resolution or the font
// that stands in for the one it names.

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <string>

#include "forms/dialog_table.h"

class QComboBox;

namespace kfw::ui {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

  // Average character width and character height of the dialog font, in pixels.
  int baseX() const { return baseX_; }
  int baseY() const { return baseY_; }
  int X(int units) const;
  int Y(int units) const;
  QRect ToPixels(int x, int y, int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};

// The font a dialog names, at the screen's resolution: a point size becomes a
// pixel height rounded the way dialog fonts are, so that every text measures
// as the dialog units expect.
QFont DialogFont(const std::string& face, int pointSize);

// Object name that carries a control's numeric id ("id1003"; "id-1" for
// static controls).
QString ControlName(int id);

// Sets the widget's caption, font and fixed client size and creates the
// controls as its children in table order, which is also the Tab order of
// those that take the focus. Returns the units used.
DialogUnits BuildDialog(QWidget& dialog, const forms::DialogLayout& layout);

template <typename T>
T* Control(const QWidget& dialog, int id) {
  return dialog.findChild<T*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

// Adds an item to a drop-down list, in sorted place when the list was built
// with forms::style::kSorted (letter case ignored). Returns the item's index.
int AddListItem(QComboBox& list, const QString& text);

}  // namespace kfw::ui
