#include "platform/linux/smb_share_files.h"

#include <fcntl.h>
#include <libsmbclient.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <vector>

namespace kfw::platform {

namespace {

// A guest: empty user and password in the device's usual workgroup.
void GuestAuth(SMBCCTX*, const char*, const char*, char* workgroup, int workgroupLength, char* user,
               int userLength, char* password, int passwordLength) {
  if (workgroupLength > 0) std::snprintf(workgroup, static_cast<std::size_t>(workgroupLength), "%s", "WORKGROUP");
  if (userLength > 0) user[0] = '\0';
  if (passwordLength > 0) password[0] = '\0';
}

void Quiet(void*, int, const char*) {}

// libsmbclient as built here keeps its per-call memory frames and its
// configuration process-wide, not per thread; calls from different
// objects on different threads take turns.
std::recursive_mutex& SmbLock() {
  static std::recursive_mutex lock;
  return lock;
}
#define KFW_SMB_TURN std::lock_guard<std::recursive_mutex> turn(SmbLock())

// The largest single request handed to libsmbclient, which splits it into
// pipelined SMB2 writes of the negotiated size.
constexpr std::size_t kChunk = 8u << 20;
// libsmbclient waits this long for a connection and for each answer (its
// own default is 20 s). A device answers in far less; one that took the
// connection and says nothing is given up soon.
constexpr std::chrono::milliseconds kAnswerTimeout{5000};
// What goes to a share at a time: the whole of it has to be answered within
// kAnswerTimeout, also from a device that takes only a few hundred KiB a
// second.
constexpr std::size_t kShareChunk = 1u << 20;

}  // namespace

// An open file, local (a descriptor) or on a share (an SMBCFILE), closed
// when it goes.
class SmbShareFiles::File {
 public:
  File(int fd) : fd_(fd) {}
  File(SMBCCTX* context, SMBCFILE* file) : context_(context), file_(file) {}
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Gives up before a chunk to a share when `timeIsUp` says so.
  bool WriteAll(std::span<const uint8_t> bytes, const std::function<bool()>& timeIsUp) {
    while (!bytes.empty()) {
      if (file_ && timeIsUp()) return false;
      const std::size_t size = std::min(bytes.size(), file_ ? kShareChunk : kChunk);
      const ssize_t n = file_ ? smbc_getFunctionWrite(context_)(context_, file_, bytes.data(), size)
                              : ::write(fd_, bytes.data(), size);
      if (n < 0 && errno == EINTR && !file_) continue;
      if (n <= 0) return false;
      bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
  }
  // The rest of the file; nothing on a read error or when `timeIsUp`
  // before a chunk from a share.
  std::optional<std::vector<uint8_t>> ReadAll(const std::function<bool()>& timeIsUp) {
    std::vector<uint8_t> bytes;
    std::size_t used = 0;
    const std::size_t chunk = file_ ? kShareChunk : kChunk;
    for (;;) {
      if (file_ && timeIsUp()) return std::nullopt;
      bytes.resize(used + chunk);
      const ssize_t n = file_ ? smbc_getFunctionRead(context_)(context_, file_, bytes.data() + used, chunk)
                              : ::read(fd_, bytes.data() + used, chunk);
      if (n < 0 && errno == EINTR && !file_) continue;
      if (n < 0) return std::nullopt;
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
  }
  // True when the file closed cleanly (its last writes reached the disk or
  // the server).
  bool Close() {
    bool ok = true;
    if (file_) ok = smbc_getFunctionClose(context_)(context_, file_) == 0;
    if (fd_ >= 0) ok = ::close(fd_) == 0;
    file_ = nullptr;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_ = -1;
  SMBCCTX* context_ = nullptr;
  SMBCFILE* file_ = nullptr;
};

void SmbShareFiles::FreeContext::operator()(SMBCCTX* context) const {
  KFW_SMB_TURN;
  smbc_free_context(context, 1);
}

SmbShareFiles::SmbShareFiles() = default;
SmbShareFiles::~SmbShareFiles() = default;

std::optional<std::string> SmbShareFiles::UrlOf(const std::string& path) {
  if (path.rfind("\\\\", 0) != 0) return std::nullopt;
  std::string url = "smb://";
  for (char c : std::string_view(path).substr(2)) {
    if (c == '\\') url += '/';
    else if (c == '%') url += "%25";  // the URL is percent-decoded
    else url += c;
  }
  return url;
}

bool SmbShareFiles::Fail(const char* what, const std::string& path, int error) {
  reason_ = std::string(what) + " " + path + ": ";
  if (UrlOf(path) && TimeIsUp()) reason_ += "the file server did not answer in time";
  else if (error == 0) reason_ += "failed";
  else reason_ += std::strerror(error);
  return false;
}

bool SmbShareFiles::TimeIsUp() const { return deadline_ && std::chrono::steady_clock::now() >= *deadline_; }

void SmbShareFiles::LimitTime(std::optional<std::chrono::milliseconds> budget) {
  KFW_SMB_TURN;
  deadline_.reset();
  if (budget) deadline_ = std::chrono::steady_clock::now() + *budget;
}

SMBCCTX* SmbShareFiles::Context(bool cleanUp) {
  if (TimeIsUp() && !cleanUp) return nullptr;
  auto timeout = kAnswerTimeout;
  if (deadline_ && !cleanUp) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - std::chrono::steady_clock::now());
    timeout = std::clamp(left, std::chrono::milliseconds(1), kAnswerTimeout);
  }
  if (context_) {
    smbc_setTimeout(context_.get(), static_cast<int>(timeout.count()));
    return context_.get();
  }
  SMBCCTX* context = smbc_new_context();
  if (!context) return nullptr;
  smbc_setDebug(context, 0);
  smbc_setLogCallback(context, nullptr, Quiet);
  smbc_setFunctionAuthDataWithContext(context, GuestAuth);
  smbc_setOptionUseKerberos(context, 0);
  smbc_setOptionFallbackAfterKerberos(context, 1);
  smbc_setOptionNoAutoAnonymousLogin(context, 0);
  smbc_setOptionUseCCache(context, 0);
  if (!smbc_init_context(context)) {
    smbc_free_context(context, 0);
    return nullptr;
  }
  // The machine's own smb.conf (loaded by the call above) may pin
  // protocols, signing or name resolution for its own shares; the tool
  // talks to devices with the client's defaults and SMB2 or later.
  smbc_setConfiguration(context, "/dev/null");
  smbc_setOptionProtocols(context, "SMB2_02", "SMB3");
  smbc_setTimeout(context, static_cast<int>(timeout.count()));
  context_.reset(context);
  return context;
}

std::unique_ptr<SmbShareFiles::File> SmbShareFiles::Open(const std::string& path, int flags) {
  if (const auto url = UrlOf(path)) {
    SMBCCTX* context = Context();
    if (!context) return nullptr;
    SMBCFILE* file = smbc_getFunctionOpen(context)(context, url->c_str(), flags, 0644);
    return file ? std::make_unique<File>(context, file) : nullptr;
  }
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  return fd >= 0 ? std::make_unique<File>(fd) : nullptr;
}

bool SmbShareFiles::Connect(const std::string& path) {
  KFW_SMB_TURN;
  const auto url = UrlOf(path);
  if (!url) return Fail("cannot connect to", path, EINVAL);
  // smb://host/share: the share's root.
  std::size_t end = url->find('/', 6);
  if (end != std::string::npos) end = url->find('/', end + 1);
  const std::string share = url->substr(0, end);
  SMBCCTX* context = Context();
  if (!context) return Fail("cannot connect to", path, ENOPKG);
  SMBCFILE* folder = smbc_getFunctionOpendir(context)(context, share.c_str());
  if (!folder) return Fail("cannot connect to", path, errno);
  smbc_getFunctionClosedir(context)(context, folder);
  return true;
}

bool SmbShareFiles::Write(const std::string& path, std::span<const uint8_t> bytes) {
  KFW_SMB_TURN;
  errno = 0;
  const auto file = Open(path, O_WRONLY | O_CREAT | O_TRUNC);
  if (!file) return Fail("cannot create", path, errno);
  if (!file->WriteAll(bytes, [this] { return TimeIsUp(); }) || !file->Close()) {
    return Fail("cannot write", path, errno);
  }
  return true;
}

bool SmbShareFiles::Remove(const std::string& path) {
  KFW_SMB_TURN;
  if (const auto url = UrlOf(path)) {
    SMBCCTX* context = Context(/*cleanUp=*/true);
    return context && smbc_getFunctionUnlink(context)(context, url->c_str()) == 0;
  }
  return ::unlink(path.c_str()) == 0;
}

bool SmbShareFiles::CopyNew(const std::string& from, const std::string& to) {
  KFW_SMB_TURN;
  errno = 0;
  const auto source = Open(from, O_RDONLY);
  if (!source) return Fail("cannot open", from, errno);
  const auto bytes = source->ReadAll([this] { return TimeIsUp(); });
  if (!bytes) return Fail("cannot read", from, errno);
  const auto target = Open(to, O_WRONLY | O_CREAT | O_EXCL);
  if (!target) return Fail("cannot create", to, errno);
  if (!target->WriteAll(*bytes, [this] { return TimeIsUp(); }) || !target->Close()) {
    return Fail("cannot write", to, errno);
  }
  return true;
}

bool SmbShareFiles::Replace(const std::string& from, const std::string& to) {
  KFW_SMB_TURN;
  const auto fromUrl = UrlOf(from), toUrl = UrlOf(to);
  // A rename never leaves its share.
  if (!fromUrl != !toUrl) return Fail("cannot rename", from, EXDEV);
  if (!fromUrl) return std::rename(from.c_str(), to.c_str()) == 0 || Fail("cannot rename", from, errno);
  SMBCCTX* context = Context();
  if (!context) return Fail("cannot rename", from, ENOPKG);
  const auto rename = smbc_getFunctionRename(context);
  if (rename(context, fromUrl->c_str(), context, toUrl->c_str()) == 0) return true;
  if (errno != EEXIST) return Fail("cannot rename", from, errno);
  if (smbc_getFunctionUnlink(context)(context, toUrl->c_str()) == 0 &&
      rename(context, fromUrl->c_str(), context, toUrl->c_str()) == 0) {
    return true;
  }
  return Fail("cannot rename", from, errno);
}

bool SmbShareFiles::Exists(const std::string& path) {
  KFW_SMB_TURN;
  struct stat info {};
  if (const auto url = UrlOf(path)) {
    SMBCCTX* context = Context();
    return context && smbc_getFunctionStat(context)(context, url->c_str(), &info) == 0;
  }
  return ::stat(path.c_str(), &info) == 0;
}

std::optional<std::string> SmbShareFiles::CreateStagingFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/kfw-stage-XXXXXX";
  if (!mkdtemp(folder.data())) return std::nullopt;  // mkdtemp makes it 0700
  return folder;
}

void SmbShareFiles::RemoveStagingFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace kfw::platform
