#include "protocol/management_client.h"

#include <algorithm>
#include <ctime>
#include <iostream>
#include <memory>
#include <random>
#include <utility>

#include "platform/secret.h"
#include "protocol/safe_text.h"

namespace kfw::protocol {
namespace {

using platform::SteadyTime;

// Whole milliseconds left until `until`, rounded up so a wait never ends
// before its time.
milliseconds Remaining(SteadyTime now, SteadyTime until) {
  if (until <= now) return milliseconds(0);
  return std::chrono::ceil<milliseconds>(until - now);
}

// Low 8 bits of a draw seeded from the time and the process's own entropy:
// two copies started in the same second must not share an id, or each would
// take the other's replies for its own.
std::function<int()> DefaultRandomSource() {
  std::random_device device;
  std::seed_seq seed{static_cast<unsigned>(std::time(nullptr)), device(), device()};
  auto engine = std::make_shared<std::mt19937>(seed);
  return [engine] { return static_cast<int>((*engine)() & 0x7fff); };
}

}  // namespace

ManagementClient::ManagementClient(platform::SocketLayer& sockets, platform::Clock& clock,
                                   ExchangeTiming timing)
    : sockets_(sockets), clock_(clock), timing_(timing), diagnostics_(&std::cerr) {}

ManagementClient::~ManagementClient() { StopNetwork(); }

bool ManagementClient::StartNetwork() {
  if (started_) return true;
  if (!sockets_.Start()) return false;
  libraryStarted_ = true;

  localAddresses_ = sockets_.LocalAddresses();
  if (localAddresses_.size() > kMaxInterfaces) localAddresses_.resize(kMaxInterfaces);
  for (auto& address : localAddresses_) address = AddressText(address).str();
  interfaceCount_ = static_cast<int>(localAddresses_.size());

  if (!random_) random_ = DefaultRandomSource();
  clientId_.fill(0);
  for (int k = 0; k < 6; ++k) clientId_[k] = static_cast<uint8_t>(random_() & 0xff);

  // A slot whose sockets cannot be set up stays in use; its exchanges simply
  // receive nothing.
  sendSockets_.clear();
  receiveSockets_.clear();
  for (int i = 0; i < interfaceCount_; ++i) {
    sendSockets_.emplace_back(&sockets_, sockets_.OpenSendSocket());
  }
  for (int i = 0; i < interfaceCount_; ++i) {
    receiveSockets_.emplace_back(
        &sockets_, sockets_.OpenReceiveSocket(localAddresses_[i], kPort, kGroupAddress));
  }
  started_ = true;
  return true;
}

void ManagementClient::StopNetwork() {
  for (std::size_t i = 0; i < sendSockets_.size(); ++i) {
    sendSockets_[i].Reset();
    if (i < receiveSockets_.size()) receiveSockets_[i].Reset();
  }
  sendSockets_.clear();
  receiveSockets_.clear();
  if (libraryStarted_) sockets_.Stop();
  libraryStarted_ = false;
  started_ = false;
}

DeviceRecord* ManagementClient::FindDeviceByAddress(std::string_view address) {
  return devices_.Find(address);
}

DeviceRecord ManagementClient::DeviceAt(std::string_view address) const {
  if (const DeviceRecord* listed = devices_.Find(address)) return *listed;
  DeviceRecord unlisted;
  unlisted.address = address;
  unlisted.interfaceIndex = -1;
  return unlisted;
}

bool ManagementClient::Reachable(const DeviceRecord& device) const {
  return started_ && device.interfaceIndex >= 0 && device.interfaceIndex < interfaceCount_;
}

void ManagementClient::SendRequest(int slot, const Buffer& request, std::size_t size) {
  const platform::SocketHandle send = sendSockets_[slot].get();
  sockets_.SetMulticastInterface(send, localAddresses_[slot]);
  sockets_.SendTo(send, kGroupAddress, kPort, std::span<const uint8_t>(request.data(), size));
}

void ManagementClient::Drain(int slot, int cycles) {
  const platform::SocketHandle receive = receiveSockets_[slot].get();
  Buffer discard{};
  for (int k = 0; k < cycles; ++k) {
    if (sockets_.WaitReadable(receive, timing_.drainWait) == 1) {
      sockets_.Receive(receive, discard);
    }
  }
}

std::size_t ManagementClient::ListenForAnswer(const Exchange& exchange,
                                              platform::SocketHandle receive, SteadyTime until,
                                              Buffer& reply) {
  for (SteadyTime now = clock_.Now(); now < until; now = clock_.Now()) {
    const int ready = sockets_.WaitReadable(receive, Remaining(now, until));
    if (ready == 0) continue;
    if (ready < 0) {
      // A socket that cannot be waited on must not spin: sit out the time.
      clock_.Sleep(Remaining(clock_.Now(), until));
      return 0;
    }
    // One byte more than is kept tells a datagram the limit cut.
    const long n = sockets_.Receive(receive, reply);
    if (n < 0) continue;
    const Reply answer(std::span<const uint8_t>(reply.data(), static_cast<std::size_t>(n)));
    if (answer.Byte(0) != exchange.replyType) continue;
    const bool senderOk = !exchange.sender || answer.SenderAddress() == *exchange.sender;
    if (answer.size() >= exchange.minSize && answer.MatchesClient(clientId_) && senderOk) {
      replyCut_ = static_cast<std::size_t>(n) > kMaxKept;
      std::fill(reply.begin() + static_cast<std::ptrdiff_t>(answer.size()), reply.end(), 0);
      return answer.size();
    }
  }
  return 0;
}

std::size_t ManagementClient::RunExchange(const Exchange& exchange, int slot,
                                          const Buffer& request, std::size_t requestSize,
                                          Buffer& reply) {
  SendRequest(slot, request, requestSize);

  // The cycles are a schedule in time, not a count of datagrams: every
  // datagram that is not the answer is read and dropped without ending its
  // wait, so neither junk nor other tools' traffic shortens the window, and
  // a flood cannot stretch it past its nominal length either.
  const platform::SocketHandle receive = receiveSockets_[slot].get();
  const SteadyTime start = clock_.Now();
  for (int cycle = 0; cycle < exchange.cycles; ++cycle) {
    const SteadyTime waitEnd = start + cycle * (exchange.wait + timing_.pause) + exchange.wait;
    if (const std::size_t n = ListenForAnswer(exchange, receive, waitEnd, reply)) return n;
    if (cycle + 1 == exchange.cycles) break;
    // The pause reads too, so a burst cannot fill the socket's buffer and
    // push the answer out; an answer found here is taken when the pause is
    // over, when a wait would have read it.
    const SteadyTime pauseEnd = waitEnd + timing_.pause;
    if (const std::size_t n = ListenForAnswer(exchange, receive, pauseEnd, reply)) {
      clock_.Sleep(Remaining(clock_.Now(), pauseEnd));
      return n;
    }
  }
  return 0;
}

std::optional<std::string> ManagementClient::ValueQuery(const DeviceRecord& device, uint8_t item,
                                                       int cycles, int drainCycles,
                                                       const char* label) {
  if (!Reachable(device)) return std::nullopt;
  const int slot = device.interfaceIndex;
  Drain(slot, drainCycles);

  Buffer request{};
  Buffer reply{};
  const std::size_t size = BuildQueryRequest(request, clientId_, device.deviceId, item);
  const Exchange exchange{MSG_QUERY_REPLY, cycles, timing_.wait, device.address.str(), drainCycles};
  const std::size_t n = RunExchange(exchange, slot, request, size, reply);
  if (n == 0) return std::nullopt;
  std::string value = Reply(std::span<const uint8_t>(reply.data(), n)).QueryValue();
  // A share list the receive limit cut ends in a piece of a name: drop it.
  if (item == QUERY_SHARE_LIST && replyCut_ && kQueryHeaderSize + value.size() == n) {
    const std::size_t colon = value.rfind(':');
    value.resize(colon == std::string::npos ? 0 : colon);
  }
  if (label) {
    // The value is the device's text: escaped, one line whatever it holds.
    *diagnostics_ << label << '=' << TerminalText(value) << '\n';
    diagnostics_->flush();
  }
  return value;
}

namespace {

// `value` as the program keeps it: `Cap` bytes at most, up to a NUL.
template <std::size_t Cap>
std::optional<std::string> Kept(std::optional<std::string> value) {
  if (!value) return std::nullopt;
  return FixedText<Cap>(*value).str();
}

// The part of `text` a credential field of the login holds.
std::string_view LoginField(std::string_view text) {
  constexpr std::size_t kField = 16;
  text = text.substr(0, text.find('\0'));
  return text.substr(0, std::min(text.size(), kField));
}

}  // namespace

int ManagementClient::LoginAdministrator(const DeviceRecord& device, std::string_view adminUser,
                                         const platform::Secret& adminPassword) {
  if (!Reachable(device)) return 0;
  Buffer request{};
  Buffer reply{};
  const std::size_t size = BuildLoginRequest(request, clientId_, device.deviceId, LoginField(adminUser),
                                             LoginField(adminPassword.view()));
  // The verdict byte follows the header: a reply without it is no verdict.
  const Exchange exchange{MSG_QUERY_REPLY, 11, timing_.wait, device.address.str(), 0,
                          kQueryHeaderSize + 1};
  const std::size_t n = RunExchange(exchange, device.interfaceIndex, request, size, reply);
  platform::WipeSecret(request);  // it carried the password
  if (n == 0) return 0;
  // The verdict byte is signed: 0xFF is -1, which still means accepted.
  return static_cast<int8_t>(Reply(std::span<const uint8_t>(reply.data(), n)).Byte(28));
}

bool ManagementClient::QueryShareList(const DeviceRecord& device) {
  shares_.Clear();
  const auto value = ValueQuery(device, QUERY_SHARE_LIST, 21, 11, nullptr);
  if (!value) return false;
  for (const auto& name : SplitShareList(*value)) shares_.Add(name);
  return true;
}

std::optional<std::string> ManagementClient::QuerySsl(const DeviceRecord& device) {
  return Kept<7>(ValueQuery(device, QUERY_SSL, 21, 11, "ssl"));
}

std::optional<std::string> ManagementClient::QuerySharename(const DeviceRecord& device) {
  return Kept<15>(ValueQuery(device, QUERY_SHARENAME, 21, 11, "sharename"));
}

std::optional<std::string> ManagementClient::QueryIdeok(const DeviceRecord& device) {
  return Kept<7>(ValueQuery(device, QUERY_IDEOK, 21, 11, "ideok"));
}

std::optional<std::string> ManagementClient::QueryBtFirmware(const DeviceRecord& device) {
  return Kept<7>(ValueQuery(device, QUERY_BT_FIRMWARE, 21, 11, "bt_firmware"));
}

std::optional<std::string> ManagementClient::QueryDomain(const DeviceRecord& device) {
  return Kept<127>(ValueQuery(device, QUERY_DOMAIN, 21, 11, "domain"));
}

std::optional<std::string> ManagementClient::QueryCodepage(const DeviceRecord& device) {
  return Kept<75>(ValueQuery(device, QUERY_CODEPAGE, 11, 11, "codepage"));
}

std::optional<std::string> ManagementClient::QueryWorkgroup(const DeviceRecord& device) {
  return Kept<31>(ValueQuery(device, QUERY_WORKGROUP, 11, 6, "workgroup"));
}

bool ManagementClient::SimpleSet(const DeviceRecord& device, uint8_t item, std::string_view payload) {
  if (!Reachable(device)) return false;
  Buffer request{};
  Buffer reply{};
  const std::size_t size = BuildSetRequest(request, clientId_, device.deviceId, item, entered_.newNetmask.view(),
                                           entered_.newGateway.view(), payload);
  const Exchange exchange{MSG_SET_REPLY, 11, timing_.wait, device.address.str(), 0};
  return RunExchange(exchange, device.interfaceIndex, request, size, reply) != 0;
}

bool ManagementClient::SetAccessMode(const DeviceRecord& device, std::string_view accessModeText) {
  return SimpleSet(device, SET_ACCESS_MODE, FixedText<7>(accessModeText).view());
}
bool ManagementClient::SetControl(const DeviceRecord& device, std::string_view controlText) {
  return SimpleSet(device, SET_CONTROL, FixedText<7>(controlText).view());
}
bool ManagementClient::SetAddon(const DeviceRecord& device, std::string_view addonText) {
  return SimpleSet(device, SET_ADDON, FixedText<7>(addonText).view());
}
bool ManagementClient::SetCodepage(const DeviceRecord& device, std::string_view codepageText) {
  return SimpleSet(device, SET_CODEPAGE, FixedText<75>(codepageText).view());
}
bool ManagementClient::SetWorkgroup(const DeviceRecord& device, std::string_view workgroupText) {
  return SimpleSet(device, SET_WORKGROUP, FixedText<31>(workgroupText).view());
}

bool ManagementClient::SetStaticAddress(const DeviceRecord& device, const LanSettings& settings) {
  // These are what later set requests carry, whether this one goes out or not.
  entered_ = settings;
  if (!Reachable(device)) return false;
  Buffer request{};
  Buffer reply{};
  const std::size_t size =
      BuildSetRequest(request, clientId_, device.deviceId, SET_STATIC_ADDRESS, settings.newNetmask.view(),
                      settings.newGateway.view(), settings.newAddress.view());
  // The device confirms from its new address.
  const Exchange exchange{MSG_SET_REPLY, 101, timing_.wait, settings.newAddress.str(), 0};
  const std::string oldAddress = device.address.str();  // `device` may be the record that moves
  if (RunExchange(exchange, device.interfaceIndex, request, size, reply) == 0) return false;

  if (DeviceRecord* moved = FindDeviceByAddress(oldAddress)) {
    moved->address = settings.newAddress;
    moved->netmask = settings.newNetmask;
    moved->gateway = settings.newGateway;
    uint8_t octets[4];
    if (AddressBytes(settings.newAddress.view(), octets)) std::copy(octets, octets + 4, moved->deviceId.begin() + 6);
  }
  return true;
}

std::optional<std::string> ManagementClient::SetDhcpClient(const DeviceRecord& device) {
  if (!Reachable(device)) return std::nullopt;
  Buffer request{};
  Buffer reply{};
  const std::size_t size =
      BuildSetRequest(request, clientId_, device.deviceId, SET_DHCP_CLIENT, {}, {}, {});
  // The new address cannot be known beforehand: any sender is taken.
  const Exchange exchange{MSG_SET_REPLY, 101, timing_.dhcpWait, std::nullopt, 0};
  const std::string oldAddress = device.address.str();
  const std::size_t n = RunExchange(exchange, device.interfaceIndex, request, size, reply);
  if (n == 0) return std::nullopt;

  const Reply answer(std::span<const uint8_t>(reply.data(), n));
  const std::string address = answer.SenderAddress();
  // As in discovery: an answer that puts the device where none can be is
  // no confirmation, and the record must not move there.
  if (!IsDeviceAddress(address)) return std::nullopt;
  if (DeviceRecord* moved = FindDeviceByAddress(oldAddress)) {
    moved->address = address;
    for (int i = 0; i < 4; ++i) moved->deviceId[6 + i] = answer.Byte(17 + i);
  }
  return AddressText(address).str();
}

bool ManagementClient::IsDeviceAddress(std::string_view address) const {
  uint8_t o[4];
  if (!AddressBytes(address, o)) return false;
  const bool nowhere = (o[0] | o[1] | o[2] | o[3]) == 0;
  const bool loopback = o[0] == 127;
  const bool multicast = o[0] >= 224 && o[0] <= 239;
  const bool broadcast = (o[0] & o[1] & o[2] & o[3]) == 255;
  if (nowhere || loopback || multicast || broadcast) return false;
  for (const std::string& local : localAddresses_) {
    uint8_t own[4];
    if (AddressBytes(local, own) && std::equal(own, own + 4, o)) return false;
  }
  return true;
}

void ManagementClient::AddDiscovered(const Reply& reply, int slot, DeviceList& heard) {
  const auto info = ParseDiscoveryReply(reply);
  if (!info) return;
  if (!IsDeviceAddress(info->address)) {
    ++drops_.refusedReplies;
    auto& noted = drops_.refusedAddresses;
    if (noted.size() < kMaxRefusedNoted && std::find(noted.begin(), noted.end(), info->address) == noted.end())
      noted.push_back(info->address);
    return;
  }
  if (heard.count() >= kMaxDevicesPerInterface) {
    if (!std::as_const(heard).Find(info->address)) ++drops_.overBound;
    return;
  }
  DeviceRecord record;
  record.name = info->name;
  record.address = info->address;
  record.netmask = info->netmask;
  record.gateway = info->gateway;
  record.dhcpFlag = std::string_view(&info->dhcpFlag, info->dhcpFlag ? 1 : 0);
  record.deviceId = info->deviceId;
  record.model = info->model;
  record.interfaceIndex = slot;
  heard.Add(std::move(record));  // the first reply for an address wins
}

bool ManagementClient::ReadOneDiscovery(int slot, int category, int subcategory,
                                        DeviceList& heard) {
  Buffer reply{};
  const long n = sockets_.Receive(receiveSockets_[slot].get(),
                                  std::span<uint8_t>(reply.data(), kMaxKept));
  if (n < 0) return false;
  const Reply answer(std::span<const uint8_t>(reply.data(), static_cast<std::size_t>(n)));
  const uint8_t type = answer.Byte(0);
  if (type != MSG_DISCOVER_REPLY_BASIC && type != MSG_DISCOVER_REPLY_TYPED &&
      type != MSG_DISCOVER_REPLY_MODEL) {
    return true;
  }
  if (!answer.MatchesClient(clientId_)) return true;
  if (!PassesCategoryFilter(answer, category, subcategory)) return true;
  AddDiscovered(answer, slot, heard);
  return true;
}

void ManagementClient::ListenUntil(int slot, SteadyTime end, int category, int subcategory,
                                   DeviceList& heard) {
  const platform::SocketHandle receive = receiveSockets_[slot].get();
  while (clock_.Now() < end) {
    const int ready = sockets_.WaitReadable(receive, Remaining(clock_.Now(), end));
    if (ready == 1) {
      if (!ReadOneDiscovery(slot, category, subcategory, heard)) {
        // A socket that keeps failing must not spin: sit out the step.
        clock_.Sleep(Remaining(clock_.Now(), end));
      }
    } else if (ready < 0) {
      clock_.Sleep(Remaining(clock_.Now(), end));
    }
  }
}

milliseconds ManagementClient::DiscoveryStepEnd(int step) const {
  if (step < 2) return (step + 1) * timing_.sendPause;
  // Step 2 + 2k is wait k, step 3 + 2k the pause after it.
  const int cycle = (step - 2) / 2;
  const bool pause = (step - 2) % 2 == 1;
  return 2 * timing_.sendPause + cycle * (timing_.discoverWait + timing_.discoverPause) +
         timing_.discoverWait + (pause ? timing_.discoverPause : milliseconds(0));
}

void ManagementClient::BeginDiscovery(std::vector<DeviceList>& heard) {
  devices_.Clear();
  drops_ = {};
  heard.assign(static_cast<std::size_t>(interfaceCount_), DeviceList{});
}

void ManagementClient::MergeHeard(const std::vector<DeviceList>& heard) {
  for (const DeviceList& list : heard) {
    for (const DeviceRecord& record : list) {
      if (devices_.count() < kMaxDevicesPerDiscovery) {
        devices_.Add(record);
      } else if (!std::as_const(devices_).Find(record.address)) {
        ++drops_.overBound;
      }
    }
  }
}

void ManagementClient::DiscoverDevicesSequentially(int category, int subcategory) {
  std::vector<DeviceList> heard;
  BeginDiscovery(heard);
  Buffer request{};
  const std::size_t size = BuildDiscoverRequest(request, clientId_);
  if (!started_ || interfaceCount_ == 0) return;

  // Every reply that arrives within an interface's listening window is read,
  // in the waits and the pauses alike, and the steps end by the clock, so
  // neither a crowded segment nor a flood of junk shortens or stretches the
  // window. The interface listened to first wins a device heard on several.
  for (int slot = 0; slot < interfaceCount_; ++slot) {
    const SteadyTime start = clock_.Now();
    SendRequest(slot, request, size);
    for (int step = 0; step < kDiscoverySteps; ++step) {
      if (step == 1) SendRequest(slot, request, size);
      ListenUntil(slot, start + DiscoveryStepEnd(step), category, subcategory, heard[slot]);
    }
  }
  MergeHeard(heard);
}

namespace {

// Where one interface is in its listening window: the steps of the
// sequential discovery, each ending at its own time after the interface's
// first request.
struct Listener {
  int slot = 0;
  SteadyTime start;
  int step = 0;
  bool deaf = false;  // a read failed: the interface sits out the rest of this step
};

}  // namespace

void ManagementClient::DiscoverDevices(int category, int subcategory) {
  std::vector<DeviceList> heard;
  BeginDiscovery(heard);
  if (!started_ || interfaceCount_ == 0) return;
  Buffer request{};
  const std::size_t size = BuildDiscoverRequest(request, clientId_);

  // Each interface keeps its own schedule, as if it were the only one; one
  // wait over every receive socket serves them all, so the whole discovery
  // takes about one interface's window. Replies are kept per interface and
  // merged in slot order afterwards, so the list does not depend on which
  // segment happened to answer first.
  std::vector<Listener> listeners(static_cast<std::size_t>(interfaceCount_));
  for (int slot = 0; slot < interfaceCount_; ++slot) {
    Listener& l = listeners[slot];
    l.slot = slot;
    l.start = clock_.Now();
    SendRequest(slot, request, size);
  }

  std::vector<platform::SocketHandle> handles;
  std::vector<Listener*> waiting;  // whose socket is handles[i]
  std::vector<bool> readable;
  for (;;) {
    handles.clear();
    waiting.clear();
    SteadyTime next = SteadyTime::max();
    for (Listener& l : listeners) {
      if (l.step >= kDiscoverySteps) continue;
      next = std::min(next, l.start + DiscoveryStepEnd(l.step));
      if (!l.deaf) {
        handles.push_back(receiveSockets_[l.slot].get());
        waiting.push_back(&l);
      }
    }
    if (next == SteadyTime::max()) break;  // every interface is done

    const milliseconds timeout = Remaining(clock_.Now(), next);
    const int ready = sockets_.WaitReadableAny(handles, timeout, readable);
    if (ready < 0) {
      clock_.Sleep(timeout);
      readable.assign(handles.size(), false);
    }
    std::size_t w = 0;
    for (Listener& l : listeners) {
      if (l.step >= kDiscoverySteps) continue;
      bool canRead = false;
      if (w < waiting.size() && waiting[w] == &l) canRead = readable[w++];
      // One datagram a turn, so a flood on this interface cannot hold up
      // the others; it ends none of this interface's steps either.
      if (canRead && !ReadOneDiscovery(l.slot, category, subcategory, heard[l.slot])) {
        l.deaf = true;  // a socket that keeps failing must not spin
      }
      while (l.step < kDiscoverySteps && clock_.Now() >= l.start + DiscoveryStepEnd(l.step)) {
        l.deaf = false;
        if (++l.step == 1) SendRequest(l.slot, request, size);
      }
    }
  }

  MergeHeard(heard);
}

}  // namespace kfw::protocol
