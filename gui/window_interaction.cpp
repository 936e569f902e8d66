#include "gui/window_interaction.h"

#include "gui/login_dialog.h"

namespace kfw::gui {

std::optional<core::Credentials> WindowInteraction::AskLogin(const core::LoginQuestion& question) {
  LoginDialog login(question, owner_);
  prompts_.RunModal(login);
  return login.answer();
}

}  // namespace kfw::gui
