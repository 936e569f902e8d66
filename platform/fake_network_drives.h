#pragma once
// Drive letters for tests: each letter's kind and remote name are set by the
// test; every letter starts unused (NoRootDir, no connection).

#include <array>
#include <optional>
#include <string>

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
