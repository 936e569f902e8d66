#include "cli/command_unit.h"

#include <algorithm>
#include <ostream>

#include "cli/findway_output.h"

namespace kfw::cli {
namespace {

// The overview's summaries start in this column.
constexpr std::size_t kSummaryColumn = 48;

const char* const kIntroduction =
    "usage: findway COMMAND [OPTIONS]\n"
    "\n"
    "Finds the storage devices on every local network and manages them. A\n"
    "command that names a device by ADDRESS runs a discovery first and works\n"
    "on the device that answered from that address.\n"
    "\n"
    "commands:\n";

const char* const kClosing =
    "\n"
    "`findway COMMAND --help` describes a command's options.\n"
    "\n"
    "Passwords are never taken from the command line: --password-stdin reads\n"
    "one line from standard input; otherwise a terminal prompts without echo;\n"
    "with neither, only the empty password is tried. A password longer than\n"
    "16 bytes, the most a device takes, is refused (status 2).\n"
    "\n"
    "A failure's reason, as the system, the file server or the device gave\n"
    "it, follows its message on a line of its own. map, console and\n"
    "install-language on a device outside the subnet of the interface that\n"
    "found it (by the device's netmask) say so, as the window would not offer\n"
    "them, and still run.\n"
    "\n"
    "exit status: 0 success, 1 nothing answered, device not found or an\n"
    "install not confirmed, 2 bad arguments, 3 refused by the device\n"
    "(password, share credentials, disk state, firmware), 4 a local failure\n"
    "(mount, file, browser).\n";

std::string UsageLine(const CommandUnit& unit) {
  std::string line(unit.name);
  if (!unit.synopsis.empty()) line += " " + std::string(unit.synopsis);
  return line;
}

ParseResult Refuse(std::string why) { return {{}, std::move(why)}; }

Run Print(std::string text) {
  return [text = std::move(text)](Terminal& terminal) {
    terminal.out << text;
    return 0;
  };
}

const CommandUnit* Find(std::string_view name) {
  for (const CommandUnit* unit : Commands()) {
    if (unit->name == name) return unit;
  }
  return nullptr;
}

const Option* FindOption(const CommandUnit& unit, std::string_view name) {
  const auto found = std::find_if(unit.options.begin(), unit.options.end(),
                                  [&](const Option& option) { return option.name == name; });
  return found == unit.options.end() ? nullptr : &*found;
}

// "--static" as the manual sets it: "\-\-static".
std::string RoffText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '-') out += "\\-";
    else if (c == '\\') out += "\\e";
    else out += c;
  }
  return out;
}

// A synopsis in the manual's fonts: options bold, placeholders italic.
std::string RoffSynopsis(std::string_view synopsis) {
  std::string out;
  std::size_t start = 0;
  while (start < synopsis.size()) {
    std::size_t end = synopsis.find(' ', start);
    if (end == std::string_view::npos) end = synopsis.size();
    std::string_view token = synopsis.substr(start, end - start);
    start = end + 1;
    const std::size_t open = token.find_first_not_of("[(");
    const std::size_t close = token.find_last_not_of("])");
    if (!out.empty()) out += ' ';
    if (open == std::string_view::npos) {
      out += token;
      continue;
    }
    const std::string_view word = token.substr(open, close - open + 1);
    out += token.substr(0, open);
    if (word.rfind("--", 0) == 0) out += "\\fB" + RoffText(word) + "\\fR";
    else if (std::all_of(word.begin(), word.end(), [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; })) {
      out += "\\fI" + RoffText(word) + "\\fR";
    } else {
      out += RoffText(word);
    }
    out += token.substr(close + 1);
  }
  return out;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : " ") + word;
  return out;
}

}  // namespace

std::optional<std::string> Arguments::Value(std::string_view option) const {
  const auto found = options.find(option);
  if (found == options.end() || found->second.empty()) return std::nullopt;
  return found->second.front();
}

std::string HelpOf(const CommandUnit& unit) {
  return "usage: findway " + UsageLine(unit) + "\n" + std::string(unit.details);
}

const std::string& Usage() {
  static const std::string usage = [] {
    std::string text = kIntroduction;
    for (const CommandUnit* unit : Commands()) {
      std::string line = "  " + UsageLine(*unit);
      line += line.size() + 2 > kSummaryColumn ? "\n" + std::string(kSummaryColumn, ' ')
                                                : std::string(kSummaryColumn - line.size(), ' ');
      text += line + std::string(unit->summary) + "\n";
    }
    return text + kClosing;
  }();
  return usage;
}

std::string BashCompletion() {
  std::vector<std::string> names;
  for (const CommandUnit* unit : Commands()) names.emplace_back(unit->name);
  std::string cases, valued;
  for (const CommandUnit* unit : Commands()) {
    std::vector<std::string> options;
    for (const Option& option : unit->options) {
      options.emplace_back(option.name);
      if (option.values > 0) valued += (valued.empty() ? "" : " | ") + std::string(option.name);
    }
    options.emplace_back("--help");
    cases += "    " + std::string(unit->name) + ")\n      options=\"" + Joined(options) + "\"\n";
    if (unit->completedAt > 0) {
      cases += "      [ \"$cword\" -eq " + std::to_string(unit->completedAt + 1) + " ] && options=\"" +
               Joined(unit->completions) + "\"\n";
    }
    cases += "      ;;\n";
  }
  std::string script =
      "# bash completion for findway, made from its commands\n"
      "_findway() {\n"
      "  local cur prev words cword\n"
      "  _init_completion 2>/dev/null || {\n"
      "    cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
      "    prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
      "    words=(\"${COMP_WORDS[@]}\")\n"
      "    cword=$COMP_CWORD\n"
      "  }\n"
      "  local commands=\"" + Joined(names) + " --help\"\n"
      "  if [ \"$cword\" -eq 1 ]; then\n"
      "    COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
      "    return\n"
      "  fi\n"
      "  local command=\"${words[1]}\" options=\"\"\n"
      "  case \"$command\" in\n" + cases +
      "    help | --help | -h) options=\"" + Joined(names) + "\" ;;\n"
      "  esac\n";
  if (!valued.empty()) {
    script += "  case \"$prev\" in\n    " + valued + ") return ;;\n  esac\n";
  }
  return script +
         "  COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "}\n"
         "complete -F _findway findway\n";
}

std::string ManSynopsis() {
  std::string roff;
  for (const CommandUnit* unit : Commands()) {
    roff += ".B findway " + RoffText(unit->name) + "\n";
    if (!unit->synopsis.empty()) roff += RoffSynopsis(unit->synopsis) + "\n";
    roff += ".br\n";
  }
  return roff + ".B findway\n.RB [ COMMAND ]\n.B \\-\\-help\n";
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
  if (args.empty()) return Refuse("no command given");
  const std::string& name = args[0];
  if (name == "-h" || name == "--help" || name == "help") {
    if (args.size() == 1) return {Print(Usage()), {}};
    const CommandUnit* topic = Find(args[1]);
    if (!topic) return Refuse("unknown command " + EchoedArgument(args[1]));
    return {Print(HelpOf(*topic)), {}};
  }
  const CommandUnit* unit = Find(name);
  if (!unit) return Refuse("unknown command " + EchoedArgument(name));

  Arguments arguments;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "-h" || arg == "--help") return {Print(HelpOf(*unit)), {}};
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      arguments.positional.push_back(arg);
      continue;
    }
    std::optional<std::string> inlineValue;
    if (const auto equals = arg.find('='); equals != std::string::npos) {
      inlineValue = arg.substr(equals + 1);
      arg.resize(equals);
    }
    const Option* option = FindOption(*unit, arg);
    // A flag takes no value, and several values never follow an '='.
    if (!option || (inlineValue && option->values != 1)) {
      return Refuse(name + " has no option " + EchoedArgument(args[i]));
    }
    if (arguments.Has(arg)) return Refuse(arg + " given twice");
    std::vector<std::string> values;
    if (inlineValue) {
      values.push_back(*inlineValue);
    } else if (option->values > 0) {
      if (i + option->values >= args.size()) {
        return Refuse(arg + (option->values == 1 ? " needs a value" : " needs " + std::to_string(option->values) +
                                                                          " values"));
      }
      values.assign(args.begin() + static_cast<long>(i) + 1,
                    args.begin() + static_cast<long>(i + option->values) + 1);
      i += option->values;
    }
    arguments.options.emplace(arg, std::move(values));
  }
  if (arguments.positional.size() < unit->minPositional || arguments.positional.size() > unit->maxPositional) {
    return Refuse(name + ": wrong number of arguments\n" + HelpOf(*unit));
  }
  Parsed parsed = unit->parse(arguments);
  if (!parsed.run) return Refuse(parsed.error);
  return {std::move(parsed.run), {}};
}

}  // namespace kfw::cli
