#include "forms/drive_in_use_form.h"

namespace kfw::forms {

DialogLayout DriveInUseForm() {
  using namespace drive_in_use;
  return DialogLayout{
      229, "", "Arial", 8, 159, 68,
      {
          {ControlKind::DefaultButton, kOk, "OK", 20, 47, 50, 14},
          {ControlKind::Button, kCancel, "Cancel", 90, 47, 50, 14},
          {ControlKind::Label, kNoId, "The drive letter has been used.", 18, 13, 113, 8},
          {ControlKind::Label, kNoId, "Do you still want to use this drive letter?", 18, 24, 134, 8},
      }};
}

}  // namespace kfw::forms
