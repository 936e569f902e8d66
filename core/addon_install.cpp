#include "core/addon_install.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <string_view>

#include "core/admin_check.h"
#include "platform/ascii.h"
#include "protocol/safe_text.h"

namespace kfw::core {
namespace {

constexpr int kLanguagePolls = 10;  // disk state and code page, Language dialog
constexpr int kSharenamePolls = 10;
constexpr int kBitTorrentPolls = 15;

const char* const kNoDrives =
    "No hard drives were detected.\n"
    "Please verify that the hard drives are properly connected before continuing.";
const char* const kFormat = "Please format hard drive.";
const char* const kCheckDrives = "Please check hard drives.";
const char* const kBitTorrentUnsupported = "BitTorrent does not supported on this device now.";
const char* const kUnconfirmed = "The device did not confirm the installation.";

struct Language {
  const char* text;
  const char* codepage;
};

// In the order of the Language dialog's list.
constexpr Language kLanguages[kLanguageCount] = {
    {"Traditional Chinese", "950"}, {"Simplified Chinese", "936"}, {"Western European", "850"},
    {"Northern European", "865"},   {"Central European", "852"},   {"Turkish", "857"},
    {"Korean Hangul", "949"},       {"Cyrillic", "866"},            {"Japanese SJIS", "932"},
};

// Which kernel a code page file is for: the devices whose share is HDD_a
// run 2.4 and load .o modules, the HDD_1 ones 2.6 and .ko.
enum class FileSet { All, Linux24, Linux26 };

struct CodepageFile {
  const char* codepage;
  uint16_t payload;
  const char* name;
  FileSet set;
};

// Every code page's files, in the order they are written. Northern European,
// Central European and Turkish need none: the firmware that takes them has
// them built in.
constexpr CodepageFile kCodepageFiles[] = {
    {"950", 151, "codepage.950", FileSet::All},
    {"950", 153, "nls_cp950.o", FileSet::Linux24},
    {"950", 155, "nls_big5.o", FileSet::Linux24},
    {"950", 174, "nls_cp950.ko", FileSet::Linux26},
    {"950", 192, "nls_cp950_12.ko", FileSet::Linux26},
    {"950", 156, "unicode_map.950", FileSet::All},

    {"936", 157, "codepage.936", FileSet::All},
    {"936", 158, "nls_cp936.o", FileSet::Linux24},
    {"936", 159, "nls_gb2312.o", FileSet::Linux24},
    {"936", 175, "nls_cp936.ko", FileSet::Linux26},
    {"936", 190, "nls_cp936_12.ko", FileSet::Linux26},
    {"936", 160, "unicode_map.936", FileSet::All},

    {"850", 143, "codepage.850", FileSet::All},
    {"850", 145, "nls_cp850.o", FileSet::Linux24},
    {"850", 179, "nls_cp850.ko", FileSet::Linux26},
    {"850", 187, "nls_cp850_12.ko", FileSet::Linux26},
    {"850", 148, "unicode_map.850", FileSet::All},

    {"949", 165, "codepage.949", FileSet::All},
    {"949", 166, "nls_cp949.o", FileSet::Linux24},
    {"949", 167, "nls_euc-kr.o", FileSet::Linux24},
    {"949", 176, "nls_cp949.ko", FileSet::Linux26},
    {"949", 191, "nls_cp949_12.ko", FileSet::Linux26},
    {"949", 168, "unicode_map.949", FileSet::All},

    {"866", 169, "codepage.866", FileSet::All},
    {"866", 170, "nls_cp866.o", FileSet::Linux24},
    {"866", 185, "nls_koi8-r.o", FileSet::Linux24},
    {"866", 177, "nls_cp866.ko", FileSet::Linux26},
    {"866", 183, "nls_koi8-r.ko", FileSet::Linux26},
    {"866", 188, "nls_cp866_12.ko", FileSet::Linux26},
    {"866", 194, "nls_koi8-r_12.ko", FileSet::Linux26},
    {"866", 171, "unicode_map.866", FileSet::All},
    {"866", 184, "unicode_map.KOI8-R", FileSet::All},

    {"932", 161, "codepage.932", FileSet::All},
    {"932", 162, "nls_cp932.o", FileSet::Linux24},
    {"932", 163, "nls_euc-jp.o", FileSet::Linux24},
    {"932", 172, "nls_sjis.o", FileSet::Linux24},
    {"932", 173, "nls_cp932.ko", FileSet::Linux26},
    {"932", 178, "nls_euc-jp.ko", FileSet::Linux26},
    {"932", 189, "nls_cp932_12.ko", FileSet::Linux26},
    {"932", 193, "nls_euc-jp_12.ko", FileSet::Linux26},
    {"932", 164, "unicode_map.932", FileSet::All},
};

// A state the device answers as a decimal number; anything unreadable is 0.
int StateNumber(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  int value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc()) return 0;
  return value;
}

bool Wants(FileSet set, ModuleSet modules) {
  return set == FileSet::All || (set == FileSet::Linux24 && modules == ModuleSet::Linux24) ||
         (set == FileSet::Linux26 && modules == ModuleSet::Linux26);
}

std::string SharePath(const std::string& host, const InstallTarget& target, const char* name) {
  return "\\\\" + host + "\\" + target.directory + "\\" + name;
}

// Each file reaches the share under a partial name and is renamed into place
// once whole (the placer's doing), so the device never loads a module cut
// short.
bool PlaceCodepageFiles(AddonServices& s, const std::string& host, const InstallTarget& target) {
  const std::string_view codepage = LanguageCodepage(s.state.languageIndex);
  std::vector<const CodepageFile*> files;
  std::vector<addons::PayloadRef> payloads;
  for (const CodepageFile& file : kCodepageFiles) {
    if (file.codepage != codepage || !Wants(file.set, target.modules)) continue;
    files.push_back(&file);
    payloads.push_back({"Codepage", file.payload});
  }
  s.placer.BeginRun(payloads);
  const bool placed = std::all_of(files.begin(), files.end(), [&](const CodepageFile* file) {
    return s.placer.PlacePayload("Codepage", file->payload, SharePath(host, target, file->name), "");
  });
  s.placer.EndRun();
  return placed;
}

// The add-on's two programs are written whole to a local staging folder,
// copied to the share under a partial name and renamed into place, so a
// half-written file never reaches the device under a name it runs.
bool PlaceBitTorrentFiles(AddonServices& s, const std::string& host, const InstallTarget& target) {
  const auto staging = s.files.CreateStagingFolder();
  if (!staging) {
    s.state.runFailure = "no local folder could be made to stage the add-on in";
    return false;
  }
  s.state.stagingFolder = *staging;
  constexpr addons::PayloadRef kPrograms[] = {{"BT", 215}, {"BT", 220}};
  s.placer.BeginRun(kPrograms);
  const bool placed = s.placer.PlacePayload("BT", 215, *staging + "/bt", SharePath(host, target, "bt")) &&
                      s.placer.PlacePayload("BT", 220, *staging + "/btdog", SharePath(host, target, "btdog"));
  s.placer.EndRun();
  return placed;
}

// Behind the Loading dialog, on its worker thread: asks nothing of the user.
InstallResult InstallWork(AddonServices& s, RunKind kind, const std::string& host) {
  protocol::ManagementClient& client = s.client;
  const protocol::DeviceRecord& device = s.state.device;
  s.placer.placementFailed = false;
  s.state.runFailure.clear();
  client.SetAccessMode(device, "rw");

  std::string sharename;
  for (int i = 0; i < kSharenamePolls; ++i) {
    sharename = client.QuerySharename(device).value_or("");
    if (platform::SameIgnoringCase(sharename, "HDD_1") || platform::SameIgnoringCase(sharename, "HDD_a")) break;
  }
  const auto target = TargetFor(kind, sharename);
  const bool placed = target && (kind == RunKind::Codepage ? PlaceCodepageFiles(s, host, *target)
                                                           : PlaceBitTorrentFiles(s, host, *target));
  if (!placed) {
    // Whatever made the run fail, the Language dialog comes back.
    s.placer.placementFailed = true;
    if (!target) {
      s.state.runFailure = "the device's share \"" + protocol::CutText(sharename, 32) + "\" takes no add-ons";
    } else if (s.state.runFailure.empty()) {
      s.state.runFailure = s.placer.failureReason;
    }
    client.SetControl(device, "stop");
    return InstallResult::Unplaced;
  }

  // The device answers a set it took; without that answer it may never
  // load the files, so the run is not called done.
  if (kind == RunKind::Codepage) {
    if (!client.SetCodepage(device, LanguageCodepage(s.state.languageIndex))) {
      s.state.runFailure = std::string("the device did not answer the setting of code page ") +
                           LanguageCodepage(s.state.languageIndex);
      return InstallResult::Unconfirmed;
    }
  } else {
    if (!client.SetAddon(device, "BT")) {
      s.state.runFailure = "the device did not answer the announcement of the add-on";
      return InstallResult::Unconfirmed;
    }
    s.state.bitTorrentDelivered = true;
  }
  return InstallResult::Confirmed;
}

// What a device answers about its disk, as a number.
enum class DiskState {
  Unknown = 0,       // no answer, or one the commands do not know
  NoDrives = 1,
  Unformatted = 2,
  Ready = 3,
  Unicode = 4,       // ready; takes Unicode, so needs no code page files
  AllCodepages = 5,  // ready, and its firmware takes every code page
};

// Asks the disk state up to `polls` times, pausing `pause` after each
// answer, until it is one the commands know; Unknown when none came.
DiskState PollDiskState(AddonServices& s, int polls, std::chrono::milliseconds pause) {
  for (int i = 0; i < polls; ++i) {
    const std::string ideok = s.client.QueryIdeok(s.state.device).value_or("");
    s.clock.Sleep(pause);
    const int state = StateNumber(ideok);
    if (state >= 1 && state <= 5) return static_cast<DiskState>(state);
  }
  return DiskState::Unknown;
}

// The device's current code page picks the entry the Language dialog opens
// on; Western European when it names none of the list.
int PreselectedLanguage(AddonServices& s) {
  for (int i = 0; i < kLanguagePolls; ++i) {
    const std::string codepage = s.client.QueryCodepage(s.state.device).value_or("");
    s.clock.Sleep(s.timings.languagePoll);
    for (int index = 0; index < kLanguageCount; ++index) {
      if (codepage == kLanguages[index].codepage) return index;
    }
  }
  return 2;
}

void OpenFormatPage(AddonServices& s, const std::string& host) {
  s.user.Message({"", kFormat});
  s.programs.Run(s.browser.Explorer() + " http://" + host, false);
}

// The Language dialog and the run it asks for. Ends with state.addonOutcome
// set: 0 after the restart wait, -1 for every other end.
AddonEnd LanguageWorkflow(AddonServices& s, const std::string& host) {
  AddonState& state = s.state;
  // What a closed dialog ends the command as: after a refusal or a failed
  // run it was the device that stopped the user.
  AddonEnd closedAs = AddonEnd::Cancelled;
  for (;;) {
    DiskState disk = DiskState::Unknown;
    s.user.RunBlocking([&] { disk = PollDiskState(s, kLanguagePolls, s.timings.languagePoll); });
    state.allCodepages = disk == DiskState::AllCodepages;
    if (disk == DiskState::AllCodepages) disk = DiskState::Ready;
    if (disk != DiskState::Ready) state.addonOutcome = -1;
    switch (disk) {
      case DiskState::NoDrives: s.user.Message({"", kNoDrives}); return AddonEnd::DiskRefused;
      case DiskState::Unformatted: OpenFormatPage(s, host); return AddonEnd::DiskRefused;
      case DiskState::Ready: break;
      case DiskState::Unicode: s.user.Message({"", "This device supports Unicode."}); return AddonEnd::DiskRefused;
      default:
        s.user.Message({"", "Multi-language options are not supported on this device."});
        return AddonEnd::DiskRefused;
    }

    int preselected = 2;
    s.user.RunBlocking([&] { preselected = PreselectedLanguage(s); });
    std::optional<int> chosen;
    for (;;) {
      chosen = s.user.AskLanguage({preselected, state.allCodepages});
      if (!chosen || *chosen < 0 || *chosen >= kLanguageCount) break;
      // The dialog refuses these itself; a front end that let one through
      // gets the same answer here, and the dialog again.
      const auto refusal = LanguageRefusal(*chosen, state.allCodepages);
      if (!refusal) break;
      s.user.Message(*refusal);
      closedAs = AddonEnd::LanguageRefused;
    }
    if (!chosen || *chosen < 0 || *chosen >= kLanguageCount) {
      state.addonOutcome = -1;
      return closedAs;
    }

    state.languageIndex = *chosen;
    const InstallResult result = RunInstall(s, RunKind::Codepage, host);
    // A failed run gives the user a new dialog, after a fresh disk check.
    if (result == InstallResult::Unplaced) {
      closedAs = AddonEnd::PlacementFailed;
      continue;
    }
    if (result == InstallResult::Unconfirmed) {
      state.addonOutcome = -1;
      return AddonEnd::Unconfirmed;
    }
    s.user.WaitRestart({s.timings.restartSteps, s.timings.restartStep, s.timings.restartTotal,
                        [&state] { state.addonOutcome = 0; }});
    return AddonEnd::Installed;
  }
}

// The disk state (every ready one counts as Ready) and the add-on state,
// for the BitTorrent check.
struct BitTorrentCheck {
  DiskState disk = DiskState::Unknown;
  int addon = 0;
};

BitTorrentCheck CheckBitTorrent(AddonServices& s) {
  BitTorrentCheck check;
  check.disk = PollDiskState(s, kBitTorrentPolls, s.timings.btPoll);
  if (check.disk == DiskState::Unicode || check.disk == DiskState::AllCodepages) check.disk = DiskState::Ready;

  protocol::ManagementClient& client = s.client;
  check.addon = StateNumber(client.QueryBtFirmware(s.state.device).value_or(""));
  s.clock.Sleep(s.timings.btFirstPause);
  // 2: the firmware cannot take the add-on at all; asking again changes nothing.
  if (check.addon == 2) return check;
  for (int i = 0; i < kBitTorrentPolls; ++i) {
    const std::string answer = client.QueryBtFirmware(s.state.device).value_or("");
    s.clock.Sleep(s.timings.btPoll);
    check.addon = StateNumber(answer);
    if (check.addon == 1) break;
  }
  return check;
}

}  // namespace

std::optional<InstallTarget> TargetFor(RunKind kind, const std::string& sharename) {
  const std::string addonDirectory = kind == RunKind::BitTorrent ? "Nas_Prog/BT" : ".codepages";
  if (sharename.empty() || platform::SameIgnoringCase(sharename, "HDD_a")) {
    return InstallTarget{"HDD_a\\" + addonDirectory, ModuleSet::Linux24};
  }
  if (platform::SameIgnoringCase(sharename, "HDD_1")) {
    // Code pages live with the system's own files, out of the user's sight.
    const std::string folder = kind == RunKind::BitTorrent ? "\\" : "\\.systemfile\\";
    return InstallTarget{sharename + folder + addonDirectory, ModuleSet::Linux26};
  }
  return std::nullopt;
}

const char* LanguageText(int index) {
  return index >= 0 && index < kLanguageCount ? kLanguages[index].text : "";
}

const char* LanguageCodepage(int index) {
  return index >= 0 && index < kLanguageCount ? kLanguages[index].codepage : "";
}

std::optional<UserMessage> LanguageRefusal(int index, bool allCodepages) {
  if (allCodepages || index < 3 || index > 5) return std::nullopt;
  return UserMessage{"",
                     "This codepage does not supported in this firmware.\n"
                     "Please download the latest firmware from the support link."};
}

InstallResult RunInstall(AddonServices& services, RunKind kind, const std::string& host) {
  InstallResult result = InstallResult::Unplaced;
  services.user.RunLoading(services.timings.loadingDelay,
                           [&] { result = InstallWork(services, kind, host); });
  const std::string& why = services.state.runFailure;
  if (result == InstallResult::Unplaced) services.user.Message({"", kCheckDrives, MessageIcon::None, why});
  if (result == InstallResult::Unconfirmed) {
    services.user.Message({"Error", kUnconfirmed, MessageIcon::Stop, why});
  }
  return result;
}

namespace {

AddonResult Ended(const AddonServices& services, AddonEnd end) {
  AddonResult result;
  result.outcome = end;
  result.restarted = services.state.addonOutcome == 0 && end == AddonEnd::Installed;
  switch (end) {
    case AddonEnd::Installed: break;
    case AddonEnd::PasswordRefused:
    case AddonEnd::DiskRefused:
    case AddonEnd::LanguageRefused: result.failure = Failure::Refused; break;
    case AddonEnd::PlacementFailed: result.failure = Failure::Local; break;
    case AddonEnd::Unconfirmed:
    case AddonEnd::NoDevice:
    case AddonEnd::Cancelled: result.failure = Failure::NotFound; break;
  }
  // A password no device can take ends the command as bad input.
  if (services.user.Abandoned()) result.failure = Failure::BadInput;
  if (end == AddonEnd::PlacementFailed || end == AddonEnd::Unconfirmed) result.detail = services.state.runFailure;
  return result;
}

}  // namespace

AddonResult LanguageCommand(AddonServices& services, bool deviceSelected, const std::string& host,
                            std::string_view deviceAddress) {
  services.state.device = services.client.DeviceAt(deviceAddress);
  if (!deviceSelected) {
    services.user.Message({"Error", "Please select a device.", MessageIcon::Stop});
    return Ended(services, AddonEnd::NoDevice);
  }
  return Ended(services, LanguageWorkflow(services, host));
}

AddonResult BitTorrentCommand(AddonServices& services, bool deviceSelected, const std::string& host,
                              std::string_view deviceAddress) {
  AddonState& state = services.state;
  state.device = services.client.DeviceAt(deviceAddress);
  Interaction& user = services.user;
  if (!deviceSelected) {
    user.Message({"Error", "Please select a device.", MessageIcon::Stop});
    return Ended(services, AddonEnd::NoDevice);
  }
  if (CommandEnd check = RunAdministratorCheck(services.client, user, state.device); !check.ok()) {
    AddonResult refused = Ended(services, AddonEnd::PasswordRefused);
    refused.detail = check.detail;
    return refused;
  }

  BitTorrentCheck check;
  user.RunBlocking([&] { check = CheckBitTorrent(services); });
  const bool supported = check.disk == DiskState::Ready && check.addon == 1;
  if (!supported) {
    if (check.disk == DiskState::NoDrives) {
      user.Message({"", kNoDrives});
    } else if (check.disk == DiskState::Unformatted) {
      OpenFormatPage(services, host);
    } else {
      user.Message({"", kBitTorrentUnsupported});
    }
    state.addonOutcome = -1;
    return Ended(services, AddonEnd::DiskRefused);
  }

  // Only this run's restart wait may ask for a refresh: an earlier
  // workflow's 0 must not count for a run that failed.
  state.addonOutcome = -1;
  state.bitTorrentDelivered = false;
  const InstallResult result = RunInstall(services, RunKind::BitTorrent, host);
  const AddonEnd end = result == InstallResult::Confirmed  ? AddonEnd::Installed
                       : result == InstallResult::Unplaced ? AddonEnd::PlacementFailed
                                                           : AddonEnd::Unconfirmed;
  if (state.bitTorrentDelivered) {
    user.WaitRestart({services.timings.restartSteps, services.timings.restartStep,
                      services.timings.restartTotal, [&state] { state.addonOutcome = 0; }});
  }

  if (!state.stagingFolder.empty()) {
    services.files.RemoveStagingFolder(state.stagingFolder);
    state.stagingFolder.clear();
  }
  state.bitTorrentDelivered = false;
  return Ended(services, end);
}

}  // namespace kfw::core
