#include "platform/linux/user_account.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace kfw::platform {

std::optional<UserAccount> CurrentAccount() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  return UserAccount{found->pw_name ? found->pw_name : "", found->pw_dir ? found->pw_dir : ""};
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  const auto account = CurrentAccount();
  return account ? account->home : std::string();
}

}  // namespace kfw::platform
