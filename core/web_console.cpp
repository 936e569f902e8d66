#include "core/web_console.h"

namespace kfw::core {
namespace {

constexpr int kPolls = 2;  // the answer is read at about 0, 1 and 2 seconds

std::string Scheme(std::string_view sslValue) {
  return sslValue.find('1') != std::string_view::npos ? "https://" : "http://";
}

}  // namespace

std::string ConsoleUrl(std::string_view host, std::string_view sslValue) {
  return Scheme(sslValue) + std::string(host);
}

std::string ConsoleCommandLine(platform::DefaultBrowser& browser, std::string_view host,
                               std::string_view sslValue) {
  const std::string url = ConsoleUrl(host, sslValue);
  const std::string keyName = browser.KeyName();
  if (keyName.find("IE") != std::string::npos) return browser.Explorer() + " " + url;
  return browser.CommandLine(keyName) + " " + url;
}

WebConsole::WebConsole(const WebConsoleServices& services, Spawn spawn)
    : services_(services), spawn_(std::move(spawn)) {
  if (!spawn_) {
    spawn_ = [this](std::function<void()> check) {
      JoinEnded();
      auto ended = std::make_shared<std::atomic<bool>>(false);
      std::thread thread([check = std::move(check), ended] {
        check();
        ended->store(true);
      });
      threads_.push_back({std::move(thread), std::move(ended)});
    };
  }
}

WebConsole::~WebConsole() {
  for (CheckThread& check : threads_) check.thread.join();
}

void WebConsole::JoinEnded() {
  std::erase_if(threads_, [](CheckThread& check) {
    if (!check.ended->load()) return false;
    check.thread.join();
    return true;
  });
}

CommandResult<ConsoleOutcome> WebConsole::OpenWebConsole(const std::optional<std::string>& deviceAddress,
                                                         std::string_view sslValue) {
  CommandResult<ConsoleOutcome> result;
  if (!deviceAddress) {
    services_.user.Message({"Warning", "Please select a device to configure.", MessageIcon::Exclamation});
    result.outcome = ConsoleOutcome::NoDevice;
    result.failure = Failure::BadInput;
    return result;
  }
  const std::string host = *deviceAddress;
  // The check outlives this press when it answers late; it keeps its own
  // result and the service it asks.
  auto check = std::make_shared<Check>();
  platform::Reachability& reachability = services_.reachability;
  spawn_([check, host, &reachability] {
    check->reachability = reachability.Answers(host) ? 1 : -1;
  });
  bool reachable = false;
  services_.user.RunBlocking([&] { reachable = WaitDeviceReachable(*check); });
  if (!reachable) {
    result.detail = host + " does not answer on its web port";
    services_.user.Message({"Warning", "Device is no longer available.", MessageIcon::Exclamation, result.detail});
    result.outcome = ConsoleOutcome::DeviceGone;
    result.failure = Failure::NotFound;
    return result;
  }

  const std::string commandLine = ConsoleCommandLine(services_.browser, host, sslValue);
  int started = services_.programs.Run(commandLine, /*shown=*/false);
  // A browser that is gone or no program: the desktop's own choice, once.
  if (started == platform::kStartNotFound || started == platform::kStartPathNotFound ||
      started == platform::kStartBadFormat) {
    started = services_.programs.Run(services_.browser.Explorer() + " " + ConsoleUrl(host, sslValue), false);
  }
  result.outcome = ConsoleOutcome::Started;
  if (!platform::Started(started)) {
    result.failure = Failure::Local;
    result.detail = "no browser could be started for " + ConsoleUrl(host, sslValue) + ": " +
                    platform::StartFailureText(started);
    services_.user.Note(result.detail);
  }
  return result;
}

bool WebConsole::WaitDeviceReachable(Check& check) {
  for (int polls = 0;; ++polls) {
    const int answer = check.reachability.load();
    if (answer == 1) return true;
    if (answer == -1 || polls == kPolls) return false;
    services_.clock.Sleep(std::chrono::milliseconds(1000));
  }
}

}  // namespace kfw::core
