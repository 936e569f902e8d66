#pragma once
// Program starting, the default browser and the reachability check for
// tests: every start is recorded and answered as the test decides.

#include <functional>
#include <string>
#include <vector>

#include "platform/programs.h"

namespace kfw::platform {

class FakeProgramStarter final : public ProgramStarter {
 public:
  int Run(const std::string& commandLine, bool shown) override {
    runs.push_back(commandLine + (shown ? " (shown)" : ""));
    return runAnswers.empty() ? kStartOk : Next(runAnswers);
  }
  int Open(const std::string& file) override {
    opened.push_back(file);
    return openAnswer;
  }

  std::vector<std::string> runs;    // command lines, " (shown)" marking visible ones
  std::vector<std::string> opened;  // files opened
  std::vector<int> runAnswers;      // answered in turn; then success
  int openAnswer = kStartOk;

 private:
  static int Next(std::vector<int>& answers) {
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
};

class FakeDefaultBrowser final : public DefaultBrowser {
 public:
  std::string KeyName() override { return keyName; }
  std::string CommandLine(const std::string& name) override {
    commandLinesRead.push_back(name);
    return commandLine;
  }
  std::string Explorer() override { return "explorer"; }

  std::string keyName = "Firefox";
  std::string commandLine = "/usr/bin/firefox";
  std::vector<std::string> commandLinesRead;
};

class FakeReachability final : public Reachability {
 public:
  bool Answers(const std::string& host) override {
    asked.push_back(host);
    return answer ? answer(host) : true;
  }
  std::function<bool(const std::string&)> answer;
  std::vector<std::string> asked;
};

}  // namespace kfw::platform
