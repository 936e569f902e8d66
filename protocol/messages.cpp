#include "protocol/messages.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace kfw::protocol {
namespace {

void PutU32(Buffer& buffer, std::size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) buffer[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Copies `text` into the buffer without a terminator; returns the bytes copied.
std::size_t PutText(Buffer& buffer, std::size_t offset, std::string_view text, std::size_t width) {
  const std::size_t n = std::min(text.size(), width);
  std::memcpy(buffer.data() + offset, text.data(), n);
  return n;
}

std::size_t PutTargetedHeader(Buffer& buffer, uint8_t type, const ClientId& clientId,
                              const DeviceId& target, uint8_t item) {
  buffer.fill(0);
  buffer[0] = type;
  std::copy(clientId.begin(), clientId.end(), buffer.begin() + 1);
  std::copy(target.begin(), target.end(), buffer.begin() + 11);
  buffer[21] = item;
  return 22;
}

}  // namespace

std::size_t BuildDiscoverRequest(Buffer& buffer, const ClientId& clientId) {
  buffer.fill(0);
  buffer[0] = MSG_DISCOVER;
  std::copy(clientId.begin(), clientId.end(), buffer.begin() + 1);
  return kDiscoverSize;
}

std::size_t BuildQueryRequest(Buffer& buffer, const ClientId& clientId, const DeviceId& target,
                              uint8_t item) {
  PutTargetedHeader(buffer, MSG_QUERY, clientId, target, item);
  return kQueryHeaderSize;
}

std::size_t BuildLoginRequest(Buffer& buffer, const ClientId& clientId, const DeviceId& target,
                              std::string_view user, std::string_view password) {
  PutTargetedHeader(buffer, MSG_QUERY, clientId, target, QUERY_ADMIN_LOGIN);
  // Callers pass texts of at most 16 characters; the clamp keeps the
  // datagram inside its buffer whatever they pass.
  constexpr std::size_t kMaxText = 1000;
  std::size_t at = kQueryHeaderSize;
  at += PutText(buffer, at, user, kMaxText);
  buffer[at++] = kLoginSeparator[0];
  buffer[at++] = kLoginSeparator[1];
  at += PutText(buffer, at, password, kMaxText);
  PutU32(buffer, 24, static_cast<uint32_t>(at - kQueryHeaderSize));
  return at;
}

std::size_t BuildSetRequest(Buffer& buffer, const ClientId& clientId, const DeviceId& target,
                            uint8_t item, std::string_view netmask, std::string_view gateway,
                            std::string_view payload) {
  PutTargetedHeader(buffer, MSG_SET, clientId, target, item);
  if (item == SET_DHCP_CLIENT) return kSetHeaderSize;
  PutText(buffer, 24, netmask, 16);
  PutText(buffer, 40, gateway, 16);
  const std::size_t n = PutText(buffer, kSetHeaderSize, payload, kBufferSize - kSetHeaderSize);
  PutU32(buffer, 56, static_cast<uint32_t>(n));
  return kSetHeaderSize + n;
}

uint32_t Reply::U32(std::size_t offset) const {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | Byte(offset + i);
  return value;
}

std::string Reply::Field(std::size_t offset, std::size_t width) const {
  std::string text;
  for (std::size_t i = 0; i < width && offset + i < bytes_.size(); ++i) {
    const uint8_t c = bytes_[offset + i];
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

std::string Reply::SenderAddress() const {
  const uint8_t octets[4] = {Byte(17), Byte(18), Byte(19), Byte(20)};
  return FormatAddress(octets);
}

DeviceId Reply::SenderDeviceId() const {
  DeviceId id{};
  for (std::size_t i = 0; i < id.size(); ++i) id[i] = Byte(11 + i);
  return id;
}

bool Reply::MatchesClient(const ClientId& clientId) const {
  for (std::size_t i = 0; i < 6; ++i) {
    if (Byte(1 + i) != clientId[i]) return false;
  }
  return true;
}

std::string Reply::QueryValue() const {
  return kQueryHeaderSize < bytes_.size() ? Field(kQueryHeaderSize, bytes_.size()) : std::string();
}

bool MatchClientId(const Reply& reply, const ClientId& clientId) {
  return reply.MatchesClient(clientId);
}

std::size_t FixedPartSize(uint8_t type) {
  switch (type) {
    case MSG_DISCOVER_REPLY_BASIC: return 60;
    case MSG_DISCOVER_REPLY_TYPED: return 72;
    case MSG_DISCOVER_REPLY_MODEL: return 104;
    case MSG_QUERY_REPLY: return kQueryHeaderSize;
    case MSG_SET_REPLY: return 21;
    default: return 0;
  }
}

bool PassesCategoryFilter(const Reply& reply, int category, int subcategory) {
  const uint8_t type = reply.Byte(0);
  if (type == MSG_DISCOVER_REPLY_BASIC) return true;
  if (type != MSG_DISCOVER_REPLY_TYPED && type != MSG_DISCOVER_REPLY_MODEL) return false;
  return (category == 0 || reply.Byte(56) == category) &&
         (subcategory == 0 || reply.Byte(57) == subcategory);
}

std::optional<DiscoveryInfo> ParseDiscoveryReply(const Reply& reply) {
  std::size_t lengthAt = 0;
  switch (reply.Byte(0)) {
    case MSG_DISCOVER_REPLY_BASIC: lengthAt = 56; break;
    case MSG_DISCOVER_REPLY_TYPED: lengthAt = 68; break;
    case MSG_DISCOVER_REPLY_MODEL: lengthAt = 100; break;
    default: return std::nullopt;
  }
  if (reply.size() < FixedPartSize(reply.Byte(0))) return std::nullopt;
  DiscoveryInfo info;
  info.address = reply.SenderAddress();
  info.netmask = reply.Field(24, 16);
  info.gateway = reply.Field(40, 16);
  info.dhcpFlag = static_cast<char>(reply.Byte(21));
  info.deviceId = reply.SenderDeviceId();
  if (reply.Byte(0) == MSG_DISCOVER_REPLY_MODEL) info.model = reply.Field(68, 32);

  // The name is cut to 255 bytes and to what the datagram holds; a length
  // field that claims more is never followed past the end.
  const std::size_t nameAt = lengthAt + 4;
  const std::size_t present = reply.size() > nameAt ? reply.size() - nameAt : 0;
  const std::size_t n = std::min<std::size_t>({reply.U32(lengthAt), 255, present});
  info.name.reserve(n);
  for (std::size_t i = 0; i < n; ++i) info.name.push_back(static_cast<char>(reply.Byte(nameAt + i)));
  // The record holds the name as a terminated text.
  if (const auto nul = info.name.find('\0'); nul != std::string::npos) info.name.resize(nul);
  return info;
}

std::vector<std::string> SplitShareList(std::string_view value) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(':', start);
    if (end == std::string_view::npos) end = value.size();
    std::string_view piece = value.substr(start, end - start).substr(0, 255);
    if (!piece.empty() && std::find(names.begin(), names.end(), piece) == names.end()) {
      names.emplace_back(piece);
    }
    start = end + 1;
  }
  return names;
}

std::string FormatAddress(const uint8_t octets[4]) {
  char text[20];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
  return text;
}

bool AddressBytes(std::string_view text, uint8_t out[4]) {
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (p == end || *p != '.') return false;
      ++p;
    }
    unsigned value = 0;
    auto [next, ec] = std::from_chars(p, end, value);
    if (ec != std::errc() || next == p || value > 255) return false;
    out[i] = static_cast<uint8_t>(value);
    p = next;
  }
  return p == end;
}

}  // namespace kfw::protocol
