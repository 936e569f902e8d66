// The share-list value: names never empty, never holding the separator,
// each at most 255 bytes and each listed once, every piece accounted for.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "protocol/device_list.h"
#include "protocol/messages.h"

using namespace kfw::protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view value(reinterpret_cast<const char*>(data), size);
  const auto names = SplitShareList(value);

  std::set<std::string> seen;
  ShareList list;
  for (const std::string& name : names) {
    FUZZ_CHECK(!name.empty() && name.size() <= 255);
    FUZZ_CHECK(name.find(':') == std::string::npos);
    FUZZ_CHECK(seen.insert(name).second);
    FUZZ_CHECK(list.Add(name));
  }
  FUZZ_CHECK(list.count() == static_cast<int>(names.size()));

  // Every non-empty piece, cut to 255 bytes, is one of the names.
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(':', start);
    if (end == std::string_view::npos) end = value.size();
    const std::string piece(value.substr(start, std::min<std::size_t>(end - start, 255)));
    FUZZ_CHECK(piece.empty() || seen.count(piece) == 1);
    start = end + 1;
  }
  return 0;
}
