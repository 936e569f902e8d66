#pragma once
// The management client: the workstation's endpoints, the client id, the
// blocking request/response exchanges, discovery and the two lists.
//
// Every targeted operation names the device it talks to and takes what it
// sends as arguments; a query answers its value, nothing when the device
// did not answer. The client keeps only what belongs to the network: its
// endpoints, its id, the device list and the share list of the last share
// query. Nothing here throws or shows anything to the user.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/secret.h"
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

// The static LAN settings of an address change.
struct LanSettings {
  AddressText newAddress;
  AddressText newNetmask;
  AddressText newGateway;
};

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
  // The listed record at `address`, copied; for an address not listed, a
  // record on no interface, on which every operation answers nothing at once.
  DeviceRecord DeviceAt(std::string_view address) const;
  void FreeDeviceList() { devices_.Clear(); }

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

  // Targeted exchanges on `device`, sent out of its interface with its id.
  // The login answers the device's verdict (any non-zero accepts), 0 when
  // it did not answer; user name and password are cut to 16 bytes.
  int LoginAdministrator(const DeviceRecord& device, std::string_view adminUser,
                         const platform::Secret& adminPassword);
  // Fills shareList(); a failed query leaves it empty.
  bool QueryShareList(const DeviceRecord& device);
  // Each value cut to the width the program keeps of it.
  std::optional<std::string> QuerySsl(const DeviceRecord& device);         // 7 bytes
  std::optional<std::string> QuerySharename(const DeviceRecord& device);   // 15
  std::optional<std::string> QueryIdeok(const DeviceRecord& device);       // 7
  std::optional<std::string> QueryBtFirmware(const DeviceRecord& device);  // 7
  std::optional<std::string> QueryDomain(const DeviceRecord& device);      // 127
  std::optional<std::string> QueryCodepage(const DeviceRecord& device);    // 75
  std::optional<std::string> QueryWorkgroup(const DeviceRecord& device);   // 31
  // Confirmed from settings.newAddress; the listed record moves there and
  // takes the new netmask and gateway.
  bool SetStaticAddress(const DeviceRecord& device, const LanSettings& settings);
  // The address the device answered from, where its listed record moved.
  std::optional<std::string> SetDhcpClient(const DeviceRecord& device);
  bool SetAccessMode(const DeviceRecord& device, std::string_view accessModeText);  // 7 bytes
  bool SetControl(const DeviceRecord& device, std::string_view controlText);        // 7
  bool SetAddon(const DeviceRecord& device, std::string_view addonText);            // 7
  bool SetCodepage(const DeviceRecord& device, std::string_view codepageText);      // 75
  bool SetWorkgroup(const DeviceRecord& device, std::string_view workgroupText);    // 31

  // Every set request carries a netmask and a gateway: those of the LAN
  // settings last entered, by a static address change or by the Apply
  // command's checks, whichever came last; empty ones before any.
  void EnterLanSettings(const LanSettings& entered) { entered_ = entered; }
  const LanSettings& enteredLanSettings() const { return entered_; }

  // The network, for the window and the command line.
  const std::vector<std::string>& localAddresses() const { return localAddresses_; }  // at most kMaxInterfaces
  int interfaceCount() const { return interfaceCount_; }
  const ClientId& clientId() const { return clientId_; }
  const DeviceList& deviceList() const { return devices_; }
  DeviceList& deviceList() { return devices_; }
  const ShareList& shareList() const { return shares_; }

  // Where the diagnostic lines ("ssl=...") go; standard error by default.
  void SetDiagnostics(std::ostream* out) { diagnostics_ = out; }
  // Replaces the time-seeded generator of the client id's random bytes.
  void SetRandomSource(std::function<int()> source) { random_ = std::move(source); }
  const ExchangeTiming& timing() const { return timing_; }

 private:
  struct Exchange {
    uint8_t replyType;
    int cycles;
    milliseconds wait;
    std::optional<std::string> sender;  // the answer's sender; nothing: any
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
  // The device's value for `item`, shown on the diagnostics under `label`.
  std::optional<std::string> ValueQuery(const DeviceRecord& device, uint8_t item, int cycles,
                                        int drainCycles, const char* label);
  bool SimpleSet(const DeviceRecord& device, uint8_t item, std::string_view payload);
  bool Reachable(const DeviceRecord& device) const;
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
  // The interfaces' lists into the device list, in slot order, within its bound.
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

  std::vector<std::string> localAddresses_;
  int interfaceCount_ = 0;
  ClientId clientId_{};
  DeviceList devices_;
  ShareList shares_;
  LanSettings entered_;
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
