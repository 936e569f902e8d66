#pragma once
// Asks before Connect reuses a drive letter that is connected already.

#include <QDialog>

#include "core/interaction.h"
#include "ui/dialog_template.h"

namespace kfw::gui {

class DriveInUseDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kOk = 1, kCancel = 2 };
  explicit DriveInUseDialog(QWidget* parent = nullptr);
  static ui::DialogLayout Template();

  void done(int result) override;
  // Set when the dialog closes: OK uses the letter; Cancel, Esc and the
  // close box keep it.
  core::DriveInUseAnswer answer() const { return answer_; }

 private:
  core::DriveInUseAnswer answer_ = core::DriveInUseAnswer::Keep;
};

}  // namespace kfw::gui
