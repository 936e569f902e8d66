#include "gui/window_interaction.h"

#include <QTimer>
#include <iostream>

#include "gui/addon_dialogs.h"
#include "gui/drive_in_use_dialog.h"
#include "gui/login_dialog.h"
#include "gui/widget_dialogs.h"
#include "protocol/safe_text.h"

namespace kfw::gui {

void WindowInteraction::Note(const std::string& detail) {
  std::cerr << "korvex-findway: " << protocol::ReasonText(detail) << "\n" << std::flush;
}

std::optional<core::Credentials> WindowInteraction::AskLogin(const core::LoginQuestion& question) {
  LoginDialog login(question, owner_);
  prompts_.RunModal(login);
  return login.answer();
}

core::DriveInUseAnswer WindowInteraction::AskDriveInUse() {
  DriveInUseDialog dialog(owner_);
  prompts_.RunModal(dialog);
  return dialog.answer();
}

core::WidgetEngineAnswer WindowInteraction::AskWidgetEngine() {
  WidgetEngineDialog dialog(owner_);
  prompts_.RunModal(dialog);
  return dialog.answer();
}

std::optional<core::WidgetModel> WindowInteraction::AskModelPick() {
  ModelPickDialog dialog(owner_);
  prompts_.RunModal(dialog);
  return dialog.answer();
}

std::optional<int> WindowInteraction::AskLanguage(const core::LanguageQuestion& question) {
  LanguageDialog dialog(question, prompts_, owner_);
  prompts_.RunModal(dialog);
  return dialog.answer();
}

// The two self-closing dialogs ask nothing of the user, so they run as they
// would for a person, in tests too.
void WindowInteraction::RunLoading(std::chrono::milliseconds delay, const std::function<void()>& work) {
  LoadingDialog dialog(owner_);
  QTimer::singleShot(delay, &dialog, [&] {
    busy_.Run(work);
    dialog.Finish();
  });
  dialog.exec();
}

void WindowInteraction::WaitRestart(const core::RestartWait& wait) {
  RestartDialog dialog(wait, owner_);
  dialog.exec();
}

}  // namespace kfw::gui
