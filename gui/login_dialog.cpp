#include "gui/login_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

namespace kfw::gui {
namespace {

using ui::ControlKind;

// The credentials are 16-byte texts: refuse a key that would make the text
// longer than that in the system's character set, so what is typed is what
// is sent.
class ByteLimitValidator final : public QValidator {
 public:
  ByteLimitValidator(int maxBytes, QObject* parent) : QValidator(parent), maxBytes_(maxBytes) {}
  State validate(QString& input, int&) const override {
    return input.toLocal8Bit().size() <= maxBytes_ ? Acceptable : Invalid;
  }

 private:
  int maxBytes_;
};

std::string Local8Bit(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace

LoginDialog::LoginDialog(const core::LoginQuestion& question, QWidget* parent)
    : QDialog(parent), question_(question) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui::BuildDialog(*this, Template());
  userName_ = ui::Control<QLineEdit>(*this, kUserName);
  password_ = ui::Control<QLineEdit>(*this, kPassword);
  for (QLineEdit* edit : {userName_, password_}) {
    edit->setMaxLength(kMaxChars);
    edit->setValidator(new ByteLimitValidator(kMaxChars, edit));
  }
  connect(ui::Control<QPushButton>(*this, kOk), &QPushButton::clicked, this, &LoginDialog::Ok);
  connect(ui::Control<QPushButton>(*this, kCancel), &QPushButton::clicked, this, &QDialog::reject);
}

ui::DialogLayout LoginDialog::Template() {
  return ui::DialogLayout{
      134, "Login", "Arial", 8, 199, 75,
      {
          {ControlKind::Label, ui::kNoId, "User name :", 13, 21, 41, 8},
          {ControlKind::Edit, kUserName, "", 60, 18, 69, 14, 0, "User name"},
          {ControlKind::Label, ui::kNoId, "Password :", 13, 42, 37, 8},
          {ControlKind::Edit, kPassword, "", 60, 39, 68, 14, ui::style::kPassword, "Password"},
          {ControlKind::DefaultButton, kOk, "OK", 135, 21, 50, 14},
          {ControlKind::Button, kCancel, "Cancel", 135, 38, 50, 14},
      }};
}

void LoginDialog::showEvent(QShowEvent* event) {
  if (!initialised_) {
    initialised_ = true;
    Initialise();
  }
  QDialog::showEvent(event);
}

void LoginDialog::Initialise() {
  password_->clear();
  // A fixed name ("admin", or the logged-on user the system imposes) is
  // shown greyed and the password is asked for; otherwise both are.
  const std::optional<std::string>& fixed = question_.fixedUser;
  userName_->setText(fixed ? QString::fromLocal8Bit(fixed->c_str()) : QString());
  userName_->setEnabled(!fixed);
  (fixed ? password_ : userName_)->setFocus();
}

void LoginDialog::Ok() {
  answer_ = core::Credentials{Local8Bit(userName_->text()), Local8Bit(password_->text())};
  // The caller tells good credentials from bad by its own check, so OK
  // closes the dialog the same way Cancel does.
  reject();
}

}  // namespace kfw::gui
