#include "forms/login_form.h"

namespace kfw::forms {

DialogLayout LoginForm() {
  using namespace login;
  return DialogLayout{
      134, "Login", "Arial", 8, 199, 75,
      {
          {ControlKind::Label, kNoId, "User name :", 13, 21, 41, 8},
          {ControlKind::Edit, kUserName, "", 60, 18, 69, 14, 0, "User name"},
          {ControlKind::Label, kNoId, "Password :", 13, 42, 37, 8},
          {ControlKind::Edit, kPassword, "", 60, 39, 68, 14, style::kPassword, "Password"},
          {ControlKind::DefaultButton, kOk, "OK", 135, 21, 50, 14},
          {ControlKind::Button, kCancel, "Cancel", 135, 38, 50, 14},
      }};
}

}  // namespace kfw::forms
