#include "platform/windows/windows_share_files.h"

#include <windows.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/windows/system_error.h"
#include "platform/windows/wide_text.h"

namespace kfw::platform {
namespace {

// "\\host\share" of a UNC path; nothing for a local path.
std::optional<std::wstring> ShareRoot(const std::wstring& path) {
  if (path.size() < 3 || path.compare(0, 2, L"\\\\") != 0) return std::nullopt;
  const auto host = path.find_first_of(L"\\/", 2);
  if (host == std::wstring::npos || host == 2) return std::nullopt;
  const auto share = path.find_first_of(L"\\/", host + 1);
  if (share == host + 1) return std::nullopt;
  return path.substr(0, share);
}

// Either slash separates; the system takes both, except in a share's root.
std::wstring PathOf(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.compare(0, 2, L"//") == 0) wide[0] = wide[1] = L'\\';
  return wide;
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool Close() {
    if (!valid()) return true;
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

// Cancels a copy once the time limit has passed.
DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE,
                            HANDLE, LPVOID timeIsUp) {
  return (*static_cast<std::function<bool()>*>(timeIsUp))() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

}  // namespace

bool WindowsShareFiles::Fail(const char* what, const std::string& path) {
  const DWORD code = GetLastError();
  reason_ = std::string(what) + " " + path + ": " +
            (ShareRoot(PathOf(path)) && TimeIsUp() ? std::string("the file server did not answer in time")
                                                    : SystemErrorText(code));
  return false;
}

bool WindowsShareFiles::TimeIsUp() const { return deadline_ && std::chrono::steady_clock::now() >= *deadline_; }

void WindowsShareFiles::LimitTime(std::optional<std::chrono::milliseconds> budget) {
  deadline_.reset();
  if (budget) deadline_ = std::chrono::steady_clock::now() + *budget;
}

bool WindowsShareFiles::Connect(const std::string& path) {
  const auto root = ShareRoot(PathOf(path));
  if (!root || TimeIsUp()) return Fail("cannot connect to", path);
  // The share's root answers once the system has a session with its host.
  const DWORD attributes = GetFileAttributesW((*root + L"\\").c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  return Fail("cannot connect to", path);
}

bool WindowsShareFiles::Write(const std::string& path, std::span<const uint8_t> bytes) {
  const bool onShare = ShareRoot(PathOf(path)).has_value();
  if (onShare && TimeIsUp()) return Fail("cannot create", path);
  Handle file(CreateFileW(PathOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
  if (!file.valid()) return Fail("cannot create", path);
  std::span<const uint8_t> left = bytes;
  while (!left.empty()) {
    if (onShare && TimeIsUp()) return Fail("cannot write", path);
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left.size(), onShare ? 1u << 20 : 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.get(), left.data(), chunk, &written, nullptr) || written == 0) return Fail("cannot write", path);
    left = left.subspan(written);
  }
  return file.Close() || Fail("cannot write", path);
}

bool WindowsShareFiles::Remove(const std::string& path) { return DeleteFileW(PathOf(path).c_str()) != 0; }

bool WindowsShareFiles::CopyNew(const std::string& from, const std::string& to) {
  const bool onShare = ShareRoot(PathOf(from)) || ShareRoot(PathOf(to));
  if (onShare && TimeIsUp()) return Fail("cannot copy to", to);
  std::function<bool()> timeIsUp = [this, onShare] { return onShare && TimeIsUp(); };
  return CopyFileExW(PathOf(from).c_str(), PathOf(to).c_str(), CopyProgress, &timeIsUp, nullptr,
                     COPY_FILE_FAIL_IF_EXISTS) != 0 ||
         Fail("cannot copy to", to);
}

bool WindowsShareFiles::Replace(const std::string& from, const std::string& to) {
  if (ShareRoot(PathOf(to)) && TimeIsUp()) return Fail("cannot rename", from);
  return MoveFileExW(PathOf(from).c_str(), PathOf(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
         Fail("cannot rename", from);
}

bool WindowsShareFiles::Exists(const std::string& path) {
  if (ShareRoot(PathOf(path)) && TimeIsUp()) return false;
  return GetFileAttributesW(PathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> WindowsShareFiles::CreateStagingFolder() {
  std::vector<wchar_t> temp(MAX_PATH + 2);
  const DWORD length = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  if (length == 0 || length >= temp.size()) return std::nullopt;
  const std::wstring base(temp.data(), length);
  const std::wstring prefix = base + L"kfw-stage-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder = prefix + std::to_wstring(GetTickCount() + attempt);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return Narrow(folder);
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

void WindowsShareFiles::RemoveStagingFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(PathOf(folder)), ignored);
}

}  // namespace kfw::platform
