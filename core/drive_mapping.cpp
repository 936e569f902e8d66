#include "core/drive_mapping.h"

#include <algorithm>

#include "core/windows_version.h"

namespace kfw::core {
namespace {

constexpr unsigned kProfile = platform::kConnectUpdateProfile;
constexpr int kNtAttempts = 6;

CommandResult<ConnectOutcome> Ended(ConnectOutcome outcome, Failure failure = Failure::None,
                                    std::string detail = {}) {
  CommandResult<ConnectOutcome> result;
  result.outcome = outcome;
  result.failure = failure;
  result.detail = std::move(detail);
  return result;
}

// The letter kept, or a password no device can take: nothing was tried.
CommandResult<ConnectOutcome> NothingDone(const Interaction& user) {
  return Ended(ConnectOutcome::NothingDone, user.Abandoned() ? Failure::BadInput : Failure::Local);
}

// What a login field of the device keeps of a typed password: the share is
// tried with the same.
platform::Secret LoginField(const platform::Secret& typed) {
  std::string_view text = typed.view();
  text = text.substr(0, text.find('\0'));
  return text.substr(0, std::min(text.size(), kLoginTextMax));
}

}  // namespace

CommandResult<ConnectOutcome> ConnectShare(const DriveMappingServices& s, const DriveMappingInput& input) {
  protocol::ManagementClient& client = s.client;
  // What the Login dialog collects serves this connection only; the device
  // holds credentials of 16 bytes, and so does what is tried on its share.
  protocol::FixedText<16> typedUser;
  platform::Secret typedPassword;
  const VersionKind version = GetWindowsVersionName(s.system).kind;
  const bool nt = version == VersionKind::WindowsNT;
  const bool vista = version == VersionKind::Vista;

  // Without a device row there is no server to name in the remote name.
  if (!input.shareName || !input.deviceName) {
    s.user.Message({"Warning", "Please select a device in the above section.", MessageIcon::Exclamation});
    return Ended(ConnectOutcome::NothingDone, Failure::BadInput);
  }
  if (!input.driveItem) return Ended(ConnectOutcome::NothingDone, Failure::BadInput);
  const std::string drive = input.driveItem->substr(0, 2);
  // An item carries a remote name from its fifth character on when its
  // letter is connected already.
  if (input.driveItem->size() > 4 && s.user.AskDriveInUse() == DriveInUseAnswer::Keep) {
    return Ended(ConnectOutcome::NothingDone, Failure::Local, drive + " is in use and was kept");
  }

  const std::string remote = "\\\\" + *input.deviceName + "\\" + *input.shareName;
  // Whatever the letter held, also a connection only remembered, goes first.
  s.user.RunBlocking([&] { s.drives.CancelConnection(drive, kProfile, true); });

  const LoginQuestion shareLogin{LoginMode::ShareAccess, LockedShareUserName(s.system)};
  const auto askLogin = [&] {
    if (auto typed = s.user.AskLogin(shareLogin)) {
      typedUser = typed->user;
      typedPassword = LoginField(typed->password);
    }
  };
  bool connected = false;
  platform::ConnectAnswer answer = platform::ConnectAnswer::Failed;
  const auto attempt = [&](const std::string& user, const std::optional<std::string>& password,
                           unsigned flags) {
    s.user.RunBlocking([&] { answer = s.drives.AddConnection(drive, remote, user, password, flags); });
    connected = answer == platform::ConnectAnswer::Connected;
  };
  const auto attemptTyped = [&](const std::string& user) {
    std::optional<std::string> password = typedPassword.str();
    attempt(user, password, kProfile);
    platform::WipeSecret(*password);
  };

  if (nt) {
    askLogin();
    if (s.user.Abandoned()) return NothingDone(s.user);
    for (int i = 0; i < kNtAttempts && !connected; ++i) {
      attemptTyped(typedUser.str());
    }
  } else {
    std::optional<std::string> answered;
    s.user.RunBlocking([&] { answered = client.QueryDomain(client.DeviceAt(input.deviceAddress)); });
    const std::string domain = answered.value_or("");
    // First as the workstation's own user in the device's domain, with the
    // password the system holds; without a domain, as a guest.
    if (!domain.empty()) {
      attempt(domain + "\\" + s.drives.UserName(), std::nullopt, kProfile);
    } else {
      attempt("", std::string(), kProfile);
    }
    if (!connected && vista) {
      attempt("", std::string(), kProfile | platform::kConnectInteractive);
    } else if (!connected) {
      askLogin();
      if (s.user.Abandoned()) return NothingDone(s.user);
      const std::string user =
          domain.empty() ? typedUser.str() : domain + "\\" + typedUser.str();
      attemptTyped(user);
    }
  }
  if (!connected) {
    const bool refused = answer == platform::ConnectAnswer::Refused;
    std::string why = s.drives.FailureReason();
    if (why.empty()) why = refused ? "the share refused the credentials" : "the system gave no reason";
    const std::string detail = "cannot map " + remote + " (" + drive + "): " + why;
    s.user.Message({"Error", "Failed to map drive.", MessageIcon::Stop, detail});
    return refused ? Ended(ConnectOutcome::Refused, Failure::Refused, detail)
                   : Ended(ConnectOutcome::Failed, Failure::Local, detail);
  }
  s.user.Message({"Confirm", "Successfully mapped drive.", MessageIcon::Information});
  return Ended(ConnectOutcome::Connected);
}

CommandEnd DisconnectDrive(const DriveMappingServices& s, const DriveMappingInput& input) {
  // A selected share row decides, whatever the letters list shows.
  const std::optional<std::string>& text = input.shareName ? input.shareLocation : input.driveItem;
  if (!input.shareName && !text) return {Failure::BadInput, {}};
  const std::string drive = text.value_or("").substr(0, 2);
  bool removed = false;
  s.user.RunBlocking([&] { removed = s.drives.CancelConnection(drive, kProfile, true); });
  if (!removed) {
    std::string why = s.drives.FailureReason();
    const std::string detail = "the mapping" + (drive.empty() ? std::string() : " of " + drive) +
                               " cannot be removed: " + (why.empty() ? "the system gave no reason" : why);
    s.user.Message({"Error",
                    "Unable to disconnect this drive.\nPlease select a drive to disconnect and verify "
                    "that the drive is not being accessed.",
                    MessageIcon::Stop, detail});
    return {Failure::Local, detail};
  }
  s.user.Message({"Confirm", "Successfully unmapped drive.", MessageIcon::Information});
  return {};
}

}  // namespace kfw::core
