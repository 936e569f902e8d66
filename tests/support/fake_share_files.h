#pragma once
// Share files for tests: an in-memory file map, with shares that cannot be
// reached, shares that drop in the middle of a write, shares that refuse
// renames, files that cannot be removed and writes that fail, by path. A
// \\host\share path's share is its first two components; every other path
// is local and never connects.

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/share_files.h"

namespace kfw::platform {

class FakeShareFiles final : public ShareFiles {
 public:
  using Bytes = std::vector<uint8_t>;

  std::map<std::string, Bytes> files;
  std::set<std::string> unreachableShares;  // "\\host\share"
  // The share drops while a file is written or copied to it: the file keeps
  // the first half of its bytes and the share becomes unreachable.
  std::set<std::string> droppingShares;
  std::set<std::string> renamelessShares;  // Replace is refused
  std::set<std::string> stuckFiles;         // cannot be removed
  std::set<std::string> failingWrites;      // the write fails; the file is left empty
  // Every call, in order: "connect PATH", "write PATH", "remove PATH",
  // "copy FROM TO", "replace FROM TO".
  std::vector<std::string> calls;

  static std::optional<std::string> ShareOf(const std::string& path) {
    if (path.rfind("\\\\", 0) != 0) return std::nullopt;
    std::size_t end = path.find_first_of("\\/", 2);
    if (end != std::string::npos) end = path.find_first_of("\\/", end + 1);
    return path.substr(0, end);
  }

  bool Connect(const std::string& path) override {
    calls.push_back("connect " + path);
    const auto share = ShareOf(path);
    return share && Reachable(path);
  }
  // Names the last unreachable share, as a file server would refuse it.
  std::string FailureReason() const override { return reason_; }
  bool Write(const std::string& path, std::span<const uint8_t> bytes) override {
    calls.push_back("write " + path);
    if (!Reachable(path)) return false;
    if (failingWrites.count(path)) {
      files[path].clear();
      return false;
    }
    return Store(path, Bytes(bytes.begin(), bytes.end()));
  }
  bool Remove(const std::string& path) override {
    calls.push_back("remove " + path);
    if (!Reachable(path) || stuckFiles.count(path)) return false;
    return files.erase(path) == 1;
  }
  bool CopyNew(const std::string& from, const std::string& to) override {
    calls.push_back("copy " + from + " " + to);
    if (!Reachable(from) || !Reachable(to) || !files.count(from) || files.count(to)) return false;
    return Store(to, files[from]);
  }
  bool Replace(const std::string& from, const std::string& to) override {
    calls.push_back("replace " + from + " " + to);
    const auto share = ShareOf(to);
    if (!Reachable(from) || !Reachable(to) || !files.count(from) || stuckFiles.count(to) ||
        (share && renamelessShares.count(*share))) {
      return false;
    }
    files[to] = std::move(files[from]);
    files.erase(from);
    return true;
  }
  bool Exists(const std::string& path) override { return Reachable(path) && files.count(path); }
  // Its calls take no time, so no limit is ever reached.
  void LimitTime(std::optional<std::chrono::milliseconds>) override {}

  std::optional<std::string> CreateStagingFolder() override { return "/tmp/kfw-stage"; }
  void RemoveStagingFolder(const std::string& folder) override {
    std::erase_if(files, [&](const auto& file) { return file.first.rfind(folder + "/", 0) == 0; });
  }

 private:
  bool Store(const std::string& path, Bytes bytes) {
    const auto share = ShareOf(path);
    if (share && droppingShares.count(*share)) {
      bytes.resize(bytes.size() / 2);
      files[path] = std::move(bytes);
      unreachableShares.insert(*share);
      return false;
    }
    files[path] = std::move(bytes);
    return true;
  }
  bool Reachable(const std::string& path) {
    const auto share = ShareOf(path);
    if (!share || !unreachableShares.count(*share)) return true;
    reason_ = "cannot reach " + *share + ": Connection refused";
    return false;
  }
  std::string reason_;
};

}  // namespace kfw::platform
