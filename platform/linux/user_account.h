#pragma once
// The account the program runs as: its name and home folder, read from the
// system's user database the same way by every service that needs them.

#include <optional>
#include <string>

namespace kfw::platform {

struct UserAccount {
  std::string name;
  std::string home;
};

// The effective user's entry (the user whose files the program writes),
// read reentrantly; nothing when the database has none.
std::optional<UserAccount> CurrentAccount();

// $HOME when it holds an absolute path, otherwise the account's home
// folder; "" when neither is known.
std::string HomeFolder();

}  // namespace kfw::platform
