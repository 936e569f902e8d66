#pragma once
// The management protocol's datagrams: constants, request builders and the
// readers of replies. Every request goes to the group endpoint; a reply is
// recognised by the client id it echoes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kfw::protocol {

inline constexpr uint16_t kPort = 13579;
inline constexpr const char* kGroupAddress = "224.0.0.1";
inline constexpr std::size_t kBufferSize = 4096;
inline constexpr std::size_t kMaxKept = kBufferSize - 1;  // bytes of a reply examined

inline constexpr std::size_t kDiscoverSize = 11;
inline constexpr std::size_t kQueryHeaderSize = 28;
inline constexpr std::size_t kSetHeaderSize = 60;
inline constexpr uint8_t kLoginSeparator[2] = {0x55, 0xAA};

// Message types (byte 0).
inline constexpr uint8_t MSG_DISCOVER = 1;
inline constexpr uint8_t MSG_DISCOVER_REPLY_BASIC = 2;
inline constexpr uint8_t MSG_QUERY = 3;
inline constexpr uint8_t MSG_QUERY_REPLY = 4;
inline constexpr uint8_t MSG_SET = 5;
inline constexpr uint8_t MSG_SET_REPLY = 6;
inline constexpr uint8_t MSG_DISCOVER_REPLY_TYPED = 7;
inline constexpr uint8_t MSG_DISCOVER_REPLY_MODEL = 8;

// Query items (byte 21 of MSG_QUERY).
inline constexpr uint8_t QUERY_SHARE_LIST = 3;
inline constexpr uint8_t QUERY_ADMIN_LOGIN = 4;
inline constexpr uint8_t QUERY_WORKGROUP = 6;
inline constexpr uint8_t QUERY_CODEPAGE = 9;
inline constexpr uint8_t QUERY_IDEOK = 11;
inline constexpr uint8_t QUERY_SHARENAME = 12;
inline constexpr uint8_t QUERY_BT_FIRMWARE = 15;
inline constexpr uint8_t QUERY_DOMAIN = 18;
inline constexpr uint8_t QUERY_SSL = 19;

// Set items (byte 21 of MSG_SET).
inline constexpr uint8_t SET_STATIC_ADDRESS = 1;
inline constexpr uint8_t SET_DHCP_CLIENT = 2;
inline constexpr uint8_t SET_ITEM_5 = 5;
inline constexpr uint8_t SET_WORKGROUP = 7;
inline constexpr uint8_t SET_CODEPAGE = 8;
inline constexpr uint8_t SET_ACCESS_MODE = 10;
inline constexpr uint8_t SET_CONTROL = 13;
inline constexpr uint8_t SET_ADDON = 14;

using ClientId = std::array<uint8_t, 10>;
using DeviceId = std::array<uint8_t, 10>;
using Buffer = std::array<uint8_t, kBufferSize>;

// Builders write into a zero-filled buffer and return the bytes to send.
std::size_t BuildDiscoverRequest(Buffer& buffer, const ClientId& clientId);
std::size_t BuildQueryRequest(Buffer& buffer, const ClientId& clientId, const DeviceId& target,
                              uint8_t item);
std::size_t BuildLoginRequest(Buffer& buffer, const ClientId& clientId, const DeviceId& target,
                              std::string_view user, std::string_view password);
// For SET_DHCP_CLIENT the texts are ignored: bytes 24..59 stay zero.
std::size_t BuildSetRequest(Buffer& buffer, const ClientId& clientId, const DeviceId& target,
                            uint8_t item, std::string_view netmask, std::string_view gateway,
                            std::string_view payload);

// A received datagram, cut to the bytes the program examines. Reads past its
// end yield zero, so a short or truncated reply is never read out of bounds.
class Reply {
 public:
  explicit Reply(std::span<const uint8_t> bytes)
      : bytes_(bytes.first(bytes.size() < kMaxKept ? bytes.size() : kMaxKept)) {}

  std::size_t size() const { return bytes_.size(); }
  uint8_t Byte(std::size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }
  uint32_t U32(std::size_t offset) const;
  // Text of a fixed-width field: up to its first NUL, its width or the end.
  std::string Field(std::size_t offset, std::size_t width) const;
  // "%d.%d.%d.%d" of bytes 17..20: the sender's address.
  std::string SenderAddress() const;
  DeviceId SenderDeviceId() const;
  bool MatchesClient(const ClientId& clientId) const;
  // Text from offset 28 up to the first NUL or the end of the datagram.
  std::string QueryValue() const;

 private:
  std::span<const uint8_t> bytes_;
};

bool MatchClientId(const Reply& reply, const ClientId& clientId);

// What a discovery reply says about its device.
struct DiscoveryInfo {
  std::string name;  // at most 255 bytes, never beyond the datagram
  std::string address;
  std::string netmask;
  std::string gateway;
  char dhcpFlag = 0;
  DeviceId deviceId{};
  std::string model;  // type 8 only
};

// Bytes a reply of `type` needs to hold its fixed part: the header with the
// device id, for a query reply the whole 28-byte header, for a discovery reply
// every field up to the name length. A shorter datagram is not a reply.
std::size_t FixedPartSize(uint8_t type);

// True for types 2, 7 and 8 that pass the category filters (0 accepts any).
bool PassesCategoryFilter(const Reply& reply, int category, int subcategory);
// Reads a discovery reply of type 2, 7 or 8; nothing for any other type or
// for one too short to hold its fixed part.
std::optional<DiscoveryInfo> ParseDiscoveryReply(const Reply& reply);

// Share names of a share-list value: split at ':', empty pieces dropped,
// each kept once in first-seen order, each cut to 255 bytes.
std::vector<std::string> SplitShareList(std::string_view value);

std::string FormatAddress(const uint8_t octets[4]);
// Dotted-decimal text to four bytes; false unless it is exactly a.b.c.d.
bool AddressBytes(std::string_view text, uint8_t out[4]);

}  // namespace kfw::protocol
