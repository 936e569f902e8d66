// The Configuration and Widget commands over fake programs, a fake browser
// registration, scripted answers and a check whose answer time the test
// decides.

#include "core/desktop_widget.h"
#include "core/web_console.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/fake_programs.h"
#include "tests/support/scripted_interaction.h"

namespace kfw::core {
namespace {

using Strings = std::vector<std::string>;
using platform::FakeClock;

// Checks run when the test says: at once, at a second of the wait, or never
// during the press (a late answer, run afterwards).
struct Bed {
  struct TimedClock final : platform::Clock {
    platform::SteadyTime Now() override { return fake.Now(); }
    void Sleep(std::chrono::milliseconds d) override {
      fake.Sleep(d);
      if (onSleep) onSleep();
    }
    FakeClock fake;
    std::function<void()> onSleep;
  };

  // `answerAt`: seconds into the wait at which the check answers; -1 never.
  ConsoleOutcome Press(bool answers, int answerAt, std::string ssl = "", std::optional<std::string> host = "10.0.0.7") {
    reachability.answer = [answers](const std::string&) { return answers; };
    int seconds = 0;
    clock.onSleep = [&] {
      if (++seconds == answerAt && pending) std::exchange(pending, nullptr)();
    };
    last = console.OpenWebConsole(host, ssl);
    clock.onSleep = nullptr;
    return last.outcome;
  }
  CommandResult<ConsoleOutcome> last;

  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  platform::FakeReachability reachability;
  TimedClock clock;
  ScriptedInteraction user;
  std::function<void()> pending;  // the check not run yet
  int answerNow = 0;
  WebConsole console{{programs, browser, reachability, clock, user}, [this](std::function<void()> check) {
                       pending = std::move(check);
                       if (answerNow) std::exchange(pending, nullptr)();
                     }};
};

TEST(WebConsoleTest, TheDeviceHasTwoSecondsToAnswer) {
  // `answerAt` 0: before the first look.
  const struct { bool answers; int answerAt; bool opened; } rows[] = {
      {true, 0, true}, {true, 1, true}, {true, 2, true}, {true, 3, false}, {false, 0, false}, {false, 1, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.answers << "@" << row.answerAt);
    Bed bed;
    bed.answerNow = row.answerAt == 0;
    EXPECT_EQ(bed.Press(row.answers, row.answerAt), row.opened ? ConsoleOutcome::Started : ConsoleOutcome::DeviceGone);
    EXPECT_EQ(bed.user.messages, row.opened ? Strings{} : Strings{"Warning (exclamation): Device is no longer available."});
    EXPECT_EQ(bed.programs.runs, row.opened ? Strings{"/usr/bin/firefox http://10.0.0.7"} : Strings{});
    // Decided as soon as the answer is there, after two seconds at the most.
    EXPECT_EQ(bed.clock.Now() - platform::SteadyTime{}, std::chrono::seconds(std::min(row.answerAt, 2)));
    EXPECT_EQ(bed.reachability.asked, row.answerAt <= 2 ? Strings{"10.0.0.7"} : Strings{});
  }
}

TEST(WebConsoleTest, ALateAnswerNeverDecidesTheNextPress) {
  Bed bed;
  EXPECT_EQ(bed.Press(true, -1), ConsoleOutcome::DeviceGone);
  auto late = std::exchange(bed.pending, nullptr);
  late();  // the first check answers after its press gave up
  // The next press starts from pending: silence is still silence.
  EXPECT_EQ(bed.Press(false, -1), ConsoleOutcome::DeviceGone);
  EXPECT_TRUE(bed.programs.runs.empty());
  EXPECT_EQ(bed.Press(true, 0, "", std::nullopt), ConsoleOutcome::NoDevice);
  EXPECT_EQ(bed.user.messages.back(), "Warning (exclamation): Please select a device to configure.");
}

// The check on a thread of its own, as the program runs it: the answer
// crosses threads while the press polls it (ThreadSanitizer watches this).
TEST(WebConsoleTest, TheCheckAnswersFromItsOwnThread) {
  struct ShortSleeps final : platform::Clock {
    platform::SteadyTime Now() override { return std::chrono::steady_clock::now(); }
    void Sleep(std::chrono::milliseconds) override {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  } clock;
  for (const bool answers : {true, false}) {
    platform::FakeProgramStarter programs;
    platform::FakeDefaultBrowser browser;
    platform::FakeReachability reachability;
    reachability.answer = [answers](const std::string&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return answers;
    };
    ScriptedInteraction user;
    {
      WebConsole console({programs, browser, reachability, clock, user});
      // Ended checks are joined at the next press, not kept until the window closes.
      for (int press = 0; press < 3; ++press) {
        EXPECT_EQ(console.OpenWebConsole("10.0.0.7", "0").outcome,
                  answers ? ConsoleOutcome::Started : ConsoleOutcome::DeviceGone);
        EXPECT_EQ(console.runningChecks(), 1u);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
    EXPECT_EQ(reachability.asked, Strings(3, "10.0.0.7"));
  }
}

// A failed start tries the desktop's own opener once; `answers`: of the starts, in turn.
// When no browser starts, the reason is noted (there is no message to carry it).
TEST(WebConsoleTest, CommandLinesAndTheFallback) {
  const std::string noBrowser = "no browser could be started for http://10.0.0.7: ";
  const struct { std::string keyName, ssl; std::vector<int> answers; Strings runs; std::string reason = {}; } rows[] = {
      {"Firefox", "1", {}, {"/usr/bin/firefox https://10.0.0.7"}},
      {"Firefox", "0", {}, {"/usr/bin/firefox http://10.0.0.7"}},
      {"IEXPLORE.EXE", "", {}, {"explorer http://10.0.0.7"}},
      {"iexplore", "", {}, {"/usr/bin/firefox http://10.0.0.7"}},  // "IE" is case-sensitive
      {"Firefox", "1", {2}, {"/usr/bin/firefox https://10.0.0.7", "explorer https://10.0.0.7"}},
      {"Firefox", "", {3}, {"/usr/bin/firefox http://10.0.0.7", "explorer http://10.0.0.7"}},
      {"IEXPLORE.EXE", "", {11, 11}, {"explorer http://10.0.0.7", "explorer http://10.0.0.7"},
       noBrowser + "the file is not a program"},
      {"Firefox", "", {5}, {"/usr/bin/firefox http://10.0.0.7"}, noBrowser + "the program could not be started"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keyName + "/" + row.ssl);
    Bed bed;
    bed.answerNow = 1;
    bed.browser.keyName = row.keyName;
    bed.programs.runAnswers = row.answers;
    EXPECT_EQ(bed.Press(true, 0, row.ssl), ConsoleOutcome::Started);
    EXPECT_EQ(bed.programs.runs, row.runs);
    EXPECT_EQ(bed.last.failure, row.reason.empty() ? Failure::None : Failure::Local);
    EXPECT_EQ(bed.last.detail, row.reason);
    EXPECT_EQ(bed.user.details, row.reason.empty() ? Strings{} : Strings{row.reason});
  }
}

struct WidgetBed {
  WidgetBed() { std::filesystem::create_directories(dir); }
  ~WidgetBed() { std::filesystem::remove_all(dir); }
  void Launch(std::optional<std::string> host, const std::string& model) {
    LaunchWidget({programs, browser, user, dir / "ip.txt"}, host, model);
  }
  std::string AddressFile() const {
    std::ifstream in(dir / "ip.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return in ? text.str() : "(none)";
  }
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kfw-widget-" + std::to_string(::getpid()));
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  ScriptedInteraction user;
};

TEST(WidgetTest, ModelsAnswersAndTheAddressFile) {
  constexpr std::optional<WidgetModel> kNone;
  const struct { std::string model; bool download; std::optional<WidgetModel> pick; Strings asked, opened; } rows[] = {
      {"KVR-240", false, kNone, {"widget engine?"}, {"KorvexEu_ALL_Widget.widget"}},
      {"KVR-220", false, kNone, {"widget engine?"}, {"KorvexEu_KVR220_Widget.widget"}},
      {"KVR-210", false, kNone, {"widget engine?"}, {"KorvexEu_KVR210_Widget.widget"}},
      {"KVR-400", true, kNone, {"widget engine?"}, {}},
      {"", false, WidgetModel::Kvr400, {"widget engine?", "model?"}, {"KorvexEu_KVR400_Widget.widget"}},
      {"kvr-240", false, WidgetModel::Kvr210, {"widget engine?", "model?"}, {"KorvexEu_KVR210_Widget.widget"}},
      {"KVR-240 ", false, kNone, {"widget engine?", "model?"}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("'" + row.model + "'");
    WidgetBed bed;
    bed.user.widgetEngineAnswer = row.download ? WidgetEngineAnswer::Download : WidgetEngineAnswer::Next;
    bed.user.modelPick = row.pick;
    bed.Launch("10.0.0.7", row.model);
    bed.user.messages.clear(), bed.programs.opened.clear(), bed.programs.runs.clear();
    bed.Launch("192.168.1.100", row.model);  // each run replaces the address
    EXPECT_EQ(bed.AddressFile(), "192.168.1.100");
    EXPECT_EQ(bed.user.messages, row.asked);
    EXPECT_EQ(bed.programs.opened, row.opened);
    EXPECT_EQ(bed.programs.runs.size(), row.download ? 1u : 0u);
  }
  WidgetBed bed;
  bed.user.widgetEngineAnswer = WidgetEngineAnswer::Download;
  bed.Launch("10.0.0.7", "");
  EXPECT_EQ(bed.programs.runs, Strings{std::string("explorer ") + kWidgetEngineDownloadPage});
}

TEST(WidgetTest, NoServerOrNoWidgetFile) {
  WidgetBed bed;
  bed.Launch(std::nullopt, "KVR-240");
  EXPECT_EQ(bed.user.messages, Strings{"Warning (exclamation): Please select a server."});
  EXPECT_EQ(bed.AddressFile(), "(none)");
  bed.user.messages.clear();
  bed.programs.openAnswer = 2;
  bed.Launch("10.0.0.7", "KVR-240");
  EXPECT_EQ(bed.user.messages, (Strings{"widget engine?", "Warning (information): Execute widget file error!"}));
}

}  // namespace
}  // namespace kfw::core
