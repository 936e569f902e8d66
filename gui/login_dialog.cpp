#include "gui/login_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "ui/dialog_template.h"

namespace kfw::gui {
namespace {

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
  ui::BuildDialog(*this, forms::LoginForm());
  userName_ = ui::Control<QLineEdit>(*this, kUserName);
  password_ = ui::Control<QLineEdit>(*this, kPassword);
  for (QLineEdit* edit : {userName_, password_}) {
    edit->setMaxLength(kMaxChars);
    edit->setValidator(new ByteLimitValidator(kMaxChars, edit));
  }
  connect(ui::Control<QPushButton>(*this, kOk), &QPushButton::clicked, this, &LoginDialog::Ok);
  connect(ui::Control<QPushButton>(*this, kCancel), &QPushButton::clicked, this, &QDialog::reject);
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
