#pragma once
// The add-on payloads the tool carries inside itself: numbered byte blobs,
// each with the file name it gets on a device. They are generated when the
// tool is built and embedded read-only; nothing is unpacked or converted.

#include <cstdint>
#include <span>
#include <string_view>

namespace kfw::addons {

struct Payload {
  std::string_view kind;      // "BT" or "Codepage"
  uint16_t id = 0;
  std::string_view fileName;  // its name on the device, e.g. "unicode_map.KOI8-R"
  std::span<const uint8_t> bytes;
};

// The payload of `kind` (letter case ignored) and number `id`; nullptr when
// the store holds none.
const Payload* FindPayload(std::string_view kind, uint16_t id);
// Every payload the store holds, in table order.
std::span<const Payload> AllPayloads();

}  // namespace kfw::addons
