// Discovery replies of types 2, 7 and 8 as a device may send them: the
// record the client keeps must stay within the datagram and the record's
// capacities, whatever the length fields claim.

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protocol/device_list.h"
#include "protocol/messages.h"
#include "protocol/safe_text.h"

using namespace kfw::protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte names the type: a discovery type as it is, any other
  // byte picks one, so no input is wasted on types the reader refuses.
  std::vector<uint8_t> bytes(data, data + size);
  static constexpr uint8_t kTypes[3] = {MSG_DISCOVER_REPLY_BASIC, MSG_DISCOVER_REPLY_TYPED,
                                        MSG_DISCOVER_REPLY_MODEL};
  if (bytes[0] != 2 && bytes[0] != 7 && bytes[0] != 8) bytes[0] = kTypes[bytes[0] % 3];

  const Reply reply(bytes);
  FUZZ_CHECK(reply.size() <= kMaxKept && reply.size() <= bytes.size());
  const auto info = ParseDiscoveryReply(reply);
  const std::size_t fixed = FixedPartSize(bytes[0]);
  FUZZ_CHECK(info.has_value() == (reply.size() >= fixed));
  FUZZ_CHECK(PassesCategoryFilter(reply, 0, 0));
  if (!info) return 0;

  const std::size_t nameAt = fixed;  // the name follows its length field
  FUZZ_CHECK(info->name.size() <= 255);
  FUZZ_CHECK(info->name.size() <= reply.size() - nameAt);
  FUZZ_CHECK(std::memcmp(info->name.data(), bytes.data() + nameAt, info->name.size()) == 0);
  FUZZ_CHECK(info->name.find('\0') == std::string::npos);
  FUZZ_CHECK(info->netmask.size() <= 16 && info->gateway.size() <= 16);
  FUZZ_CHECK(info->model.size() <= 32);
  FUZZ_CHECK(bytes[0] == MSG_DISCOVER_REPLY_MODEL || info->model.empty());
  uint8_t octets[4];
  FUZZ_CHECK(AddressBytes(info->address, octets));
  FUZZ_CHECK(std::memcmp(octets, bytes.data() + 17, 4) == 0);
  FUZZ_CHECK(info->deviceId == reply.SenderDeviceId());

  // What the window and the command line make of the texts.
  for (const std::string* text : {&info->name, &info->model, &info->netmask, &info->gateway}) {
    FUZZ_CHECK(kfw::fuzz::IsValidUtf8(TerminalText(*text)));
    FUZZ_CHECK(kfw::fuzz::IsValidUtf8(JsonQuoted(*text)));
  }

  DeviceList list;
  DeviceRecord record;
  record.name = info->name;
  record.address = info->address;
  record.model = info->model;
  FUZZ_CHECK(list.Add(record));
  FUZZ_CHECK(!list.Add(record));
  FUZZ_CHECK(list.Find(info->address) != nullptr);
  return 0;
}
