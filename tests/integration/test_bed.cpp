#include "tests/integration/test_bed.h"

#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace kfw::integration {

bool TestBed::RunScript(const std::string& args, std::string& output) const {
  const std::string command =
      std::string(KFW_SOURCE_DIR) + "/scripts/demo-network " + args + " 2>&1";
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

// KFW_BED_PREFIX=kfwh turns "kfwe" into "kfwhe", so that two checkouts on
// one machine can run these tests at once without sharing namespaces.
TestBed::TestBed(BedSetup setup) : setup_(std::move(setup)) {
  const char* own = std::getenv("KFW_BED_PREFIX");
  if (own && *own && setup_.prefix.rfind("kfw", 0) == 0) {
    setup_.prefix = own + setup_.prefix.substr(3);
  }
}

void TestBed::Up() {
  if (geteuid() != 0) {
    skip_ = "needs root: the test bed is built from network namespaces (CI runs these tests as root)";
    return;
  }
  std::string dir = "/tmp/kfw-it-" + setup_.prefix + "-XXXXXX";
  if (!mkdtemp(dir.data())) {
    failure_ = "mkdtemp: " + std::string(std::strerror(errno));
    return;
  }
  workDir_ = dir;
  std::string args = "start --prefix " + setup_.prefix + " --segments " +
                     std::to_string(setup_.segments) + " --state-dir " + workDir_ +
                     " --build-dir " + KFW_BINARY_DIR + " " + setup_.startArgs;
  for (const auto& [segment, text] : setup_.configs) {
    std::ofstream(workDir_ + "/seg" + std::to_string(segment) + ".conf") << text;
  }
  if (!setup_.configs.empty()) args += " --config-dir " + workDir_;

  homeNs_ = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  std::string output;
  started_ = true;  // a half-started network is cleaned up by Down as well
  // Samba's name service now and then misses the simulator's wait on a
  // loaded machine: one more start, after a clean stop, settles it.
  bool up = RunScript(args, output);
  if (!up) {
    std::cerr << "test bed " << setup_.prefix << " did not start; starting it again:\n" << output;
    std::string ignored;
    RunScript("stop --prefix " + setup_.prefix + " --state-dir " + workDir_, ignored);
    up = RunScript(args, output);
  }
  if (!up) {
    failure_ = "demo-network " + args + " failed:\n" + output;
  } else if (homeNs_ < 0 || !EnterNamespace(setup_.prefix + "-ws")) {
    skip_ = "cannot enter network namespace " + setup_.prefix + "-ws: " + std::strerror(errno);
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
    RunScript("stop --prefix " + setup_.prefix + " --state-dir " + workDir_, output);
    started_ = false;
  }
  if (!workDir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(workDir_, ec);
    workDir_.clear();
  }
}

std::map<int, std::vector<std::string>> TestBed::LoggedRequests() const {
  std::map<int, std::vector<std::string>> requests;
  for (int segment = 1; segment <= setup_.segments; ++segment) {
    auto& logged = requests[segment];
    std::ifstream in(workDir_ + "/seg" + std::to_string(segment) + ".log");
    std::string line, ms, interfaceName, hex;
    while (std::getline(in, line)) {
      if (std::istringstream(line) >> ms >> interfaceName >> hex) logged.push_back(hex);
    }
  }
  return requests;
}

std::map<int, std::vector<std::string>> TestBed::RequestsDuring(
    const std::function<void()>& action) const {
  auto sent = LoggedRequests();
  action();
  for (auto& [segment, after] : LoggedRequests()) {
    auto& before = sent[segment];
    before.assign(after.begin() + static_cast<long>(std::min(before.size(), after.size())),
                  after.end());
  }
  return sent;
}

std::vector<std::string> TestBed::Events(int segment, const std::string& address) const {
  std::vector<std::string> events;
  std::ifstream in(workDir_ + "/seg" + std::to_string(segment) + ".events");
  std::string line;
  while (std::getline(in, line)) {
    // MS ADDRESS ITEM[ TEXT]
    const auto first = line.find(' ');
    const auto second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second == std::string::npos) continue;
    if (address.empty() || line.compare(first + 1, second - first - 1, address) == 0)
      events.push_back(line.substr(second + 1));
  }
  return events;
}

int TestBed::SegmentSocket(int segment) {
  if (!EnterNamespace(setup_.prefix + "-seg" + std::to_string(segment))) return -1;
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
  if (!EnterNamespace(setup_.prefix + "-ws")) {
    ADD_FAILURE() << "cannot return to " << setup_.prefix << "-ws";
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

double SecondsFor(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Bytes Request(const Bytes& clientId, uint8_t type, const Bytes& deviceId, uint8_t item,
              const std::string& payload, const std::string& netmask,
              const std::string& gateway) {
  Bytes b(type == 1 ? 11 : type == 3 ? 28 : 60, 0);
  b[0] = type;
  std::copy(clientId.begin(), clientId.end(), b.begin() + 1);
  if (type == 1) return b;
  std::copy(deviceId.begin(), deviceId.end(), b.begin() + 11);
  b[21] = item;
  std::copy(netmask.begin(), netmask.end(), b.begin() + 24);
  std::copy(gateway.begin(), gateway.end(), b.begin() + 40);
  // The payload's length closes the header.
  for (std::size_t i = 0; i < 4; ++i) {
    b[b.size() - 4 + i] = static_cast<uint8_t>(payload.size() >> (8 * i));
  }
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

}  // namespace kfw::integration
