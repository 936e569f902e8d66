#pragma once
// The About box: the program's icon, name, legal notice and version.

#include <QDialog>

#include "ui/dialog_template.h"

namespace kfw::gui {

inline constexpr const char* kVersionLine = "Version : 4.9.0.1";
inline constexpr const char* kLegalNotice = "Copyright (C) 2026 Korvex";

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kOk = 1 };
  explicit AboutDialog(QWidget* parent = nullptr);
  static ui::DialogLayout Template();
};

}  // namespace kfw::gui
