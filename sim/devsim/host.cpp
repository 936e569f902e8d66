#include "sim/devsim/host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace kfw::devsim {

namespace {

struct SpawnSetup {
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
};

std::optional<uint32_t> HostOrder(const std::string& dotted) {
  in_addr a{};
  if (inet_pton(AF_INET, dotted.c_str(), &a) != 1) return std::nullopt;
  return ntohl(a.s_addr);
}

}  // namespace

pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputFile,
            const std::optional<std::string>& input) {
  int pipeFds[2] = {-1, -1};
  if (input && pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, outputFile.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&setup.actions, STDOUT_FILENO, STDERR_FILENO);
  if (input) {
    posix_spawn_file_actions_adddup2(&setup.actions, pipeFds[0], STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  // The stop signals are blocked in this program (see main); a daemon must
  // get them, and its own group lets a stop reach what it forks.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, args[0], &setup.actions, &setup.attributes, args.data(), environ);
  // Samba's daemons and useradd live in /usr/sbin, which a PATH may lack.
  if (rc == ENOENT && argv[0].find('/') == std::string::npos) {
    const std::string inSbin = "/usr/sbin/" + argv[0];
    rc = posix_spawn(&pid, inSbin.c_str(), &setup.actions, &setup.attributes, args.data(), environ);
  }
  if (input) {
    close(pipeFds[0]);
    // Secrets go through the pipe, never on a command line. The text is
    // short, far below the pipe's buffer, so this does not block.
    if (rc == 0) {
      const ssize_t ignored = write(pipeFds[1], input->data(), input->size());
      (void)ignored;
    }
    close(pipeFds[1]);
  }
  return rc == 0 ? pid : -1;
}

int Run(const std::vector<std::string>& argv, const std::string& outputFile,
        const std::optional<std::string>& input) {
  const pid_t pid = Spawn(argv, outputFile, input);
  if (pid < 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void StopGroup(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGTERM);
  for (int i = 0; i < 60; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      kill(-pid, SIGKILL);  // anything the daemon left of its group
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

std::optional<int> PrefixLength(const std::string& netmask) {
  const std::optional<uint32_t> mask = HostOrder(netmask);
  if (!mask) return std::nullopt;
  const int ones = std::popcount(*mask);
  // Contiguous ones from the top, and no zero-length or host-only mask.
  if (ones == 0 || ones == 32 || *mask != (~0u << (32 - ones))) return std::nullopt;
  return ones;
}

std::optional<int> AssignedPrefix(const std::string& interfaceName, const std::string& address) {
  const std::optional<uint32_t> wanted = HostOrder(address);
  ifaddrs* list = nullptr;
  if (!wanted || getifaddrs(&list) != 0) return std::nullopt;
  std::optional<int> prefix;
  for (ifaddrs* i = list; i && !prefix; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_netmask ||
        interfaceName != i->ifa_name) {
      continue;
    }
    const auto* a = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
    const auto* m = reinterpret_cast<const sockaddr_in*>(i->ifa_netmask);
    if (ntohl(a->sin_addr.s_addr) == *wanted) prefix = std::popcount(ntohl(m->sin_addr.s_addr));
  }
  freeifaddrs(list);
  return prefix;
}

std::optional<int> EnsureAddress(const std::string& interfaceName, const std::string& address,
                                 const std::string& netmask, const std::string& outputFile) {
  if (const std::optional<int> prefix = AssignedPrefix(interfaceName, address)) return prefix;
  const int prefix = PrefixLength(netmask).value_or(24);
  if (Run({"ip", "addr", "add", address + "/" + std::to_string(prefix), "dev", interfaceName},
          outputFile) != 0) {
    return std::nullopt;
  }
  return prefix;
}

}  // namespace kfw::devsim
