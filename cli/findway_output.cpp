#include "cli/findway_output.h"

#include <algorithm>
#include <functional>
#include <map>
#include <ostream>

#include "protocol/safe_text.h"

namespace kfw::cli {
namespace {

using protocol::CharacterCount;
using protocol::DeviceRecord;
using protocol::ManagementClient;
using protocol::TerminalText;

bool DhcpOn(const DeviceRecord& record) {
  return !record.dhcpFlag.empty() && record.dhcpFlag.str()[0] == '1';
}

std::string InterfaceOf(const ManagementClient& client, const DeviceRecord& record) {
  const auto index = static_cast<std::size_t>(record.interfaceIndex);
  return record.interfaceIndex >= 0 && index < client.localAddresses().size()
             ? client.localAddresses()[index]
             : std::string();
}

void WriteDeviceObject(std::ostream& out, const SeenDevice& device, std::string_view event) {
  using protocol::JsonQuoted;
  out << "{";
  if (!event.empty()) out << "\"event\": \"" << event << "\", ";
  out << "\"name\": " << JsonQuoted(device.name) << ", \"ip\": " << JsonQuoted(device.ip)
      << ", \"netmask\": " << JsonQuoted(device.netmask) << ", \"gateway\": " << JsonQuoted(device.gateway)
      << ", \"dhcp\": " << (device.dhcp ? "true" : "false") << ", \"model\": " << JsonQuoted(device.model)
      << ", \"interface\": " << JsonQuoted(device.interface) << "}";
}

}  // namespace

void WriteDeviceTable(std::ostream& out, const ManagementClient& client) {
  const std::vector<std::string> headings{"NAME", "IP", "NETMASK", "GATEWAY", "DHCP", "MODEL",
                                          "INTERFACE"};
  std::vector<std::vector<std::string>> rows;
  for (const auto& record : client.deviceList()) {
    rows.push_back({TerminalText(record.name), TerminalText(record.address),
                    TerminalText(record.netmask), TerminalText(record.gateway),
                    DhcpOn(record) ? "on" : "off", TerminalText(record.model),
                    TerminalText(InterfaceOf(client, record))});
  }
  // Widths in characters, so a name with multi-byte characters lines up.
  std::vector<std::size_t> widths;
  for (const auto& h : headings) widths.push_back(h.size());
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      widths[c] = std::max(widths[c], CharacterCount(row[c]));
    }
  }
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - CharacterCount(row[c]) + 2, ' ');
    }
    out << line << "\n";
  };
  print(headings);
  for (const auto& row : rows) print(row);
  out << rows.size() << (rows.size() == 1 ? " device" : " devices") << " found\n";
}

void WriteDeviceJson(std::ostream& out, const ManagementClient& client) {
  out << "[";
  bool first = true;
  for (const SeenDevice& device : SeenDevices(client)) {
    out << (first ? "\n  " : ",\n  ");
    WriteDeviceObject(out, device, "");
    first = false;
  }
  out << (first ? "]\n" : "\n]\n");
}

std::vector<SeenDevice> SeenDevices(const ManagementClient& client) {
  std::vector<SeenDevice> devices;
  for (const auto& record : client.deviceList()) {
    std::string key;
    for (const uint8_t byte : record.deviceId) {
      key += "0123456789abcdef"[byte >> 4];
      key += "0123456789abcdef"[byte & 15];
    }
    key += "@" + std::to_string(record.interfaceIndex);
    devices.push_back({key, record.name.str(), record.address.str(), record.netmask.str(), record.gateway.str(),
                       record.model.str(), InterfaceOf(client, record), DhcpOn(record)});
  }
  return devices;
}

int WriteDeviceChanges(std::ostream& out, const std::vector<SeenDevice>& before,
                       const std::vector<SeenDevice>& now, bool json) {
  int lines = 0;
  const auto missing = [](const std::vector<SeenDevice>& from, const std::vector<SeenDevice>& in,
                          const char* event, auto&& write) {
    for (const SeenDevice& device : from) {
      const bool found = std::any_of(in.begin(), in.end(), [&](const SeenDevice& d) { return d.key == device.key; });
      if (!found) write(device, event);
    }
  };
  const auto write = [&](const SeenDevice& device, const char* event) {
    if (json) {
      WriteDeviceObject(out, device, event);
      out << "\n";
    } else {
      // Blank fields as "-", so every line has the same five words.
      const auto word = [](const std::string& text) { return text.empty() ? std::string("-") : TerminalText(text); };
      out << event << "  " << word(device.name) << "  " << word(device.ip) << "  " << word(device.model) << "  "
          << word(device.interface) << "\n";
    }
    ++lines;
  };
  missing(before, now, "vanished", write);
  missing(now, before, "appeared", write);
  out << std::flush;
  return lines;
}

void WriteDriveTable(std::ostream& out, const shares::MappedDriveTable& table,
                     const shares::MappedDriveTable::FreeLetters& letters, bool json) {
  using protocol::JsonQuoted;
  if (json) out << "[";
  for (std::size_t i = 0; i < letters.items.size(); ++i) {
    const std::string letter = letters.items[i].substr(0, 2);
    const shares::MappedDrive& entry = table.entries()[static_cast<std::size_t>('Z' - letter[0])];
    const bool mapped = letters.items[i].size() > 2;
    const bool isDefault = static_cast<int>(i) == letters.defaultIndex;
    if (json) {
      out << (i == 0 ? "\n  " : ",\n  ") << "{\"letter\": " << JsonQuoted(letter)
          << ", \"host\": " << JsonQuoted(mapped ? entry.host.view() : "")
          << ", \"share\": " << JsonQuoted(mapped ? entry.share.view() : "")
          << ", \"mapped\": " << (mapped ? "true" : "false")
          << ", \"default\": " << (isDefault ? "true" : "false") << "}";
    } else if (mapped) {
      out << letter << "  \\\\" << TerminalText(entry.host) << "\\" << TerminalText(entry.share) << "\n";
    } else {
      out << letter << (isDefault ? "  (free, the default)" : "  (free)") << "\n";
    }
  }
  if (json) out << (letters.items.empty() ? "]\n" : "\n]\n");
}

const std::vector<std::string>& QueryItems() {
  static const std::vector<std::string> items{"shares", "ssl",         "sharename",
                                              "ideok",  "bt_firmware", "domain",
                                              "codepage", "workgroup"};
  return items;
}

int RunQuery(std::ostream& out, ManagementClient& client, const DeviceRecord& device, std::string_view item) {
  if (item == "shares") {
    if (!client.QueryShareList(device)) return 0;
    for (const auto& name : client.shareList()) out << TerminalText(name) << "\n";
    return 1;
  }
  using Query = std::optional<std::string> (ManagementClient::*)(const DeviceRecord&);
  const std::map<std::string_view, Query> queries{
      {"ssl", &ManagementClient::QuerySsl},
      {"sharename", &ManagementClient::QuerySharename},
      {"ideok", &ManagementClient::QueryIdeok},
      {"bt_firmware", &ManagementClient::QueryBtFirmware},
      {"domain", &ManagementClient::QueryDomain},
      {"codepage", &ManagementClient::QueryCodepage},
      {"workgroup", &ManagementClient::QueryWorkgroup},
  };
  const auto query = queries.find(item);
  if (query == queries.end()) return 0;
  const std::optional<std::string> value = (client.*query->second)(device);
  if (!value) return 0;
  out << TerminalText(*value) << "\n";
  return 1;
}

std::string EchoedArgument(std::string_view argument) {
  return "'" + TerminalText(protocol::CutText(argument)) + "'";
}

}  // namespace kfw::cli
