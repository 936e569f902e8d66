#pragma once
// The Login dialog: asks for a user name and a password when a command needs
// credentials the program cannot supply itself. It only collects the two
// texts; the command decides by its own check whether they were good.

#include <QDialog>
#include <optional>

#include "core/interaction.h"
#include "ui/dialog_template.h"

class QLineEdit;

namespace kfw::gui {

class LoginDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kUserName = 1016, kPassword = 1017, kOk = 1, kCancel = 2 };

  explicit LoginDialog(const core::LoginQuestion& question, QWidget* parent = nullptr);

  static ui::DialogLayout Template();
  // Each text holds at most this many bytes, a whole 16-byte credential.
  static constexpr int kMaxChars = static_cast<int>(core::kLoginTextMax);

  QLineEdit* userNameEdit() const { return userName_; }
  QLineEdit* passwordEdit() const { return password_; }
  // What was typed when OK was pressed; nothing after Cancel or a close.
  const std::optional<core::Credentials>& answer() const { return answer_; }

 protected:
  // The fields are filled when the dialog is first shown.
  void showEvent(QShowEvent* event) override;

 private:
  void Initialise();
  void Ok();

  core::LoginQuestion question_;
  std::optional<core::Credentials> answer_;
  QLineEdit* userName_ = nullptr;
  QLineEdit* password_ = nullptr;
  bool initialised_ = false;
};

}  // namespace kfw::gui
