#pragma once
// The Login dialog: a user name and a password.

#include "forms/dialog_table.h"

namespace kfw::forms {

namespace login {
enum Id : int { kUserName = 1016, kPassword = 1017, kOk = 1, kCancel = 2 };
}  // namespace login

DialogLayout LoginForm();

}  // namespace kfw::forms
