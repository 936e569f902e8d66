#pragma once
// Asks before Connect reuses a drive letter that is connected already.

#include <QDialog>

#include "core/interaction.h"
#include "forms/drive_in_use_form.h"

namespace kfw::gui {

class DriveInUseDialog : public QDialog {
  Q_OBJECT

 public:
  using enum forms::drive_in_use::Id;
  explicit DriveInUseDialog(QWidget* parent = nullptr);

  void done(int result) override;
  // Set when the dialog closes: OK uses the letter; Cancel, Esc and the
  // close box keep it.
  core::DriveInUseAnswer answer() const { return answer_; }

 private:
  core::DriveInUseAnswer answer_ = core::DriveInUseAnswer::Keep;
};

}  // namespace kfw::gui
