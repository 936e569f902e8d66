#include "cli/session.h"

#include <cstdlib>
#include <string_view>

#include "core/subnet_rule.h"
#include "protocol/safe_text.h"

namespace kfw::cli {

int ExitStatusOf(core::Failure failure) {
  switch (failure) {
    case core::Failure::None: return kSuccess;
    case core::Failure::NotFound: return kNotFound;
    case core::Failure::BadInput: return kBadArguments;
    case core::Failure::Refused: return kRefused;
    case core::Failure::Local: return kLocalFailure;
  }
  return kLocalFailure;
}

Network::Network() { client_.SetDiagnostics(&unheard_); }

bool Network::Start(std::ostream& err) {
  err_ = &err;
  if (client_.StartNetwork()) return true;
  err << "findway: the network could not be started\n";
  return false;
}

void Network::Discover() {
  using protocol::ManagementClient;
  client_.DiscoverDevices(protocol::kCategoryFilter, protocol::kSubcategoryFilter);
  // What the discovery heard and would not list: a reply that claims an
  // address no device can have, or a crowd larger than any network's.
  const auto& drops = client_.discoveryDrops();
  if (drops.refusedReplies > 0) {
    *err_ << "findway: ignored " << drops.refusedReplies << " replies claiming an address no device can have:";
    for (const std::string& address : drops.refusedAddresses) *err_ << ' ' << address;
    if (drops.refusedAddresses.size() == ManagementClient::kMaxRefusedNoted) *err_ << " ...";
    *err_ << "\n";
  }
  if (drops.overBound > 0) {
    *err_ << "findway: more devices answered than a discovery lists (" << protocol::kMaxDevicesPerInterface
          << " a network, " << protocol::kMaxDevicesPerDiscovery << " in all); " << drops.overBound
          << " further replies dropped\n";
  }
}

const protocol::DeviceRecord* Network::Select(const std::string& address) {
  Discover();
  const protocol::DeviceRecord* record = client_.FindDeviceByAddress(address);
  if (record == nullptr) {
    *err_ << "findway: no device answered at " << address << "\n";
    return nullptr;
  }
  selected_ = address;
  return record;
}

void Network::NoteSubnet(const protocol::DeviceRecord& device, std::string_view command) {
  const std::string_view local = core::InterfaceAddress(client_, device.interfaceIndex);
  if (core::InInterfaceSubnet(device.address.view(), device.netmask.view(), local)) return;
  *err_ << "findway: " << device.address.str() << " (netmask " << protocol::TerminalText(device.netmask.view())
        << ") is outside the subnet of the interface that found it ("
        << (local.empty() ? std::string("unknown") : std::string(local)) << "); the window would not offer "
        << command << " for it\n";
}

std::unique_ptr<PasswordSource> Passwords(bool passwordStdin, Terminal& terminal) {
  if (passwordStdin) return std::make_unique<StreamPassword>(terminal.in);
  return std::make_unique<TerminalPassword>();
}

core::AddonTimings AddonWaits() {
  core::AddonTimings timings;
  const char* shortWaits = std::getenv("KFW_TEST_SHORT_WAITS");
  if (shortWaits != nullptr && std::string_view(shortWaits) == "1") {
    using std::chrono::milliseconds;
    timings.loadingDelay = milliseconds(0);
    timings.languagePoll = timings.btFirstPause = timings.btPoll = milliseconds(10);
    timings.restartStep = milliseconds(5);
    timings.restartTotal = milliseconds(1000);
  }
  return timings;
}

}  // namespace kfw::cli
