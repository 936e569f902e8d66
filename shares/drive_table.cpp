#include "shares/drive_table.h"

#include <algorithm>
#include <string_view>

#include "protocol/safe_text.h"

namespace kfw::shares {

namespace {

// A remote name, like a share name, fills at most a 256-byte field.
constexpr std::size_t kNameMax = 255;

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

std::string DriveNameOf(int index) {
  return std::string{static_cast<char>('Z' - index), ':'};
}

std::string EncodeUtf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

// A share name as the window shows it: valid UTF-8, bad bytes replaced,
// never more than the field holds and never cut inside a character.
std::string DisplayName(std::string_view name) {
  std::string out;
  for (char32_t cp : protocol::DecodeUtf8(UpToNul(name).substr(0, kNameMax))) {
    const std::string encoded = EncodeUtf8(cp);
    if (out.size() + encoded.size() > kNameMax) break;
    out += encoded;
  }
  return out;
}

// Simple lower-case folding for the scripts share and host names are
// usually written in: Latin, Greek, Cyrillic and full-width Latin.
char32_t FoldCase(char32_t c) {
  auto evenToOdd = [c] { return (c % 2 == 0) ? c + 1 : c; };
  auto oddToEven = [c] { return (c % 2 == 1) ? c + 1 : c; };
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c < 0x80) return c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137)) return evenToOdd();
  if (c == 0x130) return U'i';
  if (c >= 0x139 && c <= 0x148) return oddToEven();
  if (c >= 0x14A && c <= 0x177) return evenToOdd();
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return oddToEven();
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c == 0x3C2) return 0x3C3;  // final sigma
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return evenToOdd();
  }
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;
  return c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const std::u32string left = protocol::DecodeUtf8(a);
  const std::u32string right = protocol::DecodeUtf8(b);
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (FoldCase(left[i]) != FoldCase(right[i])) return false;
  }
  return true;
}

}  // namespace

void MappedDriveTable::RefreshMappedDrives(platform::NetworkDrives& drives) {
  const platform::HeldDriveState held(drives);
  for (int index = 0; index < kLetters; ++index) {
    MappedDrive& entry = entries_[index];
    entry.driveName = DriveNameOf(index);
    entry.host.clear();
    entry.share.clear();
    kinds_[index] = drives.Kind(entry.driveName.str());

    std::string remote;
    if (!drives.RemoteName(entry.driveName.str(), remote)) continue;
    const std::string_view name = UpToNul(remote);
    // A name that does not fit the field is a failed lookup, like any other.
    if (name.size() > kNameMax) continue;
    // Position 2 on, so the leading "\\" of a UNC name is never the split.
    const std::size_t slash = name.size() > 2 ? name.find('\\', 2) : std::string_view::npos;
    if (slash == std::string_view::npos) continue;
    entry.host = name.substr(2, slash - 2);
    entry.share = name.substr(slash + 1);
  }
}

MappedDriveTable::FreeLetters MappedDriveTable::FillFreeDriveLetters() const {
  using platform::DriveKind;
  FreeLetters result;
  // Z towards C; A: and B: are never offered.
  for (int index = 0; index < kLetters - 2; ++index) {
    const MappedDrive& entry = entries_[index];
    const std::string driveName = DriveNameOf(index);
    const DriveKind kind = kinds_[index];
    if (kind == DriveKind::Removable || kind == DriveKind::Fixed || kind == DriveKind::CdRom ||
        kind == DriveKind::RamDisk) {
      continue;
    }
    if (!entry.host.empty() && !entry.share.empty()) {
      result.items.push_back(driveName + " \\\\" + entry.host.str() + "\\" + entry.share.str());
    } else {
      // The highest letter without a connection is the one to suggest.
      if (result.defaultIndex < 0) result.defaultIndex = static_cast<int>(result.items.size());
      result.items.push_back(driveName);
    }
  }
  return result;
}

std::vector<MappedDriveTable::Location> MappedDriveTable::FillShareLocations(
    const std::string& deviceName, const std::string& deviceAddress,
    const std::vector<std::string>& shareNames, bool exactHost) const {
  auto hostMatches = [&](std::string_view host) {
    if (exactHost) return host == deviceName || host == deviceAddress;
    return EqualsIgnoringCase(host, deviceName) || EqualsIgnoringCase(host, deviceAddress);
  };

  std::vector<Location> rows;
  rows.reserve(shareNames.size());
  for (const std::string& name : shareNames) {
    Location row{DisplayName(name), {}};
    // Z towards A, so a share connected on several letters shows the one
    // nearest to A.
    for (const MappedDrive& entry : entries_) {
      if (entry.host.empty() && entry.share.empty()) continue;  // no connection
      if (hostMatches(entry.host.view()) && EqualsIgnoringCase(entry.share.view(), row.volumeName)) {
        row.location = entry.driveName.str();
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace kfw::shares
