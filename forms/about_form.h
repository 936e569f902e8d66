#pragma once
// The About box: the program's icon, name, legal notice and version.

#include <string>

#include "forms/dialog_table.h"

namespace kfw::forms {

inline constexpr const char* kVersionLine = "Version : 4.9.0.1";
inline constexpr const char* kLegalNotice = "Copyright (C) 2026 Korvex";

namespace about {
enum Id : int { kOk = 1 };
}  // namespace about

// `iconImage` names the icon the way the front end finds its images.
DialogLayout AboutForm(const std::string& iconImage);

}  // namespace kfw::forms
