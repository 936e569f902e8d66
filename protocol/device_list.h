#pragma once
// The devices found by discovery and the shares of the selected device.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "protocol/fixed_text.h"
#include "protocol/messages.h"

namespace kfw::protocol {

struct DeviceRecord {
  FixedText<255> name;
  AddressText address;  // the record's key
  AddressText netmask;
  AddressText gateway;
  FixedText<7> dhcpFlag;  // "1" when the device's DHCP client is on
  DeviceId deviceId{};    // 6 opaque bytes, then the address as 4 bytes
  FixedText<32> model;    // empty unless the device reported a model
  int interfaceIndex = 0;
};

// Records in arrival order; no two share an address.
class DeviceList {
 public:
  int count() const { return static_cast<int>(records_.size()); }
  bool empty() const { return records_.empty(); }
  const std::vector<DeviceRecord>& records() const { return records_; }
  std::vector<DeviceRecord>::const_iterator begin() const { return records_.begin(); }
  std::vector<DeviceRecord>::const_iterator end() const { return records_.end(); }

  DeviceRecord* Find(std::string_view address);
  const DeviceRecord* Find(std::string_view address) const;
  // Appends unless a record already has this address; the first one wins.
  bool Add(DeviceRecord record);
  void Clear() {
    records_.clear();
    index_.clear();
    stale_ = false;
  }

 private:
  // Where each address is, so that a crowd of thousands of replies is
  // listed in linear time. A record handed out for change may get a new
  // address, so the index is rebuilt before it is next trusted.
  void Reindex() const;
  std::vector<DeviceRecord> records_;
  mutable std::unordered_map<std::string, std::size_t> index_;
  mutable bool stale_ = false;
};

// Share names, UTF-8 as the device sends them, each at most once.
class ShareList {
 public:
  int count() const { return static_cast<int>(names_.size()); }
  bool empty() const { return names_.empty(); }
  const std::vector<std::string>& names() const { return names_; }
  std::vector<std::string>::const_iterator begin() const { return names_.begin(); }
  std::vector<std::string>::const_iterator end() const { return names_.end(); }
  bool Add(std::string_view name);
  void Clear() { names_.clear(); }

 private:
  std::vector<std::string> names_;
};

}  // namespace kfw::protocol
