#pragma once
// What the findway command writes: the device table, the JSON array, the
// answers of a query and the arguments it echoes. Every text that came from
// a device or the command line goes out through protocol/safe_text.h.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/management_client.h"
#include "shares/drive_table.h"

namespace kfw::cli {

// One row per device under the headings NAME IP NETMASK GATEWAY DHCP MODEL
// INTERFACE, columns two spaces apart, then "N devices found".
void WriteDeviceTable(std::ostream& out, const protocol::ManagementClient& client);
// The devices as a JSON array of objects, one per line.
void WriteDeviceJson(std::ostream& out, const protocol::ManagementClient& client);

// A device as `discover --watch` remembers it between rounds.
struct SeenDevice {
  std::string key;  // device id and interface: one answer of one device
  std::string name, ip, netmask, gateway, model, interface;
  bool dhcp = false;
};
std::vector<SeenDevice> SeenDevices(const protocol::ManagementClient& client);
// One line (or JSON object) for each device of `before` missing from `now`
// ("vanished"), then each device of `now` missing from `before`
// ("appeared"). The number of lines written.
int WriteDeviceChanges(std::ostream& out, const std::vector<SeenDevice>& before,
                       const std::vector<SeenDevice>& now, bool json);

// The drive letters a share can be mapped to, Z towards D, with the share
// each is mapped to, the default one marked; or a JSON array.
void WriteDriveTable(std::ostream& out, const shares::MappedDriveTable& table,
                     const shares::MappedDriveTable::FreeLetters& letters, bool json);

// The items `findway query` knows, in the order the usage lists them.
const std::vector<std::string>& QueryItems();
// Runs the query for `item` (one of QueryItems()) on `device` and writes its
// value, or one share name a line. 1 when the device answered.
int RunQuery(std::ostream& out, protocol::ManagementClient& client, const protocol::DeviceRecord& device,
             std::string_view item);

// A command-line argument for an error message: quoted, escaped and cut.
std::string EchoedArgument(std::string_view argument);

}  // namespace kfw::cli
