#pragma once
// A message box as the core describes it; the window code shows it.

#include <string>

namespace kfw::core {

enum class MessageIcon { None, Stop, Exclamation, Information };

struct UserMessage {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::None;
  // The reason underneath a failure, as the system or the file server put
  // it ("" for none): behind the box's details in the window, a line of
  // its own from findway. Never part of the message's own text.
  std::string detail = {};
};

}  // namespace kfw::core
