// A desktop entry's Exec line, as the default browser's entry holds it:
// splitting never fails, arguments quoted back and split again come out
// the same, and removing the field codes leaves no leading blank.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/linux/linux_programs.h"

using namespace kfw::platform;

namespace {

std::string Quoted(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    line += '"';
    for (char c : arg) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') line += '\\';
      line += c;
    }
    line += '"';
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);

  const std::vector<std::string> args = SplitCommandLine(line);
  FUZZ_CHECK(SplitCommandLine(Quoted(args)) == args);

  const std::string command = RemoveFieldCodes(line);
  FUZZ_CHECK(command.size() <= line.size());
  FUZZ_CHECK(command.empty() || (command.front() != ' ' && command.front() != '\t'));
  SplitCommandLine(command);
  return 0;
}
