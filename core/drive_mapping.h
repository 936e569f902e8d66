#pragma once
// Connect and Disconnect: a share of the selected device mapped to a drive
// letter of the workstation, and a letter's mapping removed.

#include <optional>
#include <string>

#include "core/command_result.h"
#include "core/interaction.h"
#include "platform/network_drives.h"
#include "platform/system_info.h"
#include "protocol/management_client.h"

namespace kfw::core {

// What the window's lists hold when Connect or Disconnect is pressed; an
// unset field is a list with no selected row or item.
struct DriveMappingInput {
  std::optional<std::string> deviceName;     // the device row's "Name"
  std::optional<std::string> shareName;      // the share row's "Volume Name"
  std::optional<std::string> shareLocation;  // the share row's "Location"
  std::optional<std::string> driveItem;      // the "Available Drive Letters" item
  std::string deviceAddress;                 // the selected device, asked for its domain
};

// What a command needs besides its input.
struct DriveMappingServices {
  protocol::ManagementClient& client;
  platform::NetworkDrives& drives;
  platform::SystemInfo& system;
  Interaction& user;
};

// How Connect ended. Every outcome but NothingDone has removed what the
// letter held before trying it, so the caller then refreshes the drive
// table, the free letters and the share locations (hosts compared exactly),
// whether the new connection came or not. A failure's detail is the
// system's reason.
enum class ConnectOutcome {
  Connected,
  NothingDone,  // no share row or no letter, or the letter in use was kept
  Refused,      // the share turned down the last credentials tried
  Failed,
};
CommandResult<ConnectOutcome> ConnectShare(const DriveMappingServices& services, const DriveMappingInput& input);

// ok() when the letter's connection was removed: the caller then
// refreshes as after Connect, hosts compared without regard to case.
CommandEnd DisconnectDrive(const DriveMappingServices& services, const DriveMappingInput& input);

}  // namespace kfw::core
