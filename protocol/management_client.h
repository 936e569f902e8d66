#pragma once
// The management client: the workstation's endpoints, the client id, the
// blocking request/response exchanges, discovery and the two lists.
//
// Callers set the input members, call an operation and read its integer
// result (1 success, 0 failure; the login answers the device's verdict) and
// the result members. Nothing here throws or shows anything to the user.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/socket_layer.h"
#include "protocol/device_list.h"
#include "protocol/fixed_text.h"
#include "protocol/messages.h"

namespace kfw::protocol {

using std::chrono::milliseconds;

// Waits and pauses of the exchanges. The defaults are the shipped values;
// tests shrink them.
struct ExchangeTiming {
  milliseconds wait{10};           // per-cycle wait of queries and most set items
  milliseconds dhcpWait{1000};     // per-cycle wait of SetDhcpClient
  milliseconds pause{100};         // pause after a counted cycle
  milliseconds drainWait{10};      // per drain cycle of the value queries
  milliseconds sendPause{50};      // after each copy of the discovery request
  milliseconds discoverWait{10};   // per discovery listening cycle
  milliseconds discoverPause{20};  // between discovery listening cycles
};

inline constexpr int kMaxInterfaces = 8;
inline constexpr int kDiscoverCycles = 32;
inline constexpr int kCategoryFilter = 3;
inline constexpr int kSubcategoryFilter = 3;
// Far more devices than any network holds; beyond them a discovery is being
// fed forged replies, and listing them would only cost memory.
inline constexpr int kMaxDevicesPerInterface = 4096;
inline constexpr int kMaxDevicesPerDiscovery = 16384;

class ManagementClient {
 public:
  ManagementClient(platform::SocketLayer& sockets, platform::Clock& clock,
                   ExchangeTiming timing = {});
  ~ManagementClient();
  ManagementClient(const ManagementClient&) = delete;
  ManagementClient& operator=(const ManagementClient&) = delete;

  // Network endpoints. StartNetwork answers false only when the socket
  // library cannot be started; the caller then ends the process with 1.
  bool StartNetwork();
  void StopNetwork();
  bool started() const { return started_; }

  // Discovery and the lists. Every interface sends its two requests and
  // listens for its own full window, all interfaces at once; the list holds
  // the devices by interface in slot order, in arrival order within one, and
  // a device heard on several interfaces under the lowest slot.
  void DiscoverDevices(int category, int subcategory);
  // The same list, listening to one interface after another: the old way,
  // kept so the benchmark can set the two side by side.
  void DiscoverDevicesSequentially(int category, int subcategory);
  DeviceRecord* FindDeviceByAddress(std::string_view address);
  void FreeDeviceList() { deviceList.Clear(); }

  // What the last discovery heard and did not list, for the caller to tell
  // the user: replies that named an address no device on the network can
  // have (none, loopback, multicast, the limited broadcast, or one of this
  // workstation's own), and replies past the bounds of the list.
  struct DiscoveryDrops {
    std::vector<std::string> refusedAddresses;  // each once, the first kMaxRefusedNoted
    long refusedReplies = 0;
    long overBound = 0;
  };
  static constexpr std::size_t kMaxRefusedNoted = 8;
  const DiscoveryDrops& discoveryDrops() const { return drops_; }

  // Targeted exchanges on the device whose address is `selectedAddress`.
  int LoginAdministrator();
  int QueryShareList();
  int QuerySsl();
  int QuerySharename();
  int QueryIdeok();
  int QueryBtFirmware();
  int QueryDomain();
  int QueryCodepage();
  int QueryWorkgroup();
  int SetStaticAddress();
  int SetDhcpClient();
  int SetAccessMode();
  int SetControl();
  int SetAddon();
  int SetCodepage();
  int SetWorkgroup();

  // Network members (read access for the window code).
  std::vector<std::string> localAddresses;  // at most kMaxInterfaces
  int interfaceCount = 0;
  ClientId clientId{};

  // Inputs.
  AddressText selectedAddress;
  FixedText<16> adminUser;
  FixedText<16> adminPassword;
  AddressText newAddress;
  AddressText newNetmask;
  AddressText newGateway;
  FixedText<7> accessModeText;
  FixedText<7> controlText;
  FixedText<7> addonText;
  FixedText<75> codepageText;
  FixedText<31> workgroupText;

  // Results of the value queries.
  FixedText<7> sslValue;
  FixedText<15> sharenameValue;
  FixedText<7> ideokValue;
  FixedText<7> btFirmwareValue;
  FixedText<127> domainValue;

  DeviceList deviceList;
  ShareList shareList;

  // Where the diagnostic lines ("ssl=...") go; standard error by default.
  void SetDiagnostics(std::ostream* out) { diagnostics_ = out; }
  // Replaces the time-seeded generator of the client id's random bytes.
  void SetRandomSource(std::function<int()> source) { random_ = std::move(source); }
  const ExchangeTiming& timing() const { return timing_; }

 private:
  enum class Sender { Selected, NewAddress, Any };
  struct Exchange {
    uint8_t replyType;
    int cycles;
    milliseconds wait;
    Sender sender;
    int drainCycles;  // 0: no drain
    std::size_t minSize = FixedPartSize(replyType);  // shorter datagrams are no answer
  };

  // Sends `request` to the device of `record` and waits for its answer;
  // the matching reply is copied into `reply`. Returns the bytes kept (at
  // most kMaxKept) or 0; replyCut_ tells whether the datagram was longer.
  std::size_t RunExchange(const Exchange& exchange, int slot, const Buffer& request,
                          std::size_t requestSize, Buffer& reply);
  // Reads what arrives on `receive` until `until`, dropping what is not the
  // exchange's answer; the answer's size as RunExchange, or 0 at `until`.
  std::size_t ListenForAnswer(const Exchange& exchange, platform::SocketHandle receive,
                              platform::SteadyTime until, Buffer& reply);
  int ValueQuery(uint8_t item, int cycles, int drainCycles, const char* label,
                 const std::function<void(std::string_view)>& store);
  int SimpleSet(uint8_t item, std::string_view payload);
  void Drain(int slot, int cycles);
  void SendRequest(int slot, const Buffer& request, std::size_t size);
  // Discovery replies go to `heard`, the list of the interface they came in on.
  void AddDiscovered(const Reply& reply, int slot, DeviceList& heard);
  // A device could claim any address; one that would send the program's
  // requests, files and the widget's address back to this workstation, or
  // nowhere, is never a device.
  bool IsDeviceAddress(std::string_view address) const;
  // Starts a discovery's lists and its record of drops.
  void BeginDiscovery(std::vector<DeviceList>& heard);
  // The interfaces' lists into deviceList, in slot order, within its bound.
  void MergeHeard(const std::vector<DeviceList>& heard);
  // Reads every datagram that arrives on `slot` until `end`.
  void ListenUntil(int slot, platform::SteadyTime end, int category, int subcategory,
                   DeviceList& heard);
  bool ReadOneDiscovery(int slot, int category, int subcategory, DeviceList& heard);
  // When step `step` of an interface's listening window ends, counted from
  // its first request: the time after each of the two copies of the request,
  // then kDiscoverCycles waits with a pause between each two.
  milliseconds DiscoveryStepEnd(int step) const;
  static constexpr int kDiscoverySteps = 2 + 2 * kDiscoverCycles - 1;

  platform::SocketLayer& sockets_;
  platform::Clock& clock_;
  ExchangeTiming timing_;
  bool replyCut_ = false;
  bool started_ = false;
  bool libraryStarted_ = false;
  std::vector<platform::Socket> sendSockets_;
  std::vector<platform::Socket> receiveSockets_;
  DiscoveryDrops drops_;
  std::ostream* diagnostics_;
  std::function<int()> random_;
};

}  // namespace kfw::protocol
