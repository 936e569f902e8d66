#include "forms/addon_forms.h"

namespace kfw::forms {

DialogLayout LanguageForm() {
  using namespace language;
  return DialogLayout{
      139, "", "Arial", 8, 226, 64,
      {
          {ControlKind::DefaultButton, kOk, "OK", 169, 7, 50, 14},
          {ControlKind::Button, kCancel, "Cancel", 169, 24, 50, 14},
          {ControlKind::Label, kNoId, "Language :", 14, 12, 36, 8},
          {ControlKind::DropDownList, kLanguageList, "", 52, 10, 112, 59, 0, "Language :"},
      }};
}

DialogLayout LoadingForm() {
  return DialogLayout{
      180, "", "Arial", 8, 220, 73,
      {
          {ControlKind::Label, kNoId, "Loading.....", 6, 11, 36, 8},
          {ControlKind::Label, kNoId, " Warning: Do not power down your device during this process.", 4, 28,
           209, 8},
          {ControlKind::Label, kNoId, "Doing so may physically damage this device.", 6, 45, 144, 8},
      }};
}

DialogLayout RestartForm() {
  using namespace restart;
  return DialogLayout{
      141, "", "Arial", 8, 202, 73,
      {
          {ControlKind::Label, kNoId, "The system is restarting. Please wait a moment.", 25, 18, 158, 8},
          {ControlKind::ProgressBar, kProgress, "", 26, 41, 152, 10},
      }};
}

}  // namespace kfw::forms
