#include "sim/sim_device.h"

#include <algorithm>

#include "protocol/messages.h"
#include "sim/address_text.h"

namespace kfw::sim {
namespace {

using namespace kfw::protocol;

// The junk that goes with an answer: datagrams of a type no device or tool
// uses, and the answer itself as if it were for another tool.
constexpr uint8_t kJunkType = 9;

uint32_t ReadU32(std::span<const uint8_t> bytes, std::size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[offset + i];
  return value;
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// `text` in a fixed-width field: cut to the width, NUL-padded.
void AppendField(std::vector<uint8_t>& out, const std::string& text, std::size_t width) {
  const std::size_t n = std::min(text.size(), width);
  out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
  out.insert(out.end(), width - n, 0);
}

// Text of a NUL-padded request field.
std::string ReadField(std::span<const uint8_t> bytes, std::size_t offset, std::size_t width) {
  std::string text;
  for (std::size_t i = offset; i < offset + width && i < bytes.size() && bytes[i] != 0; ++i)
    text.push_back(static_cast<char>(bytes[i]));
  return text;
}

bool Contains(const std::vector<int>& items, int item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// The address a device takes when its DHCP client comes on and no lease is
// configured: same network, a different and predictable host part.
std::string DerivedDhcpAddress(const std::string& address) {
  auto octets = ParseIpv4(address);
  if (!octets) return address;
  (*octets)[3] = static_cast<uint8_t>(((*octets)[3] + 100) % 254 + 1);
  return FormatIpv4(*octets);
}

}  // namespace

std::string SettledShareName(const DeviceConfig& config) {
  return config.sharename.empty() ? std::string() : config.sharename.back();
}

SimDevice::SimDevice(DeviceConfig config, uint32_t seed)
    : config_(std::move(config)), rng_(seed), floodRng_(seed ^ 0x5eed) {}

std::array<uint8_t, 10> SimDevice::deviceId() const {
  std::array<uint8_t, 10> id{};
  std::copy(config_.idPrefix.begin(), config_.idPrefix.end(), id.begin());
  if (auto octets = ParseIpv4(config_.address)) std::copy(octets->begin(), octets->end(), id.begin() + 6);
  return id;
}

std::vector<OutgoingDatagram> SimDevice::HandleRequest(std::span<const uint8_t> request) {
  log_.emplace_back(request.begin(), request.end());
  if (config_.silent || request.empty()) return {};
  if ((request[0] == MSG_DISCOVER && request.size() >= kDiscoverSize) ||
      ((request[0] == MSG_QUERY || request[0] == MSG_SET) && request.size() >= 22))
    lastRequest_.assign(request.begin(), request.end());

  switch (request[0]) {
    case MSG_DISCOVER:
      if (request.size() < kDiscoverSize) return {};
      return Answer(DiscoveryReply(request));
    case MSG_QUERY:
    case MSG_SET: {
      const bool query = request[0] == MSG_QUERY;
      const std::size_t header = query ? kQueryHeaderSize : kSetHeaderSize;
      if (request.size() < header) return {};
      const auto id = deviceId();
      if (!std::equal(id.begin(), id.end(), request.begin() + 11)) return {};
      const int item = request[21];
      if (Contains(config_.ignoreItems, item)) return {};
      auto reply = query ? QueryReply(request) : SetReply(request);
      if (reply.empty()) return {};
      return Answer(std::move(reply));
    }
    default:
      // Replies of other devices and anything unknown: a device never answers.
      return {};
  }
}

std::vector<uint8_t> SimDevice::Header(uint8_t type, std::span<const uint8_t> request) const {
  std::vector<uint8_t> out;
  out.reserve(128);
  out.push_back(type);
  out.insert(out.end(), request.begin() + 1, request.begin() + 11);
  const auto id = deviceId();
  out.insert(out.end(), id.begin(), id.end());
  return out;
}

std::vector<uint8_t> SimDevice::DiscoveryReply(std::span<const uint8_t> request) const {
  const int type = config_.replyType;
  auto out = Header(static_cast<uint8_t>(type), request);
  if (auto claimed = ParseIpv4(config_.claimsAddress)) std::copy(claimed->begin(), claimed->end(), out.begin() + 17);
  out.push_back(config_.dhcp ? '1' : '0');
  out.insert(out.end(), 2, 0);
  AppendField(out, config_.netmask, 16);
  AppendField(out, config_.gateway, 16);
  if (type == MSG_DISCOVER_REPLY_TYPED || type == MSG_DISCOVER_REPLY_MODEL) {
    out.push_back(static_cast<uint8_t>(config_.category));
    out.push_back(static_cast<uint8_t>(config_.subcategory));
    out.insert(out.end(), 10, 0);
    if (type == MSG_DISCOVER_REPLY_MODEL) AppendField(out, config_.model, 32);
  }
  AppendU32(out, static_cast<uint32_t>(config_.nameLengthField >= 0 ? config_.nameLengthField
                                                                     : config_.name.size()));
  out.insert(out.end(), config_.name.begin(), config_.name.end());
  return out;
}

std::vector<uint8_t> SimDevice::QueryReply(std::span<const uint8_t> request) {
  const std::string* value = nullptr;
  std::string verdict;
  switch (request[21]) {
    case QUERY_SHARE_LIST: value = &config_.shares; break;
    case QUERY_WORKGROUP: value = &config_.workgroup; break;
    case QUERY_CODEPAGE: value = &config_.codepage; break;
    case QUERY_SHARENAME: value = NextInSequence(config_.sharename, sharenameIndex_); break;
    case QUERY_DOMAIN: value = &config_.domain; break;
    case QUERY_SSL: value = &config_.ssl; break;
    case QUERY_IDEOK: value = NextInSequence(config_.ideok, ideokIndex_); break;
    case QUERY_BT_FIRMWARE: value = NextInSequence(config_.btFirmware, btIndex_); break;
    case QUERY_ADMIN_LOGIN: {
      const uint32_t length = ReadU32(request, 24);
      if (length > request.size() - kQueryHeaderSize) return {};  // cut short on the way
      verdict.push_back(static_cast<char>(LoginAccepted(request.subspan(kQueryHeaderSize, length))
                                              ? config_.loginVerdict
                                              : 0));
      value = &verdict;
      break;
    }
    default:
      return {};
  }
  static const std::string kNothing;
  if (!value) value = &kNothing;
  auto out = Header(MSG_QUERY_REPLY, request);
  out.insert(out.end(), kQueryHeaderSize - out.size(), 0);
  out.insert(out.end(), value->begin(), value->end());
  return out;
}

bool SimDevice::LoginAccepted(std::span<const uint8_t> payload) const {
  const uint8_t separator[2] = {kLoginSeparator[0], kLoginSeparator[1]};
  auto at = std::search(payload.begin(), payload.end(), separator, separator + 2);
  if (at == payload.end()) return false;
  const std::string user(payload.begin(), at);
  const std::string password(at + 2, payload.end());
  return user == "admin" && password == config_.adminPassword;
}

const std::string* SimDevice::NextInSequence(const std::vector<std::string>& sequence,
                                             std::size_t& index) {
  if (sequence.empty()) return nullptr;
  const std::string* value = &sequence[std::min(index, sequence.size() - 1)];
  if (index + 1 < sequence.size()) ++index;
  return value;
}

std::vector<uint8_t> SimDevice::SetReply(std::span<const uint8_t> request) {
  const uint32_t length = ReadU32(request, 56);
  if (length > request.size() - kSetHeaderSize) return {};
  const std::string payload(request.begin() + kSetHeaderSize,
                            request.begin() + kSetHeaderSize + length);
  switch (request[21]) {
    case SET_STATIC_ADDRESS:
      // A device refuses an address it cannot use and stays silent.
      if (!ParseIpv4(payload)) return {};
      config_.address = payload;
      config_.netmask = ReadField(request, 24, 16);
      config_.gateway = ReadField(request, 40, 16);
      config_.dhcp = false;
      break;
    case SET_DHCP_CLIENT:
      config_.dhcp = true;
      config_.address =
          config_.dhcpAddress.empty() ? DerivedDhcpAddress(config_.address) : config_.dhcpAddress;
      break;
    case SET_ITEM_5: config_.item5 = payload; break;
    case SET_WORKGROUP: config_.workgroup = payload; break;
    case SET_CODEPAGE:
      config_.codepage = payload;
      events_.push_back({"codepage", payload});
      break;
    case SET_ACCESS_MODE:
      config_.accessMode = payload;
      events_.push_back({"access_mode", payload});
      break;
    case SET_CONTROL:
      config_.control = payload;
      events_.push_back({"control", payload});
      break;
    case SET_ADDON:
      config_.addon = payload;
      events_.push_back({"addon", payload});
      break;
    default:
      return {};
  }
  // Built after the change: an address change is confirmed from the new address.
  auto out = Header(MSG_SET_REPLY, request);
  out.push_back(request[21]);
  out.insert(out.end(), kQueryHeaderSize - out.size(), 0);
  return out;
}

std::chrono::milliseconds SimDevice::RandomDelay() {
  const int low = std::max(0, config_.delayMinMs);
  const int high = std::max(low, config_.delayMaxMs);
  if (low == high) return std::chrono::milliseconds(low);
  return std::chrono::milliseconds(std::uniform_int_distribution<int>(low, high)(rng_));
}

std::vector<OutgoingDatagram> SimDevice::Answer(std::vector<uint8_t> reply) {
  std::vector<OutgoingDatagram> out;
  const int copies = std::max(1, config_.duplicates);
  for (int copy = 0; copy < copies; ++copy) {
    const auto delay = RandomDelay();
    if (copy == 0 && config_.junkFlood > 0) {
      // The junk leaves before the answer, so a client has to wade through
      // it: alternately a datagram of an unused type and the answer as if it
      // were meant for another tool (client id changed).
      for (int k = 0; k < config_.junkFlood; ++k) {
        std::vector<uint8_t> junk = reply;
        if (k % 2 == 0) {
          junk[0] = kJunkType;
        } else {
          for (int b = 1; b <= 6; ++b) junk[b] = static_cast<uint8_t>(~junk[b]);
        }
        out.push_back({delay + std::chrono::milliseconds(k * config_.junkIntervalMs), std::move(junk)});
      }
      out.push_back(
          {delay + std::chrono::milliseconds(config_.junkFlood * config_.junkIntervalMs), reply});
      continue;
    }
    out.push_back({delay, reply});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const auto& a, const auto& b) { return a.delay < b.delay; });
  return out;
}

std::vector<uint8_t> SimDevice::FloodDatagram(uint64_t n) {
  using Kind = DeviceConfig::FloodKind;
  const auto& kinds = config_.floodKinds;
  const Kind kind = kinds.empty() ? Kind::Random : kinds[n % kinds.size()];
  if (kind == Kind::Random) {
    std::vector<uint8_t> out(1 + floodRng_() % 600);
    // Four bytes a draw: the flood's sender is meant to be fast.
    for (std::size_t i = 0; i < out.size(); i += 4) {
      const uint32_t r = floodRng_();
      for (std::size_t k = 0; k < 4 && i + k < out.size(); ++k) out[i + k] = static_cast<uint8_t>(r >> (8 * k));
    }
    return out;
  }
  // Before any request: shaped after a discovery by client id zero.
  std::vector<uint8_t> request = lastRequest_;
  if (request.empty()) request.assign(kDiscoverSize, 0), request[0] = MSG_DISCOVER;
  const bool discovery = request[0] == MSG_DISCOVER;
  const uint8_t targeted = request[0] == MSG_SET ? MSG_SET_REPLY : MSG_QUERY_REPLY;

  std::vector<uint8_t> out;
  if (discovery && kind != Kind::WrongSender) {
    out = DiscoveryReply(request);
  } else {
    // A discovery takes any sender: from another address the flood sends
    // the targeted answer's type, which a discovery does not list.
    out = Header(targeted, request);
    out.resize(kQueryHeaderSize, 0);
    const std::string value = "1";  // a plausible value and login verdict
    out.insert(out.end(), value.begin(), value.end());
  }
  switch (kind) {
    case Kind::Foreign:
      for (int b = 1; b <= 6; ++b) out[b] = static_cast<uint8_t>(~out[b]);
      break;
    case Kind::OtherType:
      out[0] = kJunkType;
      break;
    case Kind::WrongSender:
      out[20] ^= 0x80;
      break;
    case Kind::Forged: {
      // Another device every time, for 2^22 datagrams.
      const uint32_t forged = (100u << 24 | 64u << 16) + static_cast<uint32_t>(n % (1u << 22));
      for (int i = 0; i < 4; ++i) out[17 + i] = static_cast<uint8_t>(forged >> (24 - 8 * i));
      break;
    }
    case Kind::Random:
      break;
  }
  return out;
}

}  // namespace kfw::sim
