#pragma once
// The kinds of argument several findway commands take, read and checked
// the one way.

#include <optional>
#include <string>
#include <string_view>

#include "core/address_validation.h"

namespace kfw::cli {

// A device's address in canonical dotted form ("010.0.0.1" is 10.0.0.1).
std::optional<std::string> DeviceAddress(const std::string& text);
// Why `text` was refused as a device's address.
std::string NotAnAddress(const std::string& text);
// "k", "K" or "k:" as "K:".
std::optional<std::string> DriveLetter(std::string text);
// An address field as the LAN panel holds it: four octets of 0-255, or
// blank when the text is empty.
std::optional<core::FieldOctets> FieldOf(std::string_view text);
// "950" or "Traditional Chinese" (case ignored) to the Language list's
// index; nothing for anything else.
std::optional<int> LanguageIndex(std::string_view text);
// Why `name` cannot name a share, or nothing when it can.
std::optional<std::string> ShareNameRefusal(const std::string& name);

}  // namespace kfw::cli
