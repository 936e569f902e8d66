#pragma once
// Files on a device's share, addressed as \\host\share\folder\file, and
// local files, addressed by an ordinary path: what placing an add-on's
// files on a device asks of the system. A \\ path reaches the share without
// credentials, as a guest.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kfw::platform {

class ShareFiles {
 public:
  virtual ~ShareFiles() = default;

  // Opens a connection to the share that holds `path`; false when it cannot
  // be reached (always false for a local path). A connection once made may
  // stay open for later calls.
  virtual bool Connect(const std::string& path) = 0;
  // Creates or truncates `path` and writes `bytes` in one go; true when
  // every byte was written and the file closed cleanly.
  virtual bool Write(const std::string& path, std::span<const uint8_t> bytes) = 0;
  // Deletes the file; false when it was not there or could not be deleted.
  virtual bool Remove(const std::string& path) = 0;
  // Copies `from` to `to` unless `to` already exists.
  virtual bool CopyNew(const std::string& from, const std::string& to) = 0;
  // Renames `from` to `to` in the same folder, taking the place of a file
  // already at `to`. False when it could not; `to` then holds its old bytes
  // or, where the server replaces in two steps, nothing.
  virtual bool Replace(const std::string& from, const std::string& to) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Why the last call that failed did, in words for the user: the path
  // and the system's or the file server's reason.
  virtual std::string FailureReason() const { return {}; }

  // From now on, calls that reach a share give up once `budget` has passed
  // (those already past it fail at once); nothing lifts the limit. A share
  // that accepts a connection and never answers cannot hold a caller much
  // longer than that: only Remove still goes ahead after the time is up,
  // since it is how a file cut short leaves.
  virtual void LimitTime(std::optional<std::chrono::milliseconds> budget) = 0;

  // A private local folder (mode 0700) to stage files in; nothing when it
  // cannot be made.
  virtual std::optional<std::string> CreateStagingFolder() = 0;
  // Removes a staging folder and anything left in it; errors are ignored.
  virtual void RemoveStagingFolder(const std::string& folder) = 0;
};

}  // namespace kfw::platform
