// findway console: a device's web console opened, as Configuration does.

#include "cli/argument_types.h"
#include "cli/command_unit.h"
#include "cli/session.h"
#include "core/web_console.h"

namespace kfw::cli {
namespace {

// --print opens nothing: no browser is asked for, none is started.
class PrintOnly final : public platform::ProgramStarter, public platform::DefaultBrowser {
 public:
  int Run(const std::string&, bool) override { return platform::kStartOk; }
  int Open(const std::string&) override { return platform::kStartOk; }
  std::string KeyName() override { return ""; }
  std::string CommandLine(const std::string&) override { return ""; }
  std::string Explorer() override { return ""; }
};

int Console(const std::string& address, bool print, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  const protocol::DeviceRecord* record = network.Select(address);
  if (record == nullptr) return kNotFound;
  network.NoteSubnet(*record, "Configuration");
  const std::string ssl = network.client().QuerySsl(*record).value_or("");

  platform::NativeProgramStarter programs;
  platform::NativeDefaultBrowser desktopBrowser;
  PrintOnly printOnly;
  platform::ProgramStarter& starter = print ? static_cast<platform::ProgramStarter&>(printOnly) : programs;
  platform::DefaultBrowser& browser = print ? static_cast<platform::DefaultBrowser&>(printOnly) : desktopBrowser;
  platform::NativeReachability reachability;
  StreamPassword noPasswords(terminal.in);
  TerminalInteraction user({address, std::nullopt, false, -1, terminal.errorIsTerminal}, noPasswords,
                           terminal.err, network.clock());
  core::CommandResult<core::ConsoleOutcome> result;
  {
    core::WebConsole console({starter, browser, reachability, network.clock(), user});
    result = console.OpenWebConsole(address, ssl);
  }
  if (result.ok() && print) terminal.out << core::ConsoleUrl(address, ssl) << "\n";
  return ExitStatusOf(result.failure);
}

Parsed Parse(const Arguments& arguments) {
  const auto address = DeviceAddress(arguments.positional[0]);
  if (!address) return Parsed::Refuse(NotAnAddress(arguments.positional[0]));
  const bool print = arguments.Has("--print");
  return {[address = *address, print](Terminal& terminal) { return Console(address, print, terminal); }, {}};
}

}  // namespace

const CommandUnit& ConsoleCommand() {
  static const CommandUnit unit{
      "console", "ADDRESS [--print]", "open a device's web console",
      "Opens the web console of the device at ADDRESS in the default browser,\n"
      "once the device answers on its web port.\n"
      "  --print            print the console's address instead of opening it\n",
      {{"--print"}}, 1, 1, 0, {}, Parse};
  return unit;
}

}  // namespace kfw::cli
