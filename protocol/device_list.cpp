#include "protocol/device_list.h"

#include <algorithm>

namespace kfw::protocol {

DeviceRecord* DeviceList::Find(std::string_view address) {
  for (auto& record : records_) {
    if (record.address == address) return &record;
  }
  return nullptr;
}

const DeviceRecord* DeviceList::Find(std::string_view address) const {
  return const_cast<DeviceList*>(this)->Find(address);
}

bool DeviceList::Add(DeviceRecord record) {
  if (Find(record.address)) return false;
  records_.push_back(std::move(record));
  return true;
}

bool ShareList::Add(std::string_view name) {
  const std::string_view kept = name.substr(0, 255);
  if (kept.empty() || std::find(names_.begin(), names_.end(), kept) != names_.end()) return false;
  names_.emplace_back(kept);
  return true;
}

}  // namespace kfw::protocol
