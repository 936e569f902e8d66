#pragma once
// Which commands a device is offered: Connect, Disconnect, Configuration,
// Language and Widget only work for a device in the subnet of the
// interface that found it, judged by the device's own netmask.

#include <string_view>

#include "core/address_validation.h"
#include "protocol/management_client.h"

namespace kfw::core {

// What an address field shows for `dotted`: each of the four parts that is
// a number 0-255, the others empty (0); blank when none is.
FieldOctets PanelOctets(std::string_view dotted);

// True when `deviceAddress` and `interfaceAddress` agree under
// `deviceNetmask` (the LAN panel's values of the device's row). An
// interface address that cannot be read counts as 0.0.0.0.
bool InInterfaceSubnet(std::string_view deviceAddress, std::string_view deviceNetmask,
                       std::string_view interfaceAddress);

// The interface that found the device at `interfaceIndex`: its address,
// or "" for an index the client has no interface for.
std::string_view InterfaceAddress(const protocol::ManagementClient& client, int interfaceIndex);

}  // namespace kfw::core
