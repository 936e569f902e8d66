// findway query: one value of a device.

#include <algorithm>

#include "cli/argument_types.h"
#include "cli/command_unit.h"
#include "cli/findway_output.h"
#include "cli/session.h"

namespace kfw::cli {
namespace {

int Query(const std::string& address, const std::string& item, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  const protocol::DeviceRecord* record = network.Select(address);
  if (record == nullptr) return kNotFound;
  if (!RunQuery(terminal.out, network.client(), *record, item)) {
    terminal.err << "findway: " << address << " did not answer the " << item << " query\n";
    return kNotFound;
  }
  return kSuccess;
}

Parsed Parse(const Arguments& arguments) {
  const auto address = DeviceAddress(arguments.positional[0]);
  if (!address) return Parsed::Refuse(NotAnAddress(arguments.positional[0]));
  const std::string& item = arguments.positional[1];
  const auto& items = QueryItems();
  if (std::find(items.begin(), items.end(), item) == items.end()) {
    return Parsed::Refuse("unknown item " + EchoedArgument(item));
  }
  return {[address = *address, item](Terminal& terminal) { return Query(address, item, terminal); }, {}};
}

}  // namespace

const CommandUnit& QueryCommand() {
  static const CommandUnit unit{
      "query", "ADDRESS ITEM", "one value of a device",
      "Prints one value of the device at ADDRESS. ITEM is one of: shares, ssl,\n"
      "sharename, ideok, bt_firmware, domain, codepage, workgroup.\n",
      {}, 2, 2, 2, QueryItems(), Parse};
  return unit;
}

}  // namespace kfw::cli
