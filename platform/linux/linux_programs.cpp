#include "platform/linux/linux_programs.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/linux/user_account.h"

extern char** environ;

namespace kfw::platform {
namespace {

constexpr int kAccessDenied = 5;
constexpr int kOutOfMemory = 8;
constexpr int kNoAssociation = 31;
// How long a desktop helper (xdg-settings, xdg-mime) may take to answer.
constexpr auto kHelperPatience = std::chrono::seconds(3);
constexpr std::size_t kMaxHelperOutput = 64 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string Trim(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::string FirstLine(std::string_view text) { return Trim(text.substr(0, text.find('\n'))); }

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A path that names nothing: 3 when a folder on its way is missing too.
int NotFoundAnswer(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return kStartNotFound;
  return IsFolder(slash == 0 ? "/" : path.substr(0, slash)) ? kStartNotFound
                                                            : kStartPathNotFound;
}

// Whether PATH holds a file named `name`, as the search for a bare name sees it.
bool OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  const std::string_view dirs = path ? path : "/bin:/usr/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const auto colon = std::min(dirs.find(':', start), dirs.size());
    const std::string dir(dirs.substr(start, colon - start));
    if (IsFile((dir.empty() ? "." : dir) + "/" + name)) return true;
    start = colon + 1;
  }
  return false;
}

// The answer for a start of `program` that failed with `error`.
int StartFailure(int error, const std::string& program) {
  if (error == ENOMEM || error == EAGAIN || error == E2BIG) return kOutOfMemory;
  // The search along PATH also fails on folders it may not enter: a bare
  // name is only "not a program" when a file of that name is there.
  if (program.find('/') == std::string::npos)
    return OnPath(program) ? kStartBadFormat : kStartNotFound;
  struct stat st {};
  const bool exists = stat(program.c_str(), &st) == 0;
  switch (error) {
    case EACCES:
      // Without the file in sight, a folder on the way is closed to us.
      return exists ? kStartBadFormat : kAccessDenied;
    case ENOEXEC:
    case EISDIR:
    case ETXTBSY:
      return kStartBadFormat;
    case ENOENT:
      // The file is there, so what is missing is the interpreter it names.
      return exists ? kStartBadFormat : NotFoundAnswer(program);
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return kStartPathNotFound;
    default:
      return kAccessDenied;
  }
}

// posix_spawn's attributes and file actions, released however a start ends.
// The child gets default signal handling and an empty signal mask, whatever
// this program ignores or blocks.
class SpawnSetup {
 public:
  explicit SpawnSetup(short extraFlags) {
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // 0 and the child's pid, or the error of the start (glibc reports a
  // failed exec here, not through the child's exit status).
  int Spawn(std::vector<std::string> args, pid_t& pid) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  }

  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
};

void WaitFor(pid_t pid, int& status) {
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

// Starts `args` without waiting for it to end.
int Start(const std::vector<std::string>& args, bool shown) {
  if (args.empty()) return kStartNotFound;
  // Its own session: the program outlives a terminal or a Ctrl-C that ends us.
  SpawnSetup setup(POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  if (!shown) posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (const int error = setup.Spawn(args, pid); error != 0) return StartFailure(error, args[0]);
  // Reaped when it ends, so that no zombie stays behind.
  try {
    std::thread([pid] {
      int status = 0;
      WaitFor(pid, status);
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program still started; it stays a zombie until we end.
  }
  return kStartOk;
}

// Runs a desktop helper and answers its output when it exits with status 0
// in time; stdin and stderr are /dev/null. Its own process group, so that a
// helper that hangs is stopped with whatever it started.
std::optional<std::string> Capture(const std::vector<std::string>& args) {
  std::array<int, 2> pipeEnds{};
  if (pipe2(pipeEnds.data(), O_CLOEXEC) != 0) return std::nullopt;
  const int readEnd = pipeEnds[0];
  pid_t pid = 0;
  int error = 0;
  {
    SpawnSetup setup(POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    error = setup.Spawn(args, pid);
  }
  close(pipeEnds[1]);
  if (error != 0) {
    close(readEnd);
    return std::nullopt;
  }
  std::string output;
  bool complete = false;
  const auto deadline = std::chrono::steady_clock::now() + kHelperPatience;
  while (output.size() <= kMaxHelperOutput) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{readEnd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    std::array<char, 4096> chunk{};
    const ssize_t n = read(readEnd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      complete = n == 0;
      break;
    }
    output.append(chunk.data(), static_cast<std::size_t>(n));
  }
  close(readEnd);
  if (!complete) kill(-pid, SIGKILL);
  int status = 0;
  WaitFor(pid, status);
  if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

// Desktop folders, by the XDG base directory rules: a variable that is unset,
// empty or holds no absolute path gives way to its default.
std::string Home() {
  const std::string home = HomeFolder();
  return home.empty() ? "/" : home;
}

// The absolute folders of a ':'-separated list (others are not valid).
std::vector<std::string> AbsoluteDirs(std::string_view text) {
  std::vector<std::string> dirs;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto colon = std::min(text.find(':', start), text.size());
    if (colon > start && text[start] == '/') dirs.emplace_back(text.substr(start, colon - start));
    start = colon + 1;
  }
  return dirs;
}

std::vector<std::string> BaseDirs(const char* variable, const std::string& fallback) {
  const char* value = std::getenv(variable);
  auto dirs = AbsoluteDirs(value ? value : "");
  return dirs.empty() ? AbsoluteDirs(fallback) : dirs;
}

std::string DataHome() { return BaseDirs("XDG_DATA_HOME", Home() + "/.local/share")[0]; }
std::string ConfigHome() { return BaseDirs("XDG_CONFIG_HOME", Home() + "/.config")[0]; }

// A desktop key file's string escapes undone; others are left for the
// reader of the value (an Exec line has its own).
std::string Unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char next = i + 1 < value.size() ? value[i + 1] : '\0';
    const char* plain = nullptr;
    if (value[i] == '\\') {
      switch (next) {
        case 's': plain = " "; break;
        case 'n': plain = "\n"; break;
        case 't': plain = "\t"; break;
        case 'r': plain = "\r"; break;
        case '\\': plain = "\\"; break;
        default: break;
      }
    }
    if (plain) {
      out += plain;
      ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

// The value of `key` in `group` of a desktop key file (mimeapps.list, a
// desktop entry); nothing when the file or the key is missing.
std::optional<std::string> KeyFileValue(const std::string& path, std::string_view group,
                                        std::string_view key) {
  std::ifstream in(path);
  std::string line;
  bool inGroup = false;
  while (std::getline(in, line)) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    if (text[0] == '[') {
      if (inGroup) return std::nullopt;  // the group's keys are over
      inGroup = text.size() >= 2 && text.back() == ']' &&
                std::string_view(text).substr(1, text.size() - 2) == group;
      continue;
    }
    const auto equals = text.find('=');
    if (inGroup && equals != std::string::npos &&
        Trim(std::string_view(text).substr(0, equals)) == key)
      return Unescape(Trim(std::string_view(text).substr(equals + 1)));
  }
  return std::nullopt;
}

// The file of an installed desktop entry, looked up in the user's
// applications folder first, then the system's. An id stands for a path
// under applications/ with '/' written as '-' (kde4-foo.desktop may be
// kde4/foo.desktop).
std::optional<std::string> DesktopEntryFile(const std::string& id) {
  if (id.empty() || id.find('/') != std::string::npos || id[0] == '.') return std::nullopt;
  std::vector<std::string> dirs{DataHome()};
  for (auto& dir : BaseDirs("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) dirs.push_back(dir);
  for (const std::string& dir : dirs) {
    const std::string applications = dir + "/applications/";
    if (IsFile(applications + id)) return applications + id;
    for (auto dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
      const std::string nested = applications + id.substr(0, dash) + "/" + id.substr(dash + 1);
      if (IsFile(nested)) return nested;
    }
  }
  return std::nullopt;
}

// The mimeapps.list files in the order the desktop consults them.
std::vector<std::string> MimeAppsLists() {
  std::vector<std::string> files{ConfigHome() + "/mimeapps.list"};
  for (const auto& dir : BaseDirs("XDG_CONFIG_DIRS", "/etc/xdg")) files.push_back(dir + "/mimeapps.list");
  files.push_back(DataHome() + "/applications/mimeapps.list");
  for (const auto& dir : BaseDirs("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
    files.push_back(dir + "/applications/mimeapps.list");
  return files;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::string arg;
  bool inArg = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (IsBlank(c)) {
      if (inArg) args.push_back(std::move(arg));
      arg.clear();
      inArg = false;
      continue;
    }
    inArg = true;
    if (c == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        const bool escape = line[i] == '\\' && i + 1 < line.size() &&
                            std::string_view("\"`$\\").find(line[i + 1]) != std::string_view::npos;
        if (escape) ++i;
        arg += line[i];
      }
    } else if (c == '\'') {
      for (++i; i < line.size() && line[i] != '\''; ++i) arg += line[i];
    } else if (c == '\\' && i + 1 < line.size()) {
      arg += line[++i];
    } else {
      arg += c;
    }
  }
  if (inArg) args.push_back(std::move(arg));
  return args;
}

std::string RemoveFieldCodes(std::string_view exec) {
  std::string out;
  char quote = 0;      // the quote open here, if any
  bool blank = false;  // blanks seen since the last character kept
  auto keep = [&](std::string_view text) {
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += text;
  };
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (c == '%' && i + 1 < exec.size()) {
      // A field code stands for what a launcher fills in: here, nothing.
      if (exec[++i] == '%') keep("%");
    } else if (quote == 0 && IsBlank(c)) {
      blank = true;
    } else if (c == '\\' && quote != '\'' && i + 1 < exec.size()) {
      keep(exec.substr(i++, 2));
    } else {
      if (quote == 0 && (c == '"' || c == '\'')) {
        quote = c;
      } else if (c == quote) {
        quote = 0;
      }
      keep(std::string_view(&c, 1));
    }
  }
  return out;
}

LinuxProgramStarter::LinuxProgramStarter(std::string opener, std::string mimeTool)
    : opener_(std::move(opener)), mimeTool_(std::move(mimeTool)) {}

int LinuxProgramStarter::Run(const std::string& commandLine, bool shown) {
  return Start(SplitCommandLine(commandLine), shown);
}

int LinuxProgramStarter::Open(const std::string& file) {
  if (file.empty()) return kStartNotFound;
  struct stat st {};
  if (stat(file.c_str(), &st) != 0)
    return errno == ENOTDIR ? kStartPathNotFound : NotFoundAnswer(file);
  // Absolute, so that a name starting with '-' is never read as an option.
  std::error_code ec;
  std::string path = std::filesystem::absolute(file, ec).string();
  if (ec) path = file;
  // The opener starts even when nothing can open the file, so ask first;
  // without the helper, leave the question to the opener.
  if (const auto kind = Capture({mimeTool_, "query", "filetype", path})) {
    const std::string line = FirstLine(*kind);  // "text/plain" or "text/plain; charset=..."
    const std::string type = Trim(std::string_view(line).substr(0, line.find(';')));
    const auto program = type.empty() ? std::nullopt : Capture({mimeTool_, "query", "default", type});
    if (program && FirstLine(*program).empty()) return kNoAssociation;
  }
  // Without an opener nothing can open the file.
  const int answer = Start({opener_, path}, true);
  return answer == kStartNotFound || answer == kStartPathNotFound ? kNoAssociation : answer;
}

LinuxDefaultBrowser::LinuxDefaultBrowser(std::string settingsTool)
    : settingsTool_(std::move(settingsTool)) {}

std::string LinuxDefaultBrowser::KeyName() {
  if (const auto named = Capture({settingsTool_, "get", "default-web-browser"})) {
    if (std::string id = FirstLine(*named); !id.empty()) return id;
  }
  // The desktop's own choice: the first handler of http that is installed,
  // from the first list that has one.
  for (const std::string& list : MimeAppsLists()) {
    const auto handlers = KeyFileValue(list, "Default Applications", "x-scheme-handler/http");
    if (!handlers) continue;
    std::size_t start = 0;
    while (start < handlers->size()) {
      const auto semicolon = std::min(handlers->find(';', start), handlers->size());
      const std::string id = Trim(std::string_view(*handlers).substr(start, semicolon - start));
      if (!id.empty() && DesktopEntryFile(id)) return id;
      start = semicolon + 1;
    }
  }
  return {};
}

std::string LinuxDefaultBrowser::CommandLine(const std::string& keyName) {
  const auto file = DesktopEntryFile(keyName);
  if (!file) return {};
  const auto exec = KeyFileValue(*file, "Desktop Entry", "Exec");
  return exec ? RemoveFieldCodes(*exec) : std::string();
}

}  // namespace kfw::platform
