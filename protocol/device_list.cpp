#include "protocol/device_list.h"

#include <algorithm>
#include <utility>

namespace kfw::protocol {

void DeviceList::Reindex() const {
  if (!stale_) return;
  index_.clear();
  for (std::size_t i = 0; i < records_.size(); ++i) index_.emplace(records_[i].address.str(), i);
  stale_ = false;
}

const DeviceRecord* DeviceList::Find(std::string_view address) const {
  Reindex();
  const auto it = index_.find(std::string(address));
  return it == index_.end() ? nullptr : &records_[it->second];
}

DeviceRecord* DeviceList::Find(std::string_view address) {
  const DeviceRecord* record = std::as_const(*this).Find(address);
  if (record) stale_ = true;  // the caller may change its address
  return const_cast<DeviceRecord*>(record);
}

bool DeviceList::Add(DeviceRecord record) {
  Reindex();
  if (!index_.emplace(record.address.str(), records_.size()).second) return false;
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
