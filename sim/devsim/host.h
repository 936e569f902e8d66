#pragma once
// What korvex-devsim asks of the machine it plays devices on (inside a
// segment's network namespace): programs started and stopped, and the
// devices' addresses on the segment's interface.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace kfw::devsim {

// Starts `argv` (found on PATH) in a process group of its own, with the
// signals this program holds back let through again, stdout and stderr
// appended to `outputFile`, and `input` (when given) as its stdin. -1 when
// it cannot start.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputFile,
            const std::optional<std::string>& input = std::nullopt);
// Runs `argv` to its end; its exit status, or -1.
int Run(const std::vector<std::string>& argv, const std::string& outputFile,
        const std::optional<std::string>& input = std::nullopt);
// Stops the process group of `pid`: SIGTERM, then SIGKILL after a while.
void StopGroup(pid_t pid);

// Prefix length of a dotted netmask; nothing for one that is not a netmask.
std::optional<int> PrefixLength(const std::string& netmask);
// Prefix length with which `address` is assigned to `interfaceName`.
std::optional<int> AssignedPrefix(const std::string& interfaceName, const std::string& address);
// Assigns `address` to `interfaceName` unless it is there already, so that
// traffic for a device that moved reaches it. The prefix length it has.
std::optional<int> EnsureAddress(const std::string& interfaceName, const std::string& address,
                                 const std::string& netmask, const std::string& outputFile);

}  // namespace kfw::devsim
