#include "platform/windows/windows_network_drives.h"

#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "platform/windows/system_error.h"
#include "platform/windows/wide_text.h"

namespace kfw::platform {
namespace {

// The flags are the system's own values; the interface names them so.
static_assert(kConnectUpdateProfile == CONNECT_UPDATE_PROFILE);
static_assert(kConnectInteractive == CONNECT_INTERACTIVE);

// UTF-16 password copies are wiped as the UTF-8 ones are.
void Wipe(std::wstring& text) {
  text.resize(text.capacity());
  volatile wchar_t* chars = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) chars[i] = 0;
  text.clear();
}

}  // namespace

std::string WindowsNetworkDrives::FailureReason() const {
  return lastError_ == NO_ERROR ? std::string() : SystemErrorText(lastError_);
}

bool WindowsNetworkDrives::Answer(unsigned long result) {
  lastError_ = result;
  return result == NO_ERROR;
}

ConnectAnswer WindowsNetworkDrives::AddConnection(const std::string& localName, const std::string& remoteName,
                                         const std::string& user, const std::optional<std::string>& password,
                                         unsigned flags) {
  std::wstring local = Widen(localName);
  std::wstring remote = Widen(remoteName);
  std::wstring userName = Widen(user);
  std::wstring secret = password ? Widen(*password) : std::wstring();
  NETRESOURCEW resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpLocalName = local.data();
  resource.lpRemoteName = remote.data();
  // A null password asks for the one the system holds for the user; an
  // empty user and password together make a guest connection.
  const DWORD result = WNetAddConnection2W(&resource, password ? secret.c_str() : nullptr,
                                           userName.empty() ? nullptr : userName.c_str(), flags);
  Wipe(secret);
  if (Answer(result)) return ConnectAnswer::Connected;
  switch (result) {
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_PASSWORD:
    case ERROR_LOGON_FAILURE:
    case ERROR_BAD_USERNAME:
      return ConnectAnswer::Refused;
    default:
      return ConnectAnswer::Failed;
  }
}

bool WindowsNetworkDrives::CancelConnection(const std::string& localName, unsigned flags, bool force) {
  return Answer(WNetCancelConnection2W(Widen(localName).c_str(), flags, force ? TRUE : FALSE));
}

std::string WindowsNetworkDrives::UserName() {
  std::vector<wchar_t> name(256);
  DWORD size = static_cast<DWORD>(name.size());
  DWORD result = WNetGetUserW(nullptr, name.data(), &size);
  if (result == ERROR_MORE_DATA) {
    name.resize(size);
    result = WNetGetUserW(nullptr, name.data(), &size);
  }
  if (result != NO_ERROR) return {};
  return Narrow(name.data());
}

bool WindowsNetworkDrives::RemoteName(const std::string& localName, std::string& remoteName) {
  const std::wstring local = Widen(localName);
  std::vector<wchar_t> name(MAX_PATH + 1);
  DWORD size = static_cast<DWORD>(name.size());
  DWORD result = WNetGetConnectionW(local.c_str(), name.data(), &size);
  if (result == ERROR_MORE_DATA) {
    name.resize(size);
    result = WNetGetConnectionW(local.c_str(), name.data(), &size);
  }
  // A remembered connection that is not live (ERROR_CONNECTION_UNAVAIL)
  // has no remote name for the program either. A letter without one is no
  // failure to report.
  if (result != NO_ERROR) return false;
  remoteName = Narrow(name.data());
  return true;
}

DriveKind WindowsNetworkDrives::Kind(const std::string& localName) {
  // GetDriveType wants the root folder: "K:\".
  std::wstring root = Widen(localName);
  if (!root.empty() && root.back() != L'\\') root += L'\\';
  switch (GetDriveTypeW(root.c_str())) {
    case DRIVE_NO_ROOT_DIR: return DriveKind::NoRootDir;
    case DRIVE_REMOVABLE: return DriveKind::Removable;
    case DRIVE_FIXED: return DriveKind::Fixed;
    case DRIVE_REMOTE: return DriveKind::Remote;
    case DRIVE_CDROM: return DriveKind::CdRom;
    case DRIVE_RAMDISK: return DriveKind::RamDisk;
    default: return DriveKind::Unknown;
  }
}

}  // namespace kfw::platform
