#pragma once
// A user who answers from a script: records every message and question a
// command asks ("drive in use?" among the messages), and hands out the
// prepared Login answers in turn (Cancel once they run out).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/interaction.h"
#include "tests/support/fake_system_info.h"

namespace kfw::core {

struct ScriptedInteraction final : Interaction {
  void Message(const UserMessage& message) override {
    static const char* const kIcons[] = {"none", "stop", "exclamation", "information"};
    messages.push_back(message.caption + " (" + kIcons[static_cast<int>(message.icon)] + "): " + message.text);
    if (!message.detail.empty()) details.push_back(message.detail);
  }
  void Note(const std::string& detail) override { details.push_back(detail); }
  std::optional<Credentials> AskLogin(const LoginQuestion& question) override {
    questions.push_back(question);
    if (onLogin) onLogin();
    abandoned = abandonOnCancel && (answers.empty() || !answers.front());
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  DriveInUseAnswer AskDriveInUse() override {
    messages.push_back("drive in use?");
    return driveInUseAnswer;
  }
  WidgetEngineAnswer AskWidgetEngine() override {
    messages.push_back("widget engine?");
    return widgetEngineAnswer;
  }
  std::optional<WidgetModel> AskModelPick() override {
    messages.push_back("model?");
    return modelPick;
  }
  std::optional<int> AskLanguage(const LanguageQuestion& question) override {
    languageQuestions.push_back(question);
    messages.push_back("language?");
    if (languages.empty()) return std::nullopt;
    auto answer = languages.front();
    languages.pop_front();
    return answer;
  }
  void RunLoading(std::chrono::milliseconds, const std::function<void()>& work) override {
    messages.push_back("loading");
    work();
  }
  void WaitRestart(const RestartWait& wait) override {
    messages.push_back("restart");
    if (wait.filled) wait.filled();
  }
  void RunBlocking(const std::function<void()>& work) override { work(); }
  bool Abandoned() const override { return abandoned; }

  std::vector<std::string> messages;  // "caption (icon): text"
  std::vector<std::string> details;   // the messages' details and the notes, in turn
  std::vector<LoginQuestion> questions;
  std::deque<std::optional<Credentials>> answers;
  std::function<void()> onLogin;  // runs while the Login dialog is "shown"
  bool abandonOnCancel = false;   // a Cancel ends the whole command, as findway's refused password does
  bool abandoned = false;
  DriveInUseAnswer driveInUseAnswer = DriveInUseAnswer::UseIt;
  WidgetEngineAnswer widgetEngineAnswer = WidgetEngineAnswer::Next;
  std::optional<WidgetModel> modelPick;
  std::vector<LanguageQuestion> languageQuestions;
  std::deque<std::optional<int>> languages;  // Language dialog answers in turn; Cancel after
};

// The system as the commands see it.
using platform::FakeSystem;

}  // namespace kfw::core
