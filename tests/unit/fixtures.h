#pragma once
// Shared by the unit tests: replies built byte by byte as a device sends
// them, and a client over the simulated network with virtual time.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "protocol/management_client.h"
#include "protocol/messages.h"
#include "sim/simulated_network.h"

namespace kfw::fixtures {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

// A device id with an opaque prefix and the address in its last four bytes.
inline protocol::DeviceId DeviceAt(const std::string& address) {
  protocol::DeviceId id{0xDE, 0xAD, 0xBE, 0xEF, 0, 1};
  protocol::AddressBytes(address, id.data() + 6);
  return id;
}

inline Bytes ReplyHeader(uint8_t type, const protocol::ClientId& client, const protocol::DeviceId& device) {
  Bytes out{type};
  out.insert(out.end(), client.begin(), client.end());
  out.insert(out.end(), device.begin(), device.end());
  return out;
}

// A query reply: the header, the rest of the fixed part, then the value.
inline Bytes QueryReply(Bytes header, const std::string& value) {
  header.resize(protocol::kQueryHeaderSize, 0);
  Append(header, value);
  return header;
}

// A discovery reply of type 2, 7 or 8 after its header.
struct Found {
  std::string name;
  uint8_t category = 3, subcategory = 3;
  std::string model;
  char dhcp = '0';
  std::string netmask = "255.255.255.0", gateway = "192.168.1.1";
};
inline Bytes DiscoveryReply(Bytes out, const Found& f) {
  const uint8_t type = out[0];
  out.push_back(static_cast<uint8_t>(f.dhcp));
  out.resize(24, 0);
  Append(out, f.netmask);
  out.resize(40, 0);
  Append(out, f.gateway);
  out.resize(56, 0);
  if (type != protocol::MSG_DISCOVER_REPLY_BASIC) {
    out.insert(out.end(), {f.category, f.subcategory});
    out.resize(68, 0);
    if (type == protocol::MSG_DISCOVER_REPLY_MODEL) {
      Append(out, f.model);
      out.resize(100, 0);
    }
  }
  const auto n = static_cast<uint32_t>(f.name.size());
  out.insert(out.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)});
  Append(out, f.name);
  return out;
}

// One interface on segment `segment`; devices added to it are found by Select.
struct SimBed {
  explicit SimBed(const std::string& interfaceAddress = "192.168.1.20", int segment = 0) : segment(segment) {
    net.AddInterface(interfaceAddress, segment);
  }
  sim::SimDevice& Add(sim::DeviceConfig config) { return net.AddDevice(segment, std::move(config)); }
  // Starts the client, discovers and selects `address` as a click would.
  void Select(const std::string& address) {
    EXPECT_TRUE(client.StartNetwork());
    client.SetDiagnostics(&diagnostics);
    client.DiscoverDevices(3, 3);
    selected = address;
    net.ClearSent();
  }
  // The selected device as the list holds it now.
  protocol::DeviceRecord device() const { return client.DeviceAt(selected); }

  int segment;
  platform::FakeClock clock;
  sim::SimulatedNetwork net{clock};
  protocol::ManagementClient client{net, clock};
  std::ostringstream diagnostics;
  std::string selected;
};

}  // namespace kfw::fixtures
