// Query and set replies, and the login verdict they carry: the value read
// from a reply never reaches past the datagram, stops at its first NUL, and
// the header fields read the same bytes the device sent.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "fuzz/fuzz_check.h"
#include "protocol/messages.h"
#include "protocol/safe_text.h"

using namespace kfw::protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const Reply reply(std::span<const uint8_t>(data, size));
  const std::size_t kept = std::min(size, kMaxKept);
  FUZZ_CHECK(reply.size() == kept);
  FUZZ_CHECK(reply.Byte(kept) == 0 && reply.Byte(kept + 100000) == 0);

  const std::string value = reply.QueryValue();
  FUZZ_CHECK(value.find('\0') == std::string::npos);
  FUZZ_CHECK(kept <= kQueryHeaderSize ? value.empty()
                                      : value.size() <= kept - kQueryHeaderSize);
  FUZZ_CHECK(std::memcmp(value.data(), data + std::min(kept, kQueryHeaderSize), value.size()) == 0);
  // The value ends at a NUL or at the end of what is kept.
  FUZZ_CHECK(kQueryHeaderSize + value.size() == std::max(kept, kQueryHeaderSize) ||
             reply.Byte(kQueryHeaderSize + value.size()) == 0);

  ClientId id{};
  for (std::size_t i = 0; i < 6; ++i) id[i] = reply.Byte(1 + i);
  FUZZ_CHECK(reply.MatchesClient(id) && MatchClientId(reply, id));
  id[0] ^= 1;
  FUZZ_CHECK(!reply.MatchesClient(id));

  uint8_t octets[4];
  FUZZ_CHECK(AddressBytes(reply.SenderAddress(), octets));
  for (int i = 0; i < 4; ++i) FUZZ_CHECK(octets[i] == reply.Byte(17 + i));

  // The login verdict is the signed byte after the header.
  const int verdict = static_cast<int8_t>(reply.Byte(kQueryHeaderSize));
  FUZZ_CHECK(verdict >= -128 && verdict <= 127);
  FUZZ_CHECK((verdict != 0) == (kept > kQueryHeaderSize && data[kQueryHeaderSize] != 0));

  FUZZ_CHECK(kfw::fuzz::IsValidUtf8(TerminalText(value)));
  FUZZ_CHECK(FixedPartSize(MSG_SET_REPLY) <= FixedPartSize(MSG_QUERY_REPLY));
  return 0;
}
