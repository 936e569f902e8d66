#pragma once
// Dialogs described the way a resource script describes them: a table of
// controls placed in dialog units. Every front end builds its windows from
// the same tables, so the tables know nothing of any toolkit.

#include <string>
#include <vector>

namespace kfw::forms {

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

}  // namespace kfw::forms
