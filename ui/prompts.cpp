#include "ui/prompts.h"

#include <QDialog>
#include <QMessageBox>

namespace kfw::ui {
namespace {

QMessageBox::Icon IconOf(core::MessageIcon icon) {
  switch (icon) {
    case core::MessageIcon::Stop: return QMessageBox::Critical;
    case core::MessageIcon::Exclamation: return QMessageBox::Warning;
    case core::MessageIcon::Information: return QMessageBox::Information;
    case core::MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const core::UserMessage& message, QWidget* owner) {
  const QString caption = QString::fromStdString(message.caption.empty() ? kProgramName : message.caption);
  auto box = std::make_unique<QMessageBox>(IconOf(message.icon), caption,
                                           QString::fromStdString(message.text), QMessageBox::Ok, owner);
  box->setTextFormat(Qt::PlainText);
  // The reason underneath stays behind the box's details button.
  if (!message.detail.empty()) box->setDetailedText(QString::fromStdString(message.detail));
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

void QtPrompts::Message(const core::UserMessage& message) { MakeMessageBox(message, owner_)->exec(); }

int QtPrompts::RunModal(QDialog& dialog) { return dialog.exec(); }

void ScriptedPrompts::Message(const core::UserMessage& message) {
  messages.push_back(message);
  if (onMessage) onMessage(message);
}

int ScriptedPrompts::RunModal(QDialog& dialog) {
  dialogs.push_back(dialog.windowTitle());
  dialog.show();
  if (onDialog) onDialog(dialog);
  if (dialog.isVisible()) dialog.reject();
  return dialog.result();
}

}  // namespace kfw::ui
