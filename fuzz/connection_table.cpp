// The connection table as found on disk, whoever edited it: every entry
// read is one the table could store, and writing what was read and reading
// it again gives the same entries.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/linux/linux_network_drives.h"

using namespace kfw::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto connections = ParseConnectionTable(text);

  std::set<std::string> letters;
  for (const DriveConnection& c : connections) {
    FUZZ_CHECK(NormalDriveName(c.driveName) == c.driveName);
    FUZZ_CHECK(c.driveName != "C:");
    FUZZ_CHECK(letters.insert(c.driveName).second);
    FUZZ_CHECK(!c.remoteName.empty());
    for (const std::string* field : {&c.remoteName, &c.mountPath}) {
      FUZZ_CHECK(field->find_first_of("\t\r\n") == std::string::npos);
    }
  }
  FUZZ_CHECK(ParseConnectionTable(FormatConnectionTable(connections)) == connections);
  return 0;
}
