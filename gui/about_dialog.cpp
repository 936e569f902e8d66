#include "gui/about_dialog.h"

#include <QPushButton>

#include "gui/app_resources.h"

namespace kfw::gui {

using ui::ControlKind;

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui::BuildDialog(*this, Template());
  setWindowIcon(AppIcon());
  connect(ui::Control<QPushButton>(*this, kOk), &QPushButton::clicked, this, &QDialog::accept);
}

ui::DialogLayout AboutDialog::Template() {
  return ui::DialogLayout{100, "Korvex Findway Utility", "Arial", 9, 201, 59,
                          {
                              {ControlKind::Icon, ui::kNoId, AppIconPath().toStdString(), 11, 14, 20, 20},
                              {ControlKind::Label, ui::kNoId, "Korvex Findway Utility", 40, 10, 100, 8},
                              {ControlKind::Label, ui::kNoId, kLegalNotice, 40, 24, 100, 8},
                              {ControlKind::Label, ui::kNoId, kVersionLine, 40, 38, 100, 8},
                              {ControlKind::DefaultButton, kOk, "OK", 144, 7, 50, 14},
                          }};
}

}  // namespace kfw::gui
