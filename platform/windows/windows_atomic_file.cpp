#include <windows.h>

#include <system_error>

#include "platform/atomic_file.h"

namespace kfw::platform {

namespace fs = std::filesystem;

bool ReplaceTextFile(const fs::path& file, std::string_view text) {
  std::error_code ec;
  const fs::path directory = file.parent_path();
  if (!directory.empty()) fs::create_directories(directory, ec);
  if (ec) return false;

  // The temporary file lives beside the target so that the move is one
  // rename on the same volume. A new file takes the folder's permissions,
  // which in the user's profile are the user's own.
  const fs::path temp =
      directory / (L"." + file.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  HANDLE handle = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool written = true;
  while (written && !text.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
    DWORD done = 0;
    written = WriteFile(handle, text.data(), chunk, &done, nullptr) && done > 0;
    text.remove_prefix(done);
  }
  written = written && FlushFileBuffers(handle);
  written = CloseHandle(handle) && written;
  // The replaced file stays an ordinary one, not a hidden temporary.
  written = written && SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (written && MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temp.c_str());
  return false;
}

}  // namespace kfw::platform
