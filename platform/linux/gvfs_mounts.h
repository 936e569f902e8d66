#pragma once
// Mounting a share in the user's desktop session through GIO and GVfs, so
// that it shows as a local folder (GVfs's FUSE bridge) that any program can
// open. Each call runs a private GLib main context of its own, so it works
// from any thread, whether or not the program runs a GLib main loop.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/secret.h"

namespace kfw::platform {

struct SmbCredentials {
  SmbCredentials() = default;
  SmbCredentials(const SmbCredentials&) = default;
  SmbCredentials& operator=(const SmbCredentials&) = default;
  ~SmbCredentials() { WipeSecret(password); }

  std::string user;  // without the domain
  std::string domain;
  std::string password;
  // An empty user and password ask for a guest (anonymous) connection.
  bool guest() const { return user.empty() && password.empty(); }
};

// The credentials for `user` ("name" or "DOMAIN\name"). A password left
// out means the one the system holds for the user; this system holds none,
// so it is empty.
SmbCredentials CredentialsFor(std::string_view user, const std::optional<std::string>& password);

// "\\host\share" as "smb://host/share", with the user (and domain) in the
// URI so that the share is first tried as that user; nothing for a remote
// name of another shape.
std::optional<std::string> SmbUri(std::string_view remoteName, const SmbCredentials& credentials);

struct MountOutcome {
  bool ok = false;
  bool refused = false;  // the server turned the credentials down
  std::string folder;  // the mount's local folder
  std::string error;   // why not, for diagnostics (never holds the password)
};

// Mounts `uri` with `credentials` (given once: a second request for them
// means they were refused, and the mount fails). A location mounted
// already counts as mounted. On failure nothing this call mounted stays.
MountOutcome MountSmb(const std::string& uri, const SmbCredentials& credentials,
                      std::chrono::milliseconds timeout);

// The local folders of the session's mounts, as GVfs lists them. Only the
// session's own daemons are asked, never a server: a share whose server has
// stopped answering is listed as promptly as any other.
std::vector<std::string> MountedFolders();

enum class UnmountOutcome { Unmounted, NotMounted, Failed };

// Unmounts the session's mount whose local folder is `folder`; with
// `force`, even while files on it are open.
UnmountOutcome UnmountFolder(const std::string& folder, bool force,
                             std::chrono::milliseconds timeout, std::string& error);

}  // namespace kfw::platform
