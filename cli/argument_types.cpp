#include "cli/argument_types.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "cli/findway_output.h"
#include "core/addon_install.h"
#include "platform/ascii.h"
#include "protocol/management_client.h"

namespace kfw::cli {

std::optional<std::string> DeviceAddress(const std::string& text) {
  uint8_t octets[4];
  if (!protocol::AddressBytes(text, octets)) return std::nullopt;
  return protocol::FormatAddress(octets);
}

std::string NotAnAddress(const std::string& text) { return EchoedArgument(text) + " is not an IPv4 address"; }

std::optional<std::string> DriveLetter(std::string text) {
  if (text.size() == 2 && text[1] == ':') text.pop_back();
  if (text.size() != 1 || !std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
  return std::string{static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))), ':'};
}

std::optional<core::FieldOctets> FieldOf(std::string_view text) {
  core::FieldOctets field;
  if (text.empty()) return field;
  field.blank = false;
  for (int i = 0; i < 4; ++i) {
    const std::size_t dot = i < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view part = text.substr(0, dot);
    if (part.empty() || part.size() > 3 ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    std::from_chars(part.data(), part.data() + part.size(), field.octets[i]);
    if (field.octets[i] > 255) return std::nullopt;
    text.remove_prefix(std::min(text.size(), dot + 1));
  }
  return field;
}

std::optional<int> LanguageIndex(std::string_view text) {
  for (int index = 0; index < core::kLanguageCount; ++index) {
    if (text == core::LanguageCodepage(index) || platform::SameIgnoringCase(text, core::LanguageText(index))) {
      return index;
    }
  }
  return std::nullopt;
}

std::optional<std::string> ShareNameRefusal(const std::string& name) {
  if (name.empty() || name.size() > 255 ||
      std::any_of(name.begin(), name.end(),
                  [](unsigned char c) { return c < 0x20 || c == '\\' || c == '/' || c == 0x7f; })) {
    return EchoedArgument(name) + " is not a share name";
  }
  return std::nullopt;
}

}  // namespace kfw::cli
