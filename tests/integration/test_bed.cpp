#include "tests/integration/test_bed.h"

#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kfw::integration {
namespace {

std::string Script() { return std::string(KFW_SOURCE_DIR) + "/scripts/demo-network"; }

void PutU32(Bytes& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes Targeted(uint8_t type, const Bytes& clientId, const Bytes& deviceId, uint8_t item,
               std::size_t size) {
  Bytes b(size, 0);
  b[0] = type;
  std::copy(clientId.begin(), clientId.end(), b.begin() + 1);
  std::copy(deviceId.begin(), deviceId.end(), b.begin() + 11);
  b[21] = item;
  return b;
}

}  // namespace

TestBed::TestBed(std::string prefix, std::vector<std::string> startArgs,
                 std::map<int, std::string> configs)
    : prefix_(std::move(prefix)), startArgs_(std::move(startArgs)), configs_(std::move(configs)) {}

TestBed::~TestBed() { Down(); }

bool TestBed::RunScript(const std::string& args, std::string& output) const {
  const std::string command = Script() + " " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  std::array<char, 512> chunk{};
  while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe)) output += chunk.data();
  return pclose(pipe) == 0;
}

bool TestBed::EnterNamespace(const std::string& name) {
  const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = setns(fd, CLONE_NEWNET) == 0;
  close(fd);
  return ok;
}

void TestBed::Up() {
  if (geteuid() != 0) {
    skip_ = "needs root: the test bed is built from network namespaces (CI runs these tests as root)";
    return;
  }
  std::string dir = "/tmp/kfw-it-" + prefix_ + "-XXXXXX";
  if (!mkdtemp(dir.data())) {
    failure_ = "mkdtemp: " + std::string(std::strerror(errno));
    return;
  }
  workDir_ = dir;
  std::string args = "start --prefix " + prefix_ + " --state-dir " + workDir_ + " --build-dir " +
                     std::string(KFW_BINARY_DIR);
  if (!configs_.empty()) {
    for (const auto& [segment, text] : configs_) {
      std::ofstream(workDir_ + "/seg" + std::to_string(segment) + ".conf") << text;
    }
    args += " --config-dir " + workDir_;
  }
  for (const auto& a : startArgs_) args += " " + a;

  homeNs_ = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  std::string output;
  started_ = true;  // a half-started network is cleaned up by Down as well
  if (!RunScript(args, output)) {
    failure_ = "demo-network " + args + " failed:\n" + output;
    return;
  }
  if (homeNs_ < 0 || !EnterNamespace(prefix_ + "-ws")) {
    skip_ = "cannot enter network namespace " + prefix_ + "-ws: " + std::strerror(errno);
  }
}

void TestBed::Down() {
  for (int fd : segmentSockets_) close(fd);
  segmentSockets_.clear();
  if (homeNs_ >= 0) {
    setns(homeNs_, CLONE_NEWNET);
    close(homeNs_);
    homeNs_ = -1;
  }
  if (started_) {
    std::string output;
    RunScript("stop --prefix " + prefix_ + " --state-dir " + workDir_, output);
    started_ = false;
  }
  if (!workDir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(workDir_, ec);
    workDir_.clear();
  }
}

std::vector<std::string> TestBed::LoggedRequests(int segment) const {
  std::vector<std::string> requests;
  std::ifstream in(workDir_ + "/seg" + std::to_string(segment) + ".log");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string ms, interfaceName, hex;
    if (fields >> ms >> interfaceName >> hex) requests.push_back(hex);
  }
  return requests;
}

int TestBed::SegmentSocket(int segment) {
  if (!EnterNamespace(prefix_ + "-seg" + std::to_string(segment))) return -1;
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd >= 0) {
    ip_mreqn out{};
    out.imr_ifindex = static_cast<int>(if_nametoindex("br0"));
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out);
    const int loop = 0;
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    segmentSockets_.push_back(fd);
  }
  // The socket stays in the segment's network; the process goes back.
  if (!EnterNamespace(prefix_ + "-ws")) {
    ADD_FAILURE() << "cannot return to " << prefix_ << "-ws";
    return -1;
  }
  return fd;
}

std::string Hex(const Bytes& bytes) {
  static constexpr std::string_view kDigits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

Bytes DiscoverRequest(const Bytes& clientId) {
  Bytes b(11, 0);
  b[0] = 1;
  std::copy(clientId.begin(), clientId.end(), b.begin() + 1);
  return b;
}

Bytes QueryRequest(const Bytes& clientId, const Bytes& deviceId, uint8_t item) {
  return Targeted(3, clientId, deviceId, item, 28);
}

Bytes LoginRequest(const Bytes& clientId, const Bytes& deviceId, const std::string& user,
                   const std::string& password) {
  Bytes b = Targeted(3, clientId, deviceId, 4, 28);
  b.insert(b.end(), user.begin(), user.end());
  b.push_back(0x55);
  b.push_back(0xAA);
  b.insert(b.end(), password.begin(), password.end());
  PutU32(b, 24, static_cast<uint32_t>(b.size() - 28));
  return b;
}

Bytes SetRequest(const Bytes& clientId, const Bytes& deviceId, uint8_t item,
                 const std::string& netmask, const std::string& gateway,
                 const std::string& payload) {
  Bytes b = Targeted(5, clientId, deviceId, item, 60);
  std::copy(netmask.begin(), netmask.end(), b.begin() + 24);
  std::copy(gateway.begin(), gateway.end(), b.begin() + 40);
  PutU32(b, 56, static_cast<uint32_t>(payload.size()));
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kfw::integration
