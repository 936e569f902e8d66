#include "platform/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kfw::platform {

namespace fs = std::filesystem;

namespace {

// As many links as the kernel itself follows in one path.
constexpr int kLinkHops = 40;
// mkostemp's six characters after the prefix.
constexpr std::size_t kTempSuffix = 6;

// ".network-drives.kfw-Ab12Cd": hidden, and named so that no file of
// anyone else's is taken for one of ours.
std::string TempPrefix(const fs::path& file) { return "." + file.filename().string() + ".kfw-"; }

// Where a write to `file` lands: the end of its chain of symbolic links, so
// that a table kept elsewhere (a dotfiles repository, say) stays linked.
// Nothing when that is not a regular file or nothing at all.
std::optional<fs::path> WriteTarget(const fs::path& file) {
  fs::path target = file;
  for (int hop = 0; hop <= kLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
      return errno == ENOENT ? std::optional(target) : std::nullopt;
    }
    if (!S_ISLNK(info.st_mode)) {
      return S_ISREG(info.st_mode) ? std::optional(target) : std::nullopt;
    }
    std::error_code ec;
    const fs::path link = fs::read_symlink(target, ec);
    if (ec) return std::nullopt;
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return std::nullopt;
}

// A writer holds an exclusive lock on its temporary file from creation to
// rename, and the lock goes with the process however it ends: a temporary
// file of ours that can be locked is one a killed writer left.
void RemoveAbandonedTemporaries(const fs::path& directory, const std::string& prefix) {
  std::error_code ec;
  for (fs::directory_iterator entry(directory.empty() ? "." : directory, ec), end; !ec && entry != end;
       entry.increment(ec)) {
    const std::string name = entry->path().filename().string();
    if (name.size() != prefix.size() + kTempSuffix || !name.starts_with(prefix)) continue;
    const int fd = ::open(entry->path().c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {}, now {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(entry->path().c_str(), &now) == 0 && now.st_ino == opened.st_ino &&
        now.st_dev == opened.st_dev) {
      ::unlink(entry->path().c_str());
    }
    ::close(fd);
  }
}

// Closes the descriptor and, unless kept, deletes the temporary file.
class TempFile {
 public:
  explicit TempFile(const std::string& pattern) {
    // Another writer tidying up may take a fresh file in the moment before
    // it is locked; the lock then finds it unlinked, and a new one is made.
    for (int attempt = 0; attempt < 5 && fd_ < 0; ++attempt) {
      path_ = pattern;
      fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
      if (fd_ < 0) return;
      int locked;
      while ((locked = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
      }
      struct stat info {};
      if (locked == 0 && ::fstat(fd_, &info) == 0 && info.st_nlink > 0) break;
      if (locked != 0) ::unlink(path_.c_str());
      Close();
      if (locked != 0) return;
    }
    created_ = fd_ >= 0;
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (created_ && !kept_) ::unlink(path_.c_str());
    Close();
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
  void Keep() { kept_ = true; }
  bool Sync() { return ::fsync(fd_) == 0; }

 private:
  // Closed only after the rename, so the lock lasts while the name is ours.
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool kept_ = false;
};

}  // namespace

bool ReplaceTextFile(const fs::path& file, std::string_view text) {
  const std::optional<fs::path> target = WriteTarget(file);
  if (!target) return false;
  std::error_code ec;
  const fs::path directory = target->parent_path();
  if (!directory.empty()) fs::create_directories(directory, ec);
  if (ec) return false;

  const std::string prefix = TempPrefix(*target);
  RemoveAbandonedTemporaries(directory, prefix);
  // The temporary file lives beside the target so that the rename is atomic.
  TempFile temp((directory / (prefix + std::string(kTempSuffix, 'X'))).string());
  if (!temp.valid()) return false;
  // The renamed file takes the temporary's mode: keep the one readers had.
  struct stat existing {};
  if (::stat(target->c_str(), &existing) == 0 && ::fchmod(temp.fd(), existing.st_mode & 07777) != 0) {
    return false;
  }
  if (!temp.WriteAll(text) || !temp.Sync()) return false;
  if (::rename(temp.path().c_str(), target->c_str()) != 0) return false;
  temp.Keep();
  return true;
}

}  // namespace kfw::platform
