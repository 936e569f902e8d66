#pragma once
// The window's answers to what a command asks: real message boxes and the
// Login dialog, modal over the window, and the busy runner for the waits.

#include <QPointer>
#include <QWidget>

#include "core/interaction.h"
#include "ui/busy.h"
#include "ui/prompts.h"

namespace kfw::gui {

class WindowInteraction final : public core::Interaction {
 public:
  WindowInteraction(ui::Prompts& prompts, ui::BusyRunner& busy, QWidget* owner)
      : prompts_(prompts), busy_(busy), owner_(owner) {}

  void Message(const core::UserMessage& message) override { prompts_.Message(message); }
  // Where a user who started the window from a terminal finds it.
  void Note(const std::string& detail) override;
  std::optional<core::Credentials> AskLogin(const core::LoginQuestion& question) override;
  core::DriveInUseAnswer AskDriveInUse() override;
  core::WidgetEngineAnswer AskWidgetEngine() override;
  std::optional<core::WidgetModel> AskModelPick() override;
  std::optional<int> AskLanguage(const core::LanguageQuestion& question) override;
  void RunLoading(std::chrono::milliseconds delay, const std::function<void()>& work) override;
  void WaitRestart(const core::RestartWait& wait) override;
  void RunBlocking(const std::function<void()>& work) override { busy_.Run(work); }

 private:
  ui::Prompts& prompts_;
  ui::BusyRunner& busy_;
  QPointer<QWidget> owner_;
};

}  // namespace kfw::gui
