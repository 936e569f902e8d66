#include "core/address_validation.h"


namespace kfw::core {

namespace {

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexLetter(char c) { return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool IsBlankChar(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// An address text is at most 15 characters in the management client.
constexpr std::size_t kAddressTextMax = 15;

std::string ClampedDotted(const Octets& o) { return DottedText(o).substr(0, kAddressTextMax); }

// A blank field reads as 0.0.0.0 whatever its octets hold.
Octets EffectiveOctets(const FieldOctets& field) {
  return field.blank ? Octets{0, 0, 0, 0} : field.octets;
}

CheckResult Refuse(std::string caption, std::string text, MessageIcon icon, FieldKind field,
                   int octet) {
  CheckResult result;
  result.ok = false;
  result.message = UserMessage{std::move(caption), std::move(text), icon};
  result.focus = FieldFocus{field, octet};
  return result;
}

constexpr std::array<const char*, 4> kOrdinals{"1st", "2nd", "3rd", "4th"};

}  // namespace

std::optional<uint32_t> ParseDottedAddress(std::string_view text) {
  std::array<uint32_t, 3> stored{};
  int storedCount = 0;
  uint32_t value = 0;
  std::size_t i = 0;
  for (;;) {
    uint32_t base = 10;
    if (i < text.size() && text[i] == '0') {
      if (i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
      } else {
        base = 8;
        i += 1;
      }
    }
    // Decimal digits count in every base (so "08" is 8); letters only in hex.
    value = 0;
    while (i < text.size()) {
      const char c = text[i];
      uint32_t digit;
      if (IsDecimalDigit(c)) {
        digit = static_cast<uint32_t>(c - '0');
      } else if (base == 16 && IsHexLetter(c)) {
        digit = static_cast<uint32_t>((c | 0x20) - 'a' + 10);
      } else {
        break;
      }
      value = value * base + digit;  // wraps, as unsigned arithmetic does
      ++i;
    }
    if (i < text.size() && text[i] == '.') {
      if (storedCount == 3 || value > 255) return std::nullopt;
      stored[storedCount++] = value;
      ++i;
      continue;
    }
    for (; i < text.size(); ++i) {
      if (!IsBlankChar(text[i])) return std::nullopt;
    }
    break;
  }

  switch (storedCount) {
    case 0:
      return value;
    case 1:
      if (value > 0xFFFFFFu) return std::nullopt;
      return (stored[0] << 24) | value;
    case 2:
      if (value > 0xFFFFu) return std::nullopt;
      return (stored[0] << 24) | (stored[1] << 16) | value;
    default:
      if (value > 0xFFu) return std::nullopt;
      return (stored[0] << 24) | (stored[1] << 16) | (stored[2] << 8) | value;
  }
}

Octets OctetsOf(uint32_t address) {
  return Octets{static_cast<int>(address >> 24), static_cast<int>((address >> 16) & 0xFF),
                static_cast<int>((address >> 8) & 0xFF), static_cast<int>(address & 0xFF)};
}

std::string DottedText(const Octets& o) {
  return std::to_string(o[0]) + '.' + std::to_string(o[1]) + '.' + std::to_string(o[2]) + '.' +
         std::to_string(o[3]);
}

CheckResult CheckAddressOctets(FieldKind kind, const FieldOctets& field) {
  if (kind == FieldKind::Gateway && field.blank) return {};
  const Octets o = EffectiveOctets(field);

  const char* prefix = "Invalid IP address";
  if (kind == FieldKind::Netmask) prefix = "Invalid subnet mask address";
  if (kind == FieldKind::Gateway) prefix = "Invalid gateway IP address";

  for (int i = 0; i < 4; ++i) {
    // Only the address and gateway forbid 0 and the multicast range in front.
    const bool firstOctetRule = i == 0 && kind != FieldKind::Netmask;
    const bool ok = firstOctetRule ? (o[0] >= 1 && o[0] <= 223) : o[i] <= 255;
    if (ok) continue;
    const std::string text = std::string(prefix) + " in " + kOrdinals[i] + " digit. It should be " +
                             (firstOctetRule ? "1-223." : "0-255.");
    return Refuse("Error", text, MessageIcon::Information, kind, i);
  }
  return {};
}

bool IsSubnetBroadcast(const Octets& a, const Octets& m) {
  for (int i = 0; i < 4; ++i) {
    if ((a[i] | m[i]) != 255) return false;
  }
  return true;
}

bool IsContiguousNetmask(const Octets& m) {
  if (m[0] == 0) return false;
  bool zeroSeen = false;
  for (int i = 0; i < 4; ++i) {
    if (m[i] < 0 || m[i] > 255) return false;
    for (int bit = 7; bit >= 0; --bit) {
      const bool one = (m[i] >> bit) & 1;
      if (one && zeroSeen) return false;
      if (!one) zeroSeen = true;
    }
  }
  return true;
}

bool IsGatewayInconsistent(const Octets& a, const Octets& m, const Octets& g) {
  // Link-local addresses have no router, so any gateway is accepted.
  if (a[0] == 169 && a[1] == 254) return false;

  bool isNetwork = true;
  bool isBroadcast = true;
  bool outside = false;
  for (int i = 0; i < 4; ++i) {
    if (g[i] != (a[i] & m[i])) isNetwork = false;
    if (g[i] != (a[i] | (255 - m[i]))) isBroadcast = false;
    if ((a[i] & m[i]) != (g[i] & m[i])) outside = true;
  }
  return isNetwork || isBroadcast || outside;
}

ValidationResult ValidateStaticSettings(const FieldOctets& address, const FieldOctets& netmask,
                                        const FieldOctets& gateway) {
  ValidationResult result;
  auto refuse = [&result](CheckResult check) {
    result.check = std::move(check);
    return result;
  };
  const char* const kBadConfiguration =
      "You enter incorrect TCP/IP configuration. Please try again.";

  if (address.blank) {
    return refuse(Refuse("Warning", "Please input IP address!", MessageIcon::Exclamation,
                         FieldKind::Address, 0));
  }
  if (netmask.blank) {
    return refuse(Refuse("Warning", "Please input net mask address!", MessageIcon::Exclamation,
                         FieldKind::Netmask, 0));
  }
  const Octets a = EffectiveOctets(address);
  if (a[0] == 127) {
    return refuse(Refuse("Warning", "IP address input error. Please try again.",
                         MessageIcon::Exclamation, FieldKind::Address, 0));
  }
  if (CheckResult check = CheckAddressOctets(FieldKind::Address, address); !check.ok) {
    return refuse(std::move(check));
  }
  result.texts.newAddress = ClampedDotted(a);

  const Octets m = EffectiveOctets(netmask);
  if (IsSubnetBroadcast(a, m)) {
    return refuse(Refuse("Warning", kBadConfiguration, MessageIcon::Exclamation,
                         FieldKind::Address, 0));
  }
  if (CheckResult check = CheckAddressOctets(FieldKind::Netmask, netmask); !check.ok) {
    return refuse(std::move(check));
  }
  result.texts.newNetmask = ClampedDotted(m);

  const Octets g = EffectiveOctets(gateway);
  const bool linkLocal = a[0] == 169 && a[1] == 254;
  if (!linkLocal) {
    if (CheckResult check = CheckAddressOctets(FieldKind::Gateway, gateway); !check.ok) {
      return refuse(std::move(check));
    }
  }
  if (!IsContiguousNetmask(m)) {
    return refuse(Refuse("Error", "Netmask address input invalid. Please try again.",
                         MessageIcon::Stop, FieldKind::Netmask, 0));
  }
  if (IsGatewayInconsistent(a, m, g)) {
    return refuse(Refuse("Error", kBadConfiguration, MessageIcon::Stop, FieldKind::Gateway, 0));
  }
  result.texts.newGateway = g == Octets{0, 0, 0, 0} ? std::string() : ClampedDotted(g);
  return result;
}

}  // namespace kfw::core
