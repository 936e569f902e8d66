// Device configuration files and generated device populations.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <istream>
#include <map>

#include "sim/address_text.h"
#include "sim/sim_device.h"

namespace kfw::sim {
namespace {

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::optional<long long> ParseInt(std::string_view text, long long low, long long high) {
  long long value = 0;
  const auto* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
    return std::nullopt;
  return value;
}

unsigned char uc(char c) { return static_cast<unsigned char>(c); }

std::optional<bool> ParseBool(std::string_view text) {
  if (text == "1" || text == "yes" || text == "true" || text == "on") return true;
  if (text == "0" || text == "no" || text == "false" || text == "off") return false;
  return std::nullopt;
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> pieces;
  if (Trim(text).empty()) return pieces;
  std::size_t start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    pieces.push_back(Trim(text.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return pieces;
}

std::optional<std::array<uint8_t, 6>> ParseIdPrefix(std::string_view text) {
  if (text.size() != 12) return std::nullopt;
  std::array<uint8_t, 6> out{};
  for (std::size_t i = 0; i < 6; ++i) {
    auto [ptr, ec] = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, out[i], 16);
    if (ec != std::errc() || ptr != text.data() + 2 * i + 2) return std::nullopt;
  }
  return out;
}

// Applies one key=value line to `device`; returns the complaint, or "".
using Setter = std::function<std::string(DeviceConfig&, const std::string&)>;

Setter Text(std::string DeviceConfig::*member, std::size_t width = std::string::npos) {
  return [member, width](DeviceConfig& d, const std::string& v) -> std::string {
    if (v.size() > width) return "at most " + std::to_string(width) + " characters";
    d.*member = v;
    return {};
  };
}

Setter Int(int DeviceConfig::*member, long long low, long long high) {
  return [member, low, high](DeviceConfig& d, const std::string& v) -> std::string {
    auto n = ParseInt(v, low, high);
    if (!n) return "expected a number from " + std::to_string(low) + " to " + std::to_string(high);
    d.*member = static_cast<int>(*n);
    return {};
  };
}

Setter Bool(bool DeviceConfig::*member) {
  return [member](DeviceConfig& d, const std::string& v) -> std::string {
    auto b = ParseBool(v);
    if (!b) return "expected 0 or 1";
    d.*member = *b;
    return {};
  };
}

Setter Sequence(std::vector<std::string> DeviceConfig::*member) {
  return [member](DeviceConfig& d, const std::string& v) -> std::string {
    d.*member = SplitList(v);
    return {};
  };
}

const std::map<std::string, Setter>& Setters() {
  static const std::map<std::string, Setter> setters = {
      {"name", Text(&DeviceConfig::name)},
      {"address",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         if (!ParseIpv4(v)) return "not an IPv4 address";
         d.address = v;
         return {};
       }},
      {"netmask", Text(&DeviceConfig::netmask, 16)},
      {"gateway", Text(&DeviceConfig::gateway, 16)},
      {"dhcp", Bool(&DeviceConfig::dhcp)},
      {"model", Text(&DeviceConfig::model, 32)},
      {"reply_type",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         auto n = ParseInt(v, 2, 8);
         if (!n || (*n != 2 && *n != 7 && *n != 8)) return "expected 2, 7 or 8";
         d.replyType = static_cast<int>(*n);
         return {};
       }},
      {"category", Int(&DeviceConfig::category, 0, 255)},
      {"subcategory", Int(&DeviceConfig::subcategory, 0, 255)},
      {"id_prefix",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         auto prefix = ParseIdPrefix(v);
         if (!prefix) return "expected 12 hex digits";
         d.idPrefix = *prefix;
         return {};
       }},
      {"dhcp_address",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         if (!v.empty() && !ParseIpv4(v)) return "not an IPv4 address";
         d.dhcpAddress = v;
         return {};
       }},
      {"claims_address",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         if (!v.empty() && !ParseIpv4(v)) return "not an IPv4 address";
         d.claimsAddress = v;
         return {};
       }},
      {"shares", Text(&DeviceConfig::shares)},
      {"admin_password", Text(&DeviceConfig::adminPassword)},
      {"ssl", Text(&DeviceConfig::ssl)},
      {"sharename", Sequence(&DeviceConfig::sharename)},
      {"domain", Text(&DeviceConfig::domain)},
      {"codepage", Text(&DeviceConfig::codepage)},
      {"workgroup", Text(&DeviceConfig::workgroup)},
      {"ideok", Sequence(&DeviceConfig::ideok)},
      {"bt_firmware", Sequence(&DeviceConfig::btFirmware)},
      {"smb_user",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         // It becomes a system account of the machine that plays the device.
         const bool plain = !v.empty() && v.size() <= 32 && (std::islower(uc(v[0])) || v[0] == '_') &&
                            std::all_of(v.begin(), v.end(), [](char c) {
                              return std::islower(uc(c)) || std::isdigit(uc(c)) || c == '_' || c == '-';
                            });
         if (!plain) return "expected a user name of lower-case letters, digits, '_' and '-'";
         d.smbUser = v;
         return {};
       }},
      {"smb_password", Text(&DeviceConfig::smbPassword)},
      {"private_shares",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         d.privateShares.clear();
         for (std::size_t start = 0; start <= v.size();) {
           const std::size_t colon = std::min(v.find(':', start), v.size());
           if (colon > start) d.privateShares.push_back(v.substr(start, colon - start));
           start = colon + 1;
         }
         return {};
       }},
      {"login_verdict", Int(&DeviceConfig::loginVerdict, -128, 255)},
      {"delay_ms",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         const auto dash = v.find('-');
         auto low = ParseInt(std::string_view(v).substr(0, dash), 0, 600000);
         auto high = dash == std::string::npos
                         ? low
                         : ParseInt(std::string_view(v).substr(dash + 1), 0, 600000);
         if (!low || !high || *low > *high) return "expected milliseconds, \"50\" or \"0-100\"";
         d.delayMinMs = static_cast<int>(*low);
         d.delayMaxMs = static_cast<int>(*high);
         return {};
       }},
      {"silent", Bool(&DeviceConfig::silent)},
      {"duplicates", Int(&DeviceConfig::duplicates, 1, 100)},
      {"junk_flood", Int(&DeviceConfig::junkFlood, 0, 10000)},
      {"junk_interval_ms", Int(&DeviceConfig::junkIntervalMs, 0, 10000)},
      {"flood_rate",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         if (v == "max") {
           d.floodRate = -1;
           return {};
         }
         auto n = ParseInt(v, 0, 10000000);
         if (!n) return "expected datagrams a second (0 to 10000000) or max";
         d.floodRate = static_cast<int>(*n);
         return {};
       }},
      {"flood_burst", Int(&DeviceConfig::floodBurst, 1, 4096)},
      {"flood_at_start", Bool(&DeviceConfig::floodAtStart)},
      {"flood_kinds",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         using Kind = DeviceConfig::FloodKind;
         static const std::map<std::string, Kind> kNames = {
             {"random", Kind::Random},
             {"foreign", Kind::Foreign},
             {"other_type", Kind::OtherType},
             {"wrong_sender", Kind::WrongSender},
             {"forged", Kind::Forged}};
         std::vector<Kind> kinds;
         for (const auto& piece : SplitList(v)) {
           const auto it = kNames.find(piece);
           if (it == kNames.end()) return "expected random, foreign, other_type, wrong_sender or forged";
           kinds.push_back(it->second);
         }
         if (kinds.empty()) return "expected at least one kind";
         d.floodKinds = std::move(kinds);
         return {};
       }},
      {"name_length",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         auto n = ParseInt(v, 0, 0xFFFFFFFFLL);
         if (!n) return "expected a number from 0 to 4294967295";
         d.nameLengthField = *n;
         return {};
       }},
      {"web",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         if (v == "slow") {
           d.web = DeviceConfig::Web::Slow;
         } else if (auto b = ParseBool(v)) {
           d.web = *b ? DeviceConfig::Web::On : DeviceConfig::Web::Off;
         } else {
           return "expected on, off or slow";
         }
         return {};
       }},
      {"web_delay_ms", Int(&DeviceConfig::webDelayMs, 0, 3600000)},
      {"vanish_share_ms", Int(&DeviceConfig::vanishShareMs, -1, 3600000)},
      {"smb_stalled", Bool(&DeviceConfig::smbStalled)},
      {"ignore_items",
       [](DeviceConfig& d, const std::string& v) -> std::string {
         std::vector<int> items;
         for (const auto& piece : SplitList(v)) {
           auto n = ParseInt(piece, 0, 255);
           if (!n) return "expected item codes 0 to 255, separated by commas";
           items.push_back(static_cast<int>(*n));
         }
         d.ignoreItems = std::move(items);
         return {};
       }},
  };
  return setters;
}

}  // namespace

bool ParseDeviceConfigs(std::istream& in, std::vector<DeviceConfig>& out, std::string& error) {
  std::vector<DeviceConfig> devices;
  std::map<std::string, int> addressLines;  // address -> line of the device using it
  std::string raw;
  int lineNumber = 0;
  auto fail = [&](const std::string& message) {
    error = "line " + std::to_string(lineNumber) + ": " + message;
    return false;
  };
  while (std::getline(in, raw)) {
    ++lineNumber;
    const std::string line = Trim(raw);
    // '#' only at the start of a line: passwords and names may contain it.
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line != "[device]") return fail("unknown section " + line + " (expected [device])");
      devices.emplace_back();
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos) return fail("expected key=value: " + line);
    const std::string key = Trim(std::string_view(line).substr(0, equals));
    const std::string value = Trim(std::string_view(line).substr(equals + 1));
    if (devices.empty()) return fail("\"" + key + "\" before the first [device]");
    const auto setter = Setters().find(key);
    if (setter == Setters().end()) return fail("unknown key \"" + key + "\"");
    if (const std::string complaint = setter->second(devices.back(), value); !complaint.empty())
      return fail(key + ": " + complaint);
    if (key == "address") {
      const int device = static_cast<int>(devices.size());
      auto [it, inserted] = addressLines.emplace(value, device);
      if (!inserted && it->second != device)
        return fail("address " + value + " is already used by device " +
                    std::to_string(it->second));
    }
  }
  out = std::move(devices);
  error.clear();
  return true;
}

std::vector<DeviceConfig> GenerateDevices(int count, const std::string& baseTwoOctets,
                                          int maxDelayMs) {
  // Fictional models, so that a generated population shows every reply layout.
  static const char* const kModels[] = {"KX-210", "KX-320", "KX-450R", "KX-2200"};
  static const int kReplyTypes[] = {8, 7, 2};
  std::vector<DeviceConfig> devices;
  count = std::clamp(count, 0, 250 * 255);
  devices.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    DeviceConfig d;
    const std::string number = std::to_string(i + 1);
    d.name = "KFW-NAS-" + std::string(4 - std::min<std::size_t>(4, number.size()), '0') + number;
    d.address = baseTwoOctets + "." + std::to_string(1 + i / 250) + "." + std::to_string(1 + i % 250);
    d.netmask = "255.255.0.0";
    d.gateway = baseTwoOctets + ".0.254";
    d.replyType = kReplyTypes[i % 3];
    d.model = d.replyType == 8 ? kModels[(i / 3) % 4] : "";
    d.dhcp = i % 5 == 4;
    d.idPrefix = {0x00, 0x11, 0x32, 0x10, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
    d.shares = i % 2 == 0 ? "HDD_1" : "HDD_a:PUBLIC";
    d.sharename = {i % 2 == 0 ? "HDD_1" : "HDD_a"};
    d.delayMinMs = 0;
    d.delayMaxMs = std::max(0, maxDelayMs);
    devices.push_back(std::move(d));
  }
  return devices;
}

}  // namespace kfw::sim
