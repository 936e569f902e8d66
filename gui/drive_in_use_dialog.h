#pragma once
// Asks before Connect reuses a drive letter that is connected already.

#include <QDialog>

#include "ui/dialog_template.h"

namespace kfw::gui {

// Written when the dialog closes: 1 for OK, 0 for Cancel (the button, Esc or
// the close box). Connect reads it instead of the dialog's own result.
extern int driveInUseAnswer;

class DriveInUseDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kOk = 1, kCancel = 2 };
  explicit DriveInUseDialog(QWidget* parent = nullptr);
  static ui::DialogLayout Template();

  void done(int result) override;
};

}  // namespace kfw::gui
