// The dotted-address parser and the checks of the static LAN settings: an
// address that parses prints and parses back to itself, and a validation
// that passes hands the client texts its fields hold.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/address_validation.h"
#include "fuzz/fuzz_check.h"
#include "protocol/messages.h"

using namespace kfw::core;

namespace {

// Three fields of four octets each, with a blank flag per octet.
FieldOctets Field(const uint8_t* bytes, uint8_t blanks) {
  FieldOctets field;
  field.blank = (blanks & 0x0F) == 0x0F;
  for (int i = 0; i < 4; ++i) field.octets[i] = (blanks >> i) & 1 ? 0 : bytes[i];
  return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (const auto value = ParseDottedAddress(text)) {
    const std::string dotted = DottedText(OctetsOf(*value));
    FUZZ_CHECK(ParseDottedAddress(dotted) == value);
    uint8_t octets[4];
    FUZZ_CHECK(kfw::protocol::AddressBytes(dotted, octets));
    FUZZ_CHECK(kfw::protocol::FormatAddress(octets) == dotted);
  }
  uint8_t octets[4];
  if (kfw::protocol::AddressBytes(text, octets)) {
    FUZZ_CHECK(ParseDottedAddress(kfw::protocol::FormatAddress(octets)).has_value());
  }

  if (size < 15) return 0;
  const FieldOctets address = Field(data, data[12]);
  const FieldOctets netmask = Field(data + 4, data[13]);
  const FieldOctets gateway = Field(data + 8, data[14]);
  const ValidationResult result = ValidateStaticSettings(address, netmask, gateway);
  if (result.check.ok) {
    FUZZ_CHECK(result.texts.newAddress && result.texts.newNetmask && result.texts.newGateway);
    FUZZ_CHECK(*result.texts.newAddress == DottedText(address.octets));
    FUZZ_CHECK(*result.texts.newNetmask == DottedText(netmask.octets));
    FUZZ_CHECK(IsContiguousNetmask(netmask.octets));
    FUZZ_CHECK(!IsSubnetBroadcast(address.octets, netmask.octets));
  } else {
    FUZZ_CHECK(!result.check.message.text.empty());
    FUZZ_CHECK(!result.texts.newGateway);
  }
  for (const FieldOctets* f : {&address, &netmask, &gateway}) {
    const CheckResult check = CheckAddressOctets(FieldKind::Address, *f);
    FUZZ_CHECK(check.ok || !check.message.text.empty());
  }
  return 0;
}
