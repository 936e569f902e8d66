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

}  // namespace kfw::gui
