#include "gui/drive_in_use_dialog.h"

#include <QPushButton>

#include "ui/dialog_template.h"

namespace kfw::gui {

DriveInUseDialog::DriveInUseDialog(QWidget* parent) : QDialog(parent) {
  // A caption and a modal frame, no system menu.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  ui::BuildDialog(*this, forms::DriveInUseForm());
  connect(ui::Control<QPushButton>(*this, kOk), &QPushButton::clicked, this, &QDialog::accept);
  connect(ui::Control<QPushButton>(*this, kCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void DriveInUseDialog::done(int result) {
  answer_ = result == QDialog::Accepted ? core::DriveInUseAnswer::UseIt : core::DriveInUseAnswer::Keep;
  QDialog::done(result);
}

}  // namespace kfw::gui
