#pragma once
// Dialogs described the way a resource script describes them: a table of
// controls placed in dialog units, turned into widgets by one helper.
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
#include <vector>

class QComboBox;

namespace kfw::ui {

enum class ControlKind {
  Label,          // static text, left-aligned
  GroupBox,       // titled frame; purely decorative, takes no focus
  Button,         // push button
  DefaultButton,  // push button pressed by Enter
  Edit,           // single-line edit
  DropDownList,   // combo box without an edit part
  ReportView,     // list view in report style
  AddressField,   // IPv4 address field
  Icon,           // the window icon; `text` names the image
  RadioButton,    // automatic radio button; a dialog's radio buttons form one group
  ProgressBar,    // smooth progress bar without a text of its own
};

// Style flags of a control.
namespace style {
inline constexpr unsigned kHidden = 1u << 0;
inline constexpr unsigned kDisabled = 1u << 1;
inline constexpr unsigned kPassword = 1u << 2;  // edit hides what is typed
inline constexpr unsigned kSorted = 1u << 3;    // drop-down list keeps its items sorted
}  // namespace style

// Static controls that nothing refers to.
inline constexpr int kNoId = -1;

struct ControlEntry {
  ControlKind kind;
  int id;
  std::string text;
  int x, y, width, height;  // dialog units
  unsigned style = 0;
  // What assistive technology announces for a control without text of its
  // own: its label's text, or for a list the title of its group.
  std::string accessibleName = {};
};

struct DialogLayout {
  int resourceId;
  std::string caption;
  std::string fontFace;
  int pointSize;
  int width, height;  // client area, dialog units
  std::vector<ControlEntry> controls;
};

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
DialogUnits BuildDialog(QWidget& dialog, const DialogLayout& layout);

template <typename T>
T* Control(const QWidget& dialog, int id) {
  return dialog.findChild<T*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

// Adds an item to a drop-down list, in sorted place when the list was built
// with style::kSorted (letter case ignored). Returns the item's index.
int AddListItem(QComboBox& list, const QString& text);

}  // namespace kfw::ui
