// The management client over the simulated network, with hostile datagrams
// arriving at any time on either interface, in any order, among a real
// device's answers: discovery, the administrator login, the value queries
// and the set items must keep their lists and texts within bounds and never
// let a device's bytes through to the diagnostic output unescaped.
//
// Input: one options byte, then datagrams, each as
//   flags (bit 0: second interface, bit 1: our client id, bit 2: sent from
//          the simulated device's address), delay in 8 ms steps,
//   length (two bytes, little-endian), bytes.

#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/clock.h"
#include "protocol/management_client.h"
#include "sim/simulated_network.h"

using namespace kfw;
using namespace kfw::protocol;

namespace {

constexpr uint8_t kDeviceAddress[4] = {192, 168, 1, 100};

void CheckTexts(const ManagementClient& client) {
  std::set<std::string> addresses;
  for (const DeviceRecord& record : client.deviceList()) {
    uint8_t octets[4];
    FUZZ_CHECK(AddressBytes(record.address.view(), octets));
    FUZZ_CHECK(addresses.insert(record.address.str()).second);
    FUZZ_CHECK(record.interfaceIndex >= 0 && record.interfaceIndex < client.interfaceCount());
    FUZZ_CHECK(record.name.size() <= 255 && record.model.size() <= 32);
  }
  std::set<std::string> shares;
  for (const std::string& name : client.shareList()) {
    FUZZ_CHECK(!name.empty() && name.size() <= 255 && name.find(':') == std::string::npos);
    FUZZ_CHECK(shares.insert(name).second);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const uint8_t options = data[0];

  platform::FakeClock clock;
  sim::SimulatedNetwork net(clock);
  net.AddInterface("192.168.1.5", 1);
  net.AddInterface("10.0.0.5", 2);
  if (options & 1) {
    sim::DeviceConfig device;
    static constexpr int kTypes[3] = {2, 7, 8};
    device.replyType = kTypes[(options >> 1) % 3];
    device.shares = "HDD_1:USB_1";
    device.adminPassword = "fuzz";
    device.duplicates = 1 + ((options >> 3) & 1);
    net.AddDevice(1, device);
  }

  ManagementClient client(net, clock);
  std::ostringstream diagnostics;
  client.SetDiagnostics(&diagnostics);
  client.SetRandomSource([] { return 0x42; });
  FUZZ_CHECK(client.StartNetwork());

  int datagrams = 0;
  std::size_t at = 1;
  while (at + 4 <= size) {
    const uint8_t flags = data[at];
    const auto delay = std::chrono::milliseconds(8 * data[at + 1]);
    const std::size_t length = data[at + 2] | (std::size_t(data[at + 3]) << 8);
    at += 4;
    std::vector<uint8_t> bytes(data + at, data + std::min(size, at + length));
    at += bytes.size();
    if ((flags & 2) && bytes.size() > 6) {
      for (std::size_t i = 0; i < 6; ++i) bytes[1 + i] = client.clientId()[i];
    }
    if ((flags & 4) && bytes.size() > 20) {
      for (std::size_t i = 0; i < 4; ++i) bytes[17 + i] = kDeviceAddress[i];
    }
    net.Inject((flags & 1) ? 2 : 1, std::move(bytes), delay);
    ++datagrams;
  }

  const int category = (options & 0x10) ? 0 : kCategoryFilter;
  client.DiscoverDevices(category, category);
  CheckTexts(client);
  FUZZ_CHECK(client.deviceList().count() <= datagrams + 1);

  if (!client.deviceList().empty()) {
    const DeviceRecord device = client.deviceList().records().front();
    std::string selected = device.address.str();
    client.LoginAdministrator(device, "admin", "fuzz");
    client.QueryShareList(device);
    const auto ssl = client.QuerySsl(device);
    const auto domain = client.QueryDomain(device);
    client.SetWorkgroup(device, "WORKGROUP");
    if (options & 0x20) {
      if (const auto moved = client.SetDhcpClient(device)) selected = *moved;
    } else {
      const LanSettings settings{"192.168.1.101", "255.255.255.0", "192.168.1.1"};
      if (client.SetStaticAddress(device, settings)) selected = settings.newAddress.str();
    }
    CheckTexts(client);
    FUZZ_CHECK(ssl.value_or("").size() <= 7 && domain.value_or("").size() <= 127);
    uint8_t octets[4];
    FUZZ_CHECK(AddressBytes(selected, octets));
  }

  // A device's value reaches the diagnostics one escaped line at a time.
  for (char c : diagnostics.str()) {
    const auto byte = static_cast<unsigned char>(c);
    FUZZ_CHECK(byte == '\n' || (byte >= 0x20 && byte != 0x7F));
  }
  client.StopNetwork();
  FUZZ_CHECK(net.openSockets() == 0);
  return 0;
}
