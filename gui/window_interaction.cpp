#include "gui/window_interaction.h"

#include "gui/drive_in_use_dialog.h"
#include "gui/login_dialog.h"
#include "gui/widget_dialogs.h"

namespace kfw::gui {

std::optional<core::Credentials> WindowInteraction::AskLogin(const core::LoginQuestion& question) {
  LoginDialog login(question, owner_);
  prompts_.RunModal(login);
  return login.answer();
}

bool WindowInteraction::AskDriveInUse() {
  DriveInUseDialog dialog(owner_);
  prompts_.RunModal(dialog);
  return driveInUseAnswer == 1;
}

bool WindowInteraction::AskWidgetEngine() {
  WidgetEngineDialog dialog(owner_);
  prompts_.RunModal(dialog);
  return widgetEngineAnswer == 1;
}

int WindowInteraction::AskModelPick() {
  ModelPickDialog dialog(owner_);
  prompts_.RunModal(dialog);
  return modelPickAnswer;
}

// Nothing runs these yet: the Language and BitTorrent commands still say
// that they are not available.
std::optional<int> WindowInteraction::AskLanguage(const core::LanguageQuestion&) { return std::nullopt; }

void WindowInteraction::RunLoading(std::chrono::milliseconds, const std::function<void()>& work) {
  busy_.Run(work);
}

void WindowInteraction::WaitRestart(const core::RestartWait& wait) {
  if (wait.filled) wait.filled();
}

}  // namespace kfw::gui
