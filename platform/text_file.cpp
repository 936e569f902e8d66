#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"

namespace kfw::platform {

std::optional<std::string> ReadTextFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kfw::platform
