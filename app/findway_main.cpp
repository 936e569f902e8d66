// findway: the headless command over the management client, for scripting
// and the demo.
//
//   findway discover [--json]      one row per device found, or a JSON array
//   findway query ADDRESS ITEM     one value of the device at ADDRESS
//
// Exit status: 0 success, 1 nothing answered, 2 bad arguments.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/linux/linux_socket_layer.h"
#include "protocol/management_client.h"

namespace {

using kfw::protocol::DeviceRecord;
using kfw::protocol::ManagementClient;

constexpr const char* kUsage =
    "usage: findway discover [--json]\n"
    "       findway query ADDRESS ITEM\n"
    "ITEM is one of: shares, ssl, sharename, ideok, bt_firmware, domain, codepage, workgroup\n";

int BadArguments(const std::string& why) {
  std::cerr << "findway: " << why << "\n" << kUsage;
  return 2;
}

// Device texts are bytes as the device sent them: keep valid UTF-8, replace
// anything else, escape what JSON requires.
std::string JsonString(const std::string& text) {
  std::string out = "\"";
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    bool valid = length > 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (!valid) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (length == 1) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out += escaped;
      } else {
        out += static_cast<char>(c);
      }
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out + "\"";
}

std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) out += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
  return out;
}

std::string DhcpText(const DeviceRecord& record) {
  return !record.dhcpFlag.empty() && record.dhcpFlag.str()[0] == '1' ? "on" : "off";
}

void PrintTable(const ManagementClient& client) {
  const std::vector<std::string> headings{"NAME", "IP", "NETMASK", "GATEWAY", "DHCP", "MODEL",
                                          "INTERFACE"};
  std::vector<std::vector<std::string>> rows;
  for (const auto& record : client.deviceList) {
    rows.push_back({Printable(record.name.str()), record.address.str(), record.netmask.str(),
                    record.gateway.str(), DhcpText(record), Printable(record.model.str()),
                    client.localAddresses[record.interfaceIndex]});
  }
  std::vector<std::size_t> widths;
  for (const auto& h : headings) widths.push_back(h.size());
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
    }
    std::cout << line << "\n";
  };
  print(headings);
  for (const auto& row : rows) print(row);
  std::cout << rows.size() << (rows.size() == 1 ? " device" : " devices") << " found\n";
}

void PrintJson(const ManagementClient& client) {
  std::cout << "[";
  bool first = true;
  for (const auto& record : client.deviceList) {
    std::cout << (first ? "\n" : ",\n") << "  {\"name\": " << JsonString(record.name.str())
              << ", \"ip\": " << JsonString(record.address.str())
              << ", \"netmask\": " << JsonString(record.netmask.str())
              << ", \"gateway\": " << JsonString(record.gateway.str())
              << ", \"dhcp\": " << (DhcpText(record) == "on" ? "true" : "false")
              << ", \"model\": " << JsonString(record.model.str())
              << ", \"interface\": " << JsonString(client.localAddresses[record.interfaceIndex])
              << "}";
    first = false;
  }
  std::cout << (first ? "]\n" : "\n]\n");
}

int RunQuery(ManagementClient& client, const std::string& item) {
  if (item == "shares") {
    if (!client.QueryShareList()) return 0;
    for (const auto& name : client.shareList) std::cout << Printable(name) << "\n";
    return 1;
  }
  struct Query {
    int (ManagementClient::*run)();
    std::function<std::string()> value;
  };
  const std::map<std::string, Query> queries{
      {"ssl", {&ManagementClient::QuerySsl, [&] { return client.sslValue.str(); }}},
      {"sharename", {&ManagementClient::QuerySharename, [&] { return client.sharenameValue.str(); }}},
      {"ideok", {&ManagementClient::QueryIdeok, [&] { return client.ideokValue.str(); }}},
      {"bt_firmware", {&ManagementClient::QueryBtFirmware, [&] { return client.btFirmwareValue.str(); }}},
      {"domain", {&ManagementClient::QueryDomain, [&] { return client.domainValue.str(); }}},
      {"codepage", {&ManagementClient::QueryCodepage, [&] { return client.codepageText.str(); }}},
      {"workgroup", {&ManagementClient::QueryWorkgroup, [&] { return client.workgroupText.str(); }}},
  };
  const Query& query = queries.at(item);
  if (!(client.*query.run)()) return 0;
  std::cout << Printable(query.value()) << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return BadArguments("no command given");
  const std::string& command = args[0];
  static const std::vector<std::string> kItems{"shares", "ssl",    "sharename", "ideok",
                                               "bt_firmware", "domain", "codepage", "workgroup"};
  bool json = false;
  if (command == "discover") {
    if (args.size() > 2 || (args.size() == 2 && args[1] != "--json")) {
      return BadArguments("discover takes only --json");
    }
    json = args.size() == 2;
  } else if (command == "query") {
    if (args.size() != 3) return BadArguments("query needs ADDRESS and ITEM");
    uint8_t octets[4];
    if (!kfw::protocol::AddressBytes(args[1], octets)) {
      return BadArguments("'" + args[1] + "' is not an IPv4 address");
    }
    if (std::find(kItems.begin(), kItems.end(), args[2]) == kItems.end()) {
      return BadArguments("unknown item '" + args[2] + "'");
    }
  } else if (command == "-h" || command == "--help" || command == "help") {
    std::cout << kUsage;
    return 0;
  } else {
    return BadArguments("unknown command '" + command + "'");
  }

  kfw::platform::LinuxSocketLayer sockets;
  kfw::platform::SystemClock clock;
  ManagementClient client(sockets, clock);
  if (!client.StartNetwork()) {
    std::cerr << "findway: the network could not be started\n";
    return 1;
  }
  client.DiscoverDevices(kfw::protocol::kCategoryFilter, kfw::protocol::kSubcategoryFilter);

  if (command == "discover") {
    json ? PrintJson(client) : PrintTable(client);
    return client.deviceList.empty() ? 1 : 0;
  }

  // query: the address names a device found by the discovery above.
  uint8_t octets[4];
  kfw::protocol::AddressBytes(args[1], octets);
  const std::string address = kfw::protocol::FormatAddress(octets);
  if (!client.FindDeviceByAddress(address)) {
    std::cerr << "findway: no device answered at " << address << "\n";
    return 1;
  }
  client.selectedAddress = address;
  if (!RunQuery(client, args[2])) {
    std::cerr << "findway: " << address << " did not answer the " << args[2] << " query\n";
    return 1;
  }
  return 0;
}
