#pragma once
// Drive letters for tests: each letter's kind and remote name are set by the
// test; every letter starts unused (NoRootDir, no connection).

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/network_drives.h"

namespace kfw::platform {

class FakeNetworkDrives final : public NetworkDrives {
 public:
  // A live connection on `letter` ('A'..'Z'); the letter becomes Remote.
  void Connect(char letter, std::string remoteName) {
    Slot& slot = slots_.at(Index(letter));
    slot.remoteName = std::move(remoteName);
    slot.kind = DriveKind::Remote;
  }
  // Drops the connection; the letter is unused again.
  void Disconnect(char letter) {
    Slot& slot = slots_.at(Index(letter));
    slot.remoteName.reset();
    slot.kind = DriveKind::NoRootDir;
  }
  void SetKind(char letter, DriveKind kind) { slots_.at(Index(letter)).kind = kind; }
  // Every remote-name lookup fails, as when the network provider is down.
  void FailLookups(bool fail) { failLookups_ = fail; }

  // Every connection attempt, in order.
  struct Attempt {
    std::string localName, remoteName, user;
    std::optional<std::string> password;
    unsigned flags;
  };
  std::vector<Attempt> attempts;
  // Every removal asked for: "K: flags force".
  std::vector<std::string> cancels;
  // Decides each attempt; by default every attempt succeeds.
  std::function<ConnectAnswer(const Attempt&)> accept = [](const Attempt&) { return ConnectAnswer::Connected; };
  std::string userName = "alice";
  // What FailureReason answers, as a system would after a failure.
  std::string reason;
  std::string FailureReason() const override { return reason; }

  ConnectAnswer AddConnection(const std::string& localName, const std::string& remoteName,
                              const std::string& user, const std::optional<std::string>& password,
                              unsigned flags) override {
    attempts.push_back({localName, remoteName, user, password, flags});
    if (!IndexOf(localName)) return ConnectAnswer::Failed;
    const ConnectAnswer answer = accept(attempts.back());
    if (answer == ConnectAnswer::Connected) Connect(localName[0], remoteName);
    return answer;
  }
  bool CancelConnection(const std::string& localName, unsigned flags, bool force) override {
    cancels.push_back(localName + " " + std::to_string(flags) + " " + (force ? "force" : "keep"));
    const std::optional<std::size_t> index = IndexOf(localName);
    if (!index || !slots_[*index].remoteName) return false;
    Disconnect(localName[0]);
    return true;
  }
  std::string UserName() override { return userName; }

  bool RemoteName(const std::string& localName, std::string& remoteName) override {
    const std::optional<std::size_t> index = IndexOf(localName);
    if (failLookups_ || !index || !slots_[*index].remoteName) return false;
    remoteName = *slots_[*index].remoteName;
    return true;
  }
  DriveKind Kind(const std::string& localName) override {
    const std::optional<std::size_t> index = IndexOf(localName);
    return index ? slots_[*index].kind : DriveKind::NoRootDir;
  }

 private:
  struct Slot {
    DriveKind kind = DriveKind::NoRootDir;
    std::optional<std::string> remoteName;
  };

  static std::size_t Index(char letter) {
    const char upper = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 32) : letter;
    return static_cast<std::size_t>(upper - 'A');  // out of range throws in at()
  }
  static std::optional<std::size_t> IndexOf(const std::string& localName) {
    if (localName.size() != 2 || localName[1] != ':') return std::nullopt;
    const char c = localName[0];
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    if (upper < 'A' || upper > 'Z') return std::nullopt;
    return static_cast<std::size_t>(upper - 'A');
  }

  std::array<Slot, 26> slots_{};
  bool failLookups_ = false;
};

}  // namespace kfw::platform
