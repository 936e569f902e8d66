#pragma once
// Share files through libsmbclient (\\host\share\... paths, as a guest)
// and the local file system (every other path). One SMB context per
// object, made on first use; use an object from one thread at a time
// (objects on different threads are fine: their SMB calls take turns).

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
  bool Exists(const std::string& path) override;
  std::optional<std::string> CreateStagingFolder() override;
  void RemoveStagingFolder(const std::string& folder) override;

 private:
  class File;
  struct FreeContext {
    void operator()(SMBCCTX* context) const;
  };
  // The context, made on first use; nullptr when libsmbclient cannot start.
  SMBCCTX* Context();
  std::unique_ptr<File> Open(const std::string& path, int flags);

  std::unique_ptr<SMBCCTX, FreeContext> context_;
};

}  // namespace kfw::platform
