#pragma once
// Installing add-ons on the selected device: the install worker that runs
// behind the Loading dialog, and the Language and BitTorrent commands built
// on it.

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "addons/place_payload.h"
#include "core/command_result.h"
#include "core/interaction.h"
#include "platform/clock.h"
#include "platform/programs.h"
#include "platform/share_files.h"
#include "protocol/management_client.h"

namespace kfw::core {

// How a Language or BitTorrent command ended.
enum class AddonEnd {
  Installed,        // through the restart wait
  NoDevice,         // no device row was selected
  PasswordRefused,  // the administrator check failed
  DiskRefused,      // the disk or add-on state does not allow the install
  LanguageRefused,  // the firmware does not take the chosen code page
  PlacementFailed,  // a file could not be placed on the share
  Unconfirmed,      // every file was placed, but the device never confirmed the announcement
  Cancelled,        // the user closed the Language dialog
};

// How a Language or BitTorrent command ended. `restarted`: the device went
// through the restart wait, so the caller refreshes the drive views and the
// device list and clears the selection.
struct AddonResult : CommandResult<AddonEnd> {
  bool restarted = false;
};

// What the add-on workflows share for the life of the window.
struct AddonState {
  bool bitTorrentDelivered = false;
  // -1: the last add-on workflow was cancelled or refused; 0: it went
  // through the restart wait. Written by the restart filler's thread.
  std::atomic<int> addonOutcome{0};
  int languageIndex = 0;
  bool allCodepages = false;
  // The local folder a BitTorrent run staged its files in; "" when there is
  // none. The command removes it once the run is over, whatever its end.
  std::string stagingFolder;
  // The device the running command talks to, set by the command.
  protocol::DeviceRecord device;
  // Why the last install run was not confirmed: a file server's or the
  // system's reason, or the device's silence.
  std::string runFailure;
};

// The waits, shrunk by tests.
struct AddonTimings {
  std::chrono::milliseconds loadingDelay{2000};
  std::chrono::milliseconds languagePoll{1000};  // between disk-state and code-page queries
  std::chrono::milliseconds btFirstPause{1000};  // after the first add-on-state query
  std::chrono::milliseconds btPoll{2000};        // between the BitTorrent check's queries
  int restartSteps = 99;
  std::chrono::milliseconds restartStep{900};
  std::chrono::milliseconds restartTotal{90000};
};

struct AddonServices {
  protocol::ManagementClient& client;
  addons::PayloadPlacer& placer;
  platform::ShareFiles& files;  // the staging folder
  platform::ProgramStarter& programs;
  platform::DefaultBrowser& browser;  // the "explorer" form for the format page
  platform::Clock& clock;
  Interaction& user;
  AddonState& state;
  AddonTimings timings;
};

enum class RunKind { Codepage = 1, BitTorrent = 2 };
enum class ModuleSet { Linux24, Linux26 };

struct InstallTarget {
  std::string directory;  // on the share, backslash-separated: "HDD_1\.systemfile\.codepages"
  ModuleSet modules = ModuleSet::Linux24;
};

// Where a run of `kind` puts its files on a device whose share name query
// answered `sharename`; nothing for a share name the tool does not know.
std::optional<InstallTarget> TargetFor(RunKind kind, const std::string& sharename);

// How an install run ended.
enum class InstallResult {
  Confirmed,    // every file placed and the announcement answered by the device
  Unplaced,     // a file could not be placed; the device was told to stop
  Unconfirmed,  // every file placed, but the announcement went unanswered
};

// One install run of `kind` on `host`, talking to state.device, behind the
// Loading dialog: the share
// opened for writing, the kind's files placed, then the code page or the
// add-on announced. When a file could not be placed the device was told to
// stop, "Please check hard drives." shown once the dialog had closed, and
// placer.placementFailed left true; an announcement the device did not
// answer is an error of its own, since nothing says the device will
// restart with the files. A BitTorrent run keeps its staging folder in
// state.stagingFolder for the caller to remove.
InstallResult RunInstall(AddonServices& services, RunKind kind, const std::string& host);

// The language list: its texts and code pages, by index.
inline constexpr int kLanguageCount = 9;
const char* LanguageText(int index);
const char* LanguageCodepage(int index);
// The firmware message when `index` may not be chosen on this device.
std::optional<UserMessage> LanguageRefusal(int index, bool allCodepages);

// The commands. `host` is selectedHost, which names the device in share
// paths; `deviceAddress` the selected device the exchanges go to;
// `deviceSelected` whether a device row is selected.
AddonResult LanguageCommand(AddonServices& services, bool deviceSelected, const std::string& host,
                            std::string_view deviceAddress);
AddonResult BitTorrentCommand(AddonServices& services, bool deviceSelected, const std::string& host,
                              std::string_view deviceAddress);

}  // namespace kfw::core
