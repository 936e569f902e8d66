#include "platform/atomic_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kfw::platform {

namespace fs = std::filesystem;

namespace {

// Closes the descriptor and, unless kept, deletes the temporary file.
class TempFile {
 public:
  explicit TempFile(std::string pattern) : path_(std::move(pattern)) {
    fd_ = ::mkstemp(path_.data());
    created_ = fd_ >= 0;
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    Close();
    if (created_ && !kept_) ::unlink(path_.c_str());
  }
  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  bool WriteAll(std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  bool SyncAndClose() {
    const bool synced = ::fsync(fd_) == 0;
    return Close() && synced;
  }
  void Keep() { kept_ = true; }

 private:
  bool Close() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool kept_ = false;
};

}  // namespace

bool ReplaceTextFile(const fs::path& file, std::string_view text) {
  std::error_code ec;
  const fs::path directory = file.parent_path();
  if (!directory.empty()) fs::create_directories(directory, ec);
  if (ec) return false;

  // The temporary file lives beside the target so that the rename is atomic.
  TempFile temp((directory / ("." + file.filename().string() + ".XXXXXX")).string());
  if (!temp.valid()) return false;
  // The renamed file takes the temporary's mode: keep the one readers had.
  struct stat existing {};
  if (::stat(file.c_str(), &existing) == 0 && ::fchmod(temp.fd(), existing.st_mode & 07777) != 0) {
    return false;
  }
  if (!temp.WriteAll(text) || !temp.SyncAndClose()) return false;
  if (::rename(temp.path().c_str(), file.c_str()) != 0) return false;
  temp.Keep();
  return true;
}

}  // namespace kfw::platform
