#pragma once
// The snapshot of the workstation's 26 drive letters, Z: first and A: last,
// with the host and share of each letter's network connection; and the two
// lists it feeds: the free drive letters and the shares' locations.

#include <array>
#include <string>
#include <vector>

#include "platform/network_drives.h"
#include "protocol/fixed_text.h"

namespace kfw::shares {

struct MappedDrive {
  protocol::FixedText<255> host;
  protocol::FixedText<255> share;  // share name, then any further path
  protocol::FixedText<7> driveName;  // "Z:"
};

class MappedDriveTable {
 public:
  static constexpr int kLetters = 26;
  // Entry 0 is Z:, entry 25 is A:.
  const std::array<MappedDrive, kLetters>& entries() const { return entries_; }

  // Takes the snapshot: every letter's connection and kind, from one look
  // at the workstation's drives.
  void RefreshMappedDrives(platform::NetworkDrives& drives);

  // The "Available Drive Letters" items, Z towards C, and the index of the
  // item selected by default (-1: none), as the snapshot saw the letters.
  struct FreeLetters {
    std::vector<std::string> items;
    int defaultIndex = -1;
  };
  FreeLetters FillFreeDriveLetters() const;

  // One row per share, in order: the share name as shown and the drive
  // letter connected to it ("" when none). A later match wins.
  struct Location {
    std::string volumeName;
    std::string location;
  };
  std::vector<Location> FillShareLocations(const std::string& deviceName,
                                           const std::string& deviceAddress,
                                           const std::vector<std::string>& shareNames,
                                           bool exactHost) const;

 private:
  std::array<MappedDrive, kLetters> entries_{};
  std::array<platform::DriveKind, kLetters> kinds_{};
};

}  // namespace kfw::shares
