#pragma once
// The About box: the program's icon, name, legal notice and version.

#include <QDialog>

#include "forms/about_form.h"

namespace kfw::gui {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  using enum forms::about::Id;
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace kfw::gui
