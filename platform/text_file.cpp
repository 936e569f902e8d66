#include "platform/atomic_file.h"

#ifdef _WIN32
#include <fstream>
#include <sstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#endif

namespace kfw::platform {

namespace {

std::string TooLarge(const std::filesystem::path& file) {
  return file.string() + " is larger than " + std::to_string(kTextFileLimit >> 20) +
         " MiB and is not read";
}

std::string NotRegular(const std::filesystem::path& file) {
  return file.string() + " is not a regular file and is not read";
}

}  // namespace

std::optional<std::string> ReadTextFile(const std::filesystem::path& file) {
  std::string ignored;
  return ReadTextFile(file, ignored);
}

#ifdef _WIN32

std::optional<std::string> ReadTextFile(const std::filesystem::path& file, std::string& why) {
  why.clear();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (!std::filesystem::exists(status)) return std::nullopt;
  if (!std::filesystem::is_regular_file(status)) {
    why = NotRegular(file);
    return std::nullopt;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    why = "cannot open " + file.string();
    return std::nullopt;
  }
  std::string text(kTextFileLimit + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kTextFileLimit) {
    why = TooLarge(file);
    return std::nullopt;
  }
  return text;
}

#else

std::optional<std::string> ReadTextFile(const std::filesystem::path& file, std::string& why) {
  why.clear();
  // Non-blocking, so that a FIFO put in the file's place cannot hold the
  // open until some writer comes along.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) why = file.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    why = file.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {
    why = NotRegular(file);
    return std::nullopt;
  }
  if (static_cast<std::uintmax_t>(info.st_size) > kTextFileLimit) {
    why = TooLarge(file);
    return std::nullopt;
  }
  // The file may grow while it is read: one byte past the limit tells.
  std::string text(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t got = 0;
  while (true) {
    if (got == text.size()) {
      if (text.size() > kTextFileLimit) {
        why = TooLarge(file);
        return std::nullopt;
      }
      text.resize(std::min<std::size_t>(text.size() * 2, kTextFileLimit + 1));
    }
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = file.string() + ": " + std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  return text;
}

#endif

}  // namespace kfw::platform
