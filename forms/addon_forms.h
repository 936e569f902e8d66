#pragma once
// The add-on installs' dialogs: the Language choice, the Loading notice the
// install runs behind, and the Restart wait with its progress bar.

#include "forms/dialog_table.h"

namespace kfw::forms {

namespace language {
enum Id : int { kOk = 1, kCancel = 2, kLanguageList = 1022 };
}  // namespace language

namespace restart {
enum Id : int { kProgress = 1023 };
}  // namespace restart

DialogLayout LanguageForm();
DialogLayout LoadingForm();
DialogLayout RestartForm();

}  // namespace kfw::forms
