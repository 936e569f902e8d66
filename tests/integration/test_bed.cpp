#include "tests/integration/test_bed.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace kfw::integration {
namespace {

bool EnterNamespace(const std::string& name) {
  const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
  const bool ok = fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// One shell word, whatever it holds.
std::string Quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

bool TestBed::RunScript(const std::string& args, std::string& output) const {
  const std::string command = std::string(KFW_SOURCE_DIR) + "/scripts/demo-network " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  for (char chunk[512]; fgets(chunk, sizeof chunk, pipe);) output += chunk;
  return pclose(pipe) == 0;
}

// KFW_BED_PREFIX=kfwh turns "kfwe" into "kfwhe", so that two checkouts on
// one machine can run these tests at once without sharing namespaces.
TestBed::TestBed(BedSetup setup) : setup_(std::move(setup)) {
  const char* own = std::getenv("KFW_BED_PREFIX");
  if (own && *own && setup_.prefix.rfind("kfw", 0) == 0) setup_.prefix = own + setup_.prefix.substr(3);
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
  std::string args = "start --prefix " + setup_.prefix + " --segments " + std::to_string(setup_.segments) +
                     " --state-dir " + workDir_ + " --build-dir " + KFW_BINARY_DIR + " " + setup_.startArgs;
  for (const auto& [segment, text] : setup_.configs)
    std::ofstream(workDir_ + "/seg" + std::to_string(segment) + ".conf") << text;
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
  if (homeNs_ >= 0) {
    setns(homeNs_, CLONE_NEWNET);
    close(homeNs_);
    homeNs_ = -1;
  }
  std::string output;
  if (started_) RunScript("stop --prefix " + setup_.prefix + " --state-dir " + workDir_, output);
  started_ = false;
  std::error_code ec;
  if (!workDir_.empty()) std::filesystem::remove_all(workDir_, ec);
  workDir_.clear();
}

std::map<int, Strings> TestBed::LoggedRequests() const {
  std::map<int, Strings> requests;
  for (int segment = 1; segment <= setup_.segments; ++segment) {
    auto& logged = requests[segment];
    std::ifstream in(workDir_ + "/seg" + std::to_string(segment) + ".log");
    // MS INTERFACE HEX
    for (std::string line, ms, interfaceName, hex; std::getline(in, line);)
      if (std::istringstream(line) >> ms >> interfaceName >> hex) logged.push_back(hex);
  }
  return requests;
}

std::map<int, Strings> TestBed::RequestsDuring(const std::function<void()>& action) const {
  auto sent = LoggedRequests();
  action();
  for (auto& [segment, after] : LoggedRequests()) {
    auto& before = sent[segment];
    before.assign(after.begin() + static_cast<long>(std::min(before.size(), after.size())), after.end());
  }
  return sent;
}

Strings TestBed::Events(int segment, const std::string& address) const {
  Strings events;
  std::ifstream in(workDir_ + "/seg" + std::to_string(segment) + ".events");
  // MS ADDRESS ITEM[ TEXT]
  for (std::string ms, from, event; in >> ms >> from && std::getline(in >> std::ws, event);) {
    if (address.empty() || from == address) events.push_back(event);
  }
  return events;
}

std::string Hex(const Bytes& bytes) {
  std::string out;
  char digits[3];
  for (uint8_t b : bytes) out.append(digits, std::snprintf(digits, sizeof digits, "%02x", b));
  return out;
}

double SecondsFor(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Bytes Request(const Bytes& clientId, uint8_t type, const Bytes& deviceId, uint8_t item,
              const std::string& payload, const std::string& netmask, const std::string& gateway) {
  Bytes b(type == 1 ? 11 : type == 3 ? 28 : 60, 0);
  b[0] = type;
  std::copy(clientId.begin(), clientId.end(), b.begin() + 1);
  if (type == 1) return b;
  std::copy(deviceId.begin(), deviceId.end(), b.begin() + 11);
  b[21] = item;
  std::copy(netmask.begin(), netmask.end(), b.begin() + 24);
  std::copy(gateway.begin(), gateway.end(), b.begin() + 40);
  // The payload's length closes the header.
  for (std::size_t i = 0; i < 4; ++i) b[b.size() - 4 + i] = static_cast<uint8_t>(payload.size() >> (8 * i));
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

Ran RunFindway(const Strings& args, const std::string& input, const Strings& env, int interruptAfterSeconds) {
  Ran ran;
  std::string dir = "/tmp/kfw-findway-XXXXXX";
  if (!mkdtemp(dir.data())) return ran;
  std::ofstream(dir + "/in") << input;
  std::string command;
  if (interruptAfterSeconds > 0)
    command = "timeout --preserve-status -s INT " + std::to_string(interruptAfterSeconds) + " ";
  command += "env";
  for (const auto& e : env) command += " " + Quoted(e);
  command += " " + Quoted(std::string(KFW_BINARY_DIR) + "/findway");
  for (const auto& a : args) command += " " + Quoted(a);
  command += " <" + dir + "/in >" + dir + "/out 2>" + dir + "/err";
  const int status = std::system(command.c_str());
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ran.out = ReadAll(dir + "/out");
  ran.err = ReadAll(dir + "/err");
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return ran;
}

}  // namespace kfw::integration
