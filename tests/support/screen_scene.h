#pragma once
// What both windows' pictures show: the same four devices on two
// interfaces and the same drive letters, so the Linux and the Windows
// screenshots can be set side by side.

#include <string>

#include "sim/simulated_network.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/sim_devices.h"

namespace kfw::testing {

inline sim::DeviceConfig ScreenDevice(std::string name, std::string model, std::string address, std::string netmask,
                                      std::string gateway, bool dhcp, std::string shares) {
  sim::DeviceConfig config = Device(std::move(name), std::move(address), std::move(netmask), std::move(gateway), dhcp);
  config.model = std::move(model);
  config.shares = std::move(shares);
  return config;
}

inline void AddScreenDevices(sim::SimulatedNetwork& network) {
  network.AddInterface("192.168.1.20", 0);
  network.AddInterface("10.0.0.5", 1);
  network.AddDevice(0, ScreenDevice("NAS-Office", "KFW-2200", "192.168.1.100", "255.255.255.0", "192.168.1.1", false,
                                    "HDD_1:Photos:Backup"));
  network.AddDevice(0, ScreenDevice("Media-Store", "KFW-1100", "192.168.1.57", "255.255.255.0", "0.0.0.0", true,
                                    "HDD_a:Music"));
  // Found on the office interface but configured for another network.
  network.AddDevice(0, ScreenDevice("Lab-Archive", "KFW-4400", "172.16.4.20", "255.255.0.0", "172.16.0.1", false,
                                    "Archive"));
  network.AddDevice(1, ScreenDevice("Studio-NAS", "KFW-2200", "10.0.0.30", "255.255.255.0", "10.0.0.1", false,
                                    "HDD_1"));
}

// A fixed disk, a CD drive, and two letters on NAS-Office's shares.
inline void SetScreenLetters(platform::FakeNetworkDrives& drives) {
  drives.SetKind('C', platform::DriveKind::Fixed);
  drives.SetKind('D', platform::DriveKind::CdRom);
  drives.Connect('Z', "\\\\nas-office\\Photos");
  drives.Connect('Y', "\\\\192.168.1.100\\Backup");
}

}  // namespace kfw::testing
