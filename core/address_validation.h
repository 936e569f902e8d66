#pragma once
// The program's IPv4 address logic on the user's side: the dotted-address
// parser, the checks of the static LAN settings with their messages, in the
// order the Apply command runs them. No window is needed: fields are given as
// octets and a refusal says which message to show and where the focus goes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/user_message.h"

namespace kfw::core {

using Octets = std::array<int, 4>;

// An address field as the window reads it: four octets (a blank octet of a
// field that is not blank reads as 0), and whether all four are blank.
struct FieldOctets {
  Octets octets{0, 0, 0, 0};
  bool blank = true;
};

enum class FieldKind { Address = 1, Netmask = 2, Gateway = 3 };

// Dotted text ("10.0.0.1", "0x0A.0.0.1", "012.0.0.1", "167772161", "10.1")
// to a 32-bit address, first octet in the top byte. Nothing on failure.
std::optional<uint32_t> ParseDottedAddress(std::string_view text);
Octets OctetsOf(uint32_t address);

struct FieldFocus {
  FieldKind field;
  int octet;
};

struct CheckResult {
  bool ok = true;
  UserMessage message;                // when !ok
  std::optional<FieldFocus> focus;    // where the focus goes on refusal
};

CheckResult CheckAddressOctets(FieldKind kind, const FieldOctets& field);
bool IsSubnetBroadcast(const Octets& a, const Octets& m);
bool IsContiguousNetmask(const Octets& m);
bool IsGatewayInconsistent(const Octets& a, const Octets& m, const Octets& g);

// What validation writes into the management client.
struct StaticSettingsTexts {
  std::optional<std::string> newAddress;  // set from step 5 on
  std::optional<std::string> newNetmask;  // set from step 8 on
  std::optional<std::string> newGateway;  // set only on success ("" for 0.0.0.0)
};

struct ValidationResult {
  CheckResult check;  // ok, or the one message to show
  StaticSettingsTexts texts;
};

ValidationResult ValidateStaticSettings(const FieldOctets& address, const FieldOctets& netmask,
                                        const FieldOctets& gateway);

std::string DottedText(const Octets& o);

}  // namespace kfw::core
