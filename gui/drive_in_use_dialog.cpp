#include "gui/drive_in_use_dialog.h"

#include <QPushButton>

namespace kfw::gui {


using ui::ControlKind;

DriveInUseDialog::DriveInUseDialog(QWidget* parent) : QDialog(parent) {
  // A caption and a modal frame, no system menu.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  ui::BuildDialog(*this, Template());
  connect(ui::Control<QPushButton>(*this, kOk), &QPushButton::clicked, this, &QDialog::accept);
  connect(ui::Control<QPushButton>(*this, kCancel), &QPushButton::clicked, this, &QDialog::reject);
}

ui::DialogLayout DriveInUseDialog::Template() {
  return ui::DialogLayout{229, "", "Arial", 8, 159, 68,
                          {
                              {ControlKind::DefaultButton, kOk, "OK", 20, 47, 50, 14},
                              {ControlKind::Button, kCancel, "Cancel", 90, 47, 50, 14},
                              {ControlKind::Label, ui::kNoId, "The drive letter has been used.", 18, 13, 113, 8},
                              {ControlKind::Label, ui::kNoId, "Do you still want to use this drive letter?", 18,
                               24, 134, 8},
                          }};
}

void DriveInUseDialog::done(int result) {
  answer_ = result == QDialog::Accepted ? core::DriveInUseAnswer::UseIt : core::DriveInUseAnswer::Keep;
  QDialog::done(result);
}

}  // namespace kfw::gui
