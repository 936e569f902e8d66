#pragma once
// Asks before Connect reuses a drive letter that is connected already.

#include "forms/dialog_table.h"

namespace kfw::forms {

namespace drive_in_use {
enum Id : int { kOk = 1, kCancel = 2 };
}  // namespace drive_in_use

DialogLayout DriveInUseForm();

}  // namespace kfw::forms
