#pragma once
// A message box as the core describes it; the window code shows it.

#include <string>

namespace kfw::core {

enum class MessageIcon { None, Stop, Exclamation, Information };

struct UserMessage {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::None;
};

}  // namespace kfw::core
