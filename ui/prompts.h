#pragma once
// Every message box and every modal dialog a command opens goes through one
// Prompts object. The window shows them for real; tests script the answers
// and keep a record of what was shown.

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/user_message.h"

class QDialog;
class QMessageBox;
class QWidget;

namespace kfw::ui {

// The caption of a message that has none of its own.
inline constexpr const char* kProgramName = "Korvex Findway Utility";

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A modal message box with an OK button; returns when it is closed.
  virtual void Message(const core::UserMessage& message) = 0;
  // Runs a dialog modally and returns its result code.
  virtual int RunModal(QDialog& dialog) = 0;
};

// The message box a message becomes: its caption (the program's name when it
// has none), text, icon and one OK button.
std::unique_ptr<QMessageBox> MakeMessageBox(const core::UserMessage& message, QWidget* owner);

class QtPrompts final : public Prompts {
 public:
  explicit QtPrompts(QWidget* owner = nullptr) : owner_(owner) {}
  // The window messages are modal over.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void Message(const core::UserMessage& message) override;
  int RunModal(QDialog& dialog) override;

 private:
  QWidget* owner_;
};

// For tests: records every message and dialog, and hands each dialog to a
// script that acts on it as a user would (types, presses OK) while it is
// shown. A dialog the script leaves open is cancelled.
class ScriptedPrompts final : public Prompts {
 public:
  void Message(const core::UserMessage& message) override;
  int RunModal(QDialog& dialog) override;

  std::vector<core::UserMessage> messages;
  // Window title of every dialog run, in order.
  std::vector<QString> dialogs;
  std::function<void(QDialog&)> onDialog;
  // Runs while a message is "shown", before it is recorded as closed.
  std::function<void(const core::UserMessage&)> onMessage;
};

}  // namespace kfw::ui
