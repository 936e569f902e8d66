#include "core/subnet_rule.h"

#include <algorithm>
#include <string>

namespace kfw::core {
namespace {

std::string_view Trimmed(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

FieldOctets PanelOctets(std::string_view dotted) {
  FieldOctets field;
  dotted = Trimmed(dotted);
  for (int i = 0; i < 4; ++i) {
    const std::size_t dot = dotted.find('.');
    const std::string_view part = dotted.substr(0, dot);
    dotted = dot == std::string_view::npos ? std::string_view() : dotted.substr(dot + 1);
    if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), [](char c) {
          return c >= '0' && c <= '9';
        })) {
      continue;
    }
    const int value = std::stoi(std::string(part));
    if (value > 255) continue;
    field.octets[static_cast<std::size_t>(i)] = value;
    field.blank = false;
  }
  return field;
}

std::string_view InterfaceAddress(const protocol::ManagementClient& client, int interfaceIndex) {
  const auto& locals = client.localAddresses();
  if (interfaceIndex < 0 || interfaceIndex >= static_cast<int>(locals.size())) return {};
  return locals[static_cast<std::size_t>(interfaceIndex)];
}

bool InInterfaceSubnet(std::string_view deviceAddress, std::string_view deviceNetmask,
                       std::string_view interfaceAddress) {
  const Octets a = PanelOctets(deviceAddress).octets;
  const Octets m = PanelOctets(deviceNetmask).octets;
  Octets local{0, 0, 0, 0};
  if (const auto parsed = ParseDottedAddress(interfaceAddress)) local = OctetsOf(*parsed);
  for (std::size_t i = 0; i < 4; ++i) {
    if ((local[i] & m[i]) != (a[i] & m[i])) return false;
  }
  return true;
}

}  // namespace kfw::core
