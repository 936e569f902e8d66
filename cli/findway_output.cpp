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
  return record.interfaceIndex >= 0 && index < client.localAddresses.size()
             ? client.localAddresses[index]
             : std::string();
}

}  // namespace

void WriteDeviceTable(std::ostream& out, const ManagementClient& client) {
  const std::vector<std::string> headings{"NAME", "IP", "NETMASK", "GATEWAY", "DHCP", "MODEL",
                                          "INTERFACE"};
  std::vector<std::vector<std::string>> rows;
  for (const auto& record : client.deviceList) {
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
  using protocol::JsonQuoted;
  out << "[";
  bool first = true;
  for (const auto& record : client.deviceList) {
    out << (first ? "\n" : ",\n") << "  {\"name\": " << JsonQuoted(record.name)
        << ", \"ip\": " << JsonQuoted(record.address)
        << ", \"netmask\": " << JsonQuoted(record.netmask)
        << ", \"gateway\": " << JsonQuoted(record.gateway)
        << ", \"dhcp\": " << (DhcpOn(record) ? "true" : "false")
        << ", \"model\": " << JsonQuoted(record.model)
        << ", \"interface\": " << JsonQuoted(InterfaceOf(client, record)) << "}";
    first = false;
  }
  out << (first ? "]\n" : "\n]\n");
}

const std::vector<std::string>& QueryItems() {
  static const std::vector<std::string> items{"shares", "ssl",         "sharename",
                                              "ideok",  "bt_firmware", "domain",
                                              "codepage", "workgroup"};
  return items;
}

int RunQuery(std::ostream& out, ManagementClient& client, std::string_view item) {
  if (item == "shares") {
    if (!client.QueryShareList()) return 0;
    for (const auto& name : client.shareList) out << TerminalText(name) << "\n";
    return 1;
  }
  struct Query {
    int (ManagementClient::*run)();
    std::function<std::string()> value;
  };
  const std::map<std::string_view, Query> queries{
      {"ssl", {&ManagementClient::QuerySsl, [&] { return client.sslValue.str(); }}},
      {"sharename", {&ManagementClient::QuerySharename, [&] { return client.sharenameValue.str(); }}},
      {"ideok", {&ManagementClient::QueryIdeok, [&] { return client.ideokValue.str(); }}},
      {"bt_firmware", {&ManagementClient::QueryBtFirmware, [&] { return client.btFirmwareValue.str(); }}},
      {"domain", {&ManagementClient::QueryDomain, [&] { return client.domainValue.str(); }}},
      {"codepage", {&ManagementClient::QueryCodepage, [&] { return client.codepageText.str(); }}},
      {"workgroup", {&ManagementClient::QueryWorkgroup, [&] { return client.workgroupText.str(); }}},
  };
  const auto query = queries.find(item);
  if (query == queries.end() || !(client.*query->second.run)()) return 0;
  out << TerminalText(query->second.value()) << "\n";
  return 1;
}

std::string EchoedArgument(std::string_view argument) {
  return "'" + TerminalText(protocol::CutText(argument)) + "'";
}

}  // namespace kfw::cli
