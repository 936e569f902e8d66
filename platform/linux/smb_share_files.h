#pragma once
// Share files through libsmbclient (\\host\share\... paths, as a guest)
// and the local file system (every other path). One SMB context per
// object, made on first use; use an object from one thread at a time
// (objects on different threads are fine: their SMB calls take turns).

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/share_files.h"

typedef struct _SMBCCTX SMBCCTX;

namespace kfw::platform {

class SmbShareFiles final : public ShareFiles {
 public:
  SmbShareFiles();
  ~SmbShareFiles() override;

  // smb://host/share/dir/file for \\host\share\dir\file (either slash
  // separates); nothing for a local path.
  static std::optional<std::string> UrlOf(const std::string& path);

  bool Connect(const std::string& path) override;
  bool Write(const std::string& path, std::span<const uint8_t> bytes) override;
  bool Remove(const std::string& path) override;
  bool CopyNew(const std::string& from, const std::string& to) override;
  // The server's rename, and where it will not replace a file, the file
  // deleted and the rename tried once more.
  bool Replace(const std::string& from, const std::string& to) override;
  bool Exists(const std::string& path) override;
  // Remove, a clean-up, leaves the reason of the failure before it.
  std::string FailureReason() const override { return reason_; }
  void LimitTime(std::optional<std::chrono::milliseconds> budget) override;
  std::optional<std::string> CreateStagingFolder() override;
  void RemoveStagingFolder(const std::string& folder) override;

 private:
  class File;
  struct FreeContext {
    void operator()(SMBCCTX* context) const;
  };
  // The context, made on first use, with its time-out cut to what is left
  // of the time limit; nullptr when libsmbclient cannot start or the time
  // is up. A clean-up goes ahead with the full time-out regardless.
  SMBCCTX* Context(bool cleanUp = false);
  std::unique_ptr<File> Open(const std::string& path, int flags);
  bool TimeIsUp() const;
  // Records why `what` failed on `path` (errno `error`, or the time limit).
  bool Fail(const char* what, const std::string& path, int error);

  std::unique_ptr<SMBCCTX, FreeContext> context_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
  std::string reason_;
};

}  // namespace kfw::platform
