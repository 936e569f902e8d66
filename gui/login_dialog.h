#pragma once
// The Login dialog: asks for a user name and a password when a command needs
// credentials the program cannot supply itself. It only collects the two
// texts; the command decides by its own check whether they were good.

#include <QDialog>

#include "platform/system_info.h"
#include "protocol/management_client.h"
#include "ui/dialog_template.h"

class QLineEdit;

namespace kfw::core {

// Which credentials the Login dialog asks for: 1 the device's administrator,
// 0 share access. Commands set it before they may show the dialog; it keeps
// its value for the rest of the run.
extern int loginMode;

}  // namespace kfw::core

namespace kfw::gui {

class LoginDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kUserName = 1016, kPassword = 1017, kOk = 1, kCancel = 2 };

  LoginDialog(protocol::ManagementClient& client, platform::SystemInfo& system,
              QWidget* parent = nullptr);

  static ui::DialogLayout Template();
  // Each text holds at most this many bytes, a whole 16-byte credential.
  static constexpr int kMaxChars = 16;

  QLineEdit* userNameEdit() const { return userName_; }
  QLineEdit* passwordEdit() const { return password_; }

 protected:
  // The fields are filled when the dialog is first shown, from the mode the
  // command chose by then.
  void showEvent(QShowEvent* event) override;

 private:
  void Initialise();
  void Ok();

  protocol::ManagementClient& client_;
  platform::SystemInfo& system_;
  QLineEdit* userName_ = nullptr;
  QLineEdit* password_ = nullptr;
  bool initialised_ = false;
};

}  // namespace kfw::gui
