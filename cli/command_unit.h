#pragma once
// A findway command as one unit: its name, its options, its help, the words
// a shell completes for it and the step that runs it. The overview, each
// command's help, the shell completion and the manual's synopsis are all
// made from the units, so a new command is one file under cli/commands/
// and its line in the registry.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/terminal.h"

namespace kfw::cli {

// An option: a flag (no values), or one taking `values` values in a row
// ("--static IP NETMASK GATEWAY"); one value may also follow an '='.
struct Option {
  std::string_view name;
  std::size_t values = 0;
};

// What the command line held for one command, the options checked against
// its unit: every option known, none twice, each with its values, the
// number of positional arguments in range.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>, std::less<>> options;

  bool Has(std::string_view option) const { return options.count(option) != 0; }
  // The first value of `option`, when given.
  std::optional<std::string> Value(std::string_view option) const;
};

// A command ready to run, its arguments checked: the exit status.
using Run = std::function<int(Terminal&)>;

// A command's reading of its arguments: the run, or why it refuses them.
struct Parsed {
  Run run;
  std::string error;
  static Parsed Refuse(std::string why) { return {{}, std::move(why)}; }
};

struct CommandUnit {
  std::string_view name;
  std::string_view synopsis;  // after "findway NAME": "ADDRESS ITEM"
  std::string_view summary;   // its line in the overview
  std::string_view details;   // the rest of its help
  std::vector<Option> options;
  std::size_t minPositional = 0;
  std::size_t maxPositional = 0;
  // The words a shell offers for the positional argument at `completedAt`
  // (1 for the first after the command's name); none for a free one.
  std::size_t completedAt = 0;
  std::vector<std::string> completions;
  std::function<Parsed(const Arguments&)> parse;
};

// The commands in the order the overview lists them.
const std::vector<const CommandUnit*>& Commands();

// `findway NAME --help`: the usage line and the details.
std::string HelpOf(const CommandUnit& unit);
// `findway --help`.
const std::string& Usage();

// The bash completion script and the manual's synopsis (roff).
std::string BashCompletion();
std::string ManSynopsis();

struct ParseResult {
  Run run;            // empty when refused
  std::string error;  // why, for standard error
};
ParseResult ParseArguments(const std::vector<std::string>& args);

}  // namespace kfw::cli
