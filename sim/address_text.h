#pragma once
// Dotted-decimal IPv4 texts as the simulated devices store them: strictly
// four decimal octets, so a set request carrying anything else is refused.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kfw::sim {

using Octets4 = std::array<uint8_t, 4>;

inline std::optional<Octets4> ParseIpv4(std::string_view text) {
  Octets4 out{};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    int value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
      value = value * 10 + (text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
    out[i] = static_cast<uint8_t>(value);
  }
  if (pos != text.size()) return std::nullopt;
  return out;
}

inline std::string FormatIpv4(const Octets4& octets) {
  return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
         std::to_string(octets[2]) + "." + std::to_string(octets[3]);
}

}  // namespace kfw::sim
