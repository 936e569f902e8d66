#include "forms/about_form.h"

namespace kfw::forms {

DialogLayout AboutForm(const std::string& iconImage) {
  using namespace about;
  return DialogLayout{
      100, "Korvex Findway Utility", "Arial", 9, 201, 59,
      {
          {ControlKind::Icon, kNoId, iconImage, 11, 14, 20, 20},
          {ControlKind::Label, kNoId, "Korvex Findway Utility", 40, 10, 100, 8},
          {ControlKind::Label, kNoId, kLegalNotice, 40, 24, 100, 8},
          {ControlKind::Label, kNoId, kVersionLine, 40, 38, 100, 8},
          {ControlKind::DefaultButton, kOk, "OK", 144, 7, 50, 14},
      }};
}

}  // namespace kfw::forms
