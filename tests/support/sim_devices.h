#pragma once
// A simulated device by its LAN settings, the rest left as the simulator's
// defaults.

#include <string>
#include <tuple>
#include <utility>

#include "sim/sim_device.h"

namespace kfw::testing {

inline sim::DeviceConfig Device(std::string name, std::string address, std::string netmask = "255.255.255.0",
                                std::string gateway = "192.168.1.1", bool dhcp = false) {
  sim::DeviceConfig config;
  std::tie(config.name, config.address, config.netmask, config.gateway, config.dhcp) =
      std::forward_as_tuple(std::move(name), std::move(address), std::move(netmask), std::move(gateway), dhcp);
  return config;
}

}  // namespace kfw::testing
