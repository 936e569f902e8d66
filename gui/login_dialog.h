#pragma once
// The Login dialog: asks for a user name and a password when a command needs
// credentials the program cannot supply itself. It only collects the two
// texts; the command decides by its own check whether they were good.

#include <QDialog>
#include <optional>

#include "core/interaction.h"
#include "forms/login_form.h"

class QLineEdit;

namespace kfw::gui {

class LoginDialog : public QDialog {
  Q_OBJECT

 public:
  using enum forms::login::Id;

  explicit LoginDialog(const core::LoginQuestion& question, QWidget* parent = nullptr);

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
