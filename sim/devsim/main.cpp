// korvex-devsim: plays the storage devices of a configuration file (and any
// number of generated ones) on the network it runs in.

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "sim/devsim/flooder.h"
#include "sim/devsim/host.h"
#include "sim/devsim/responder.h"
#include "sim/devsim/smb_service.h"
#include "sim/sim_device.h"

namespace {

volatile int stopRequested = 0;

void OnStopSignal(int) { stopRequested = 1; }

void OnFloodSignal(int) { kfw::devsim::Flooder::Toggle(); }

constexpr const char* kUsage =
    "usage: korvex-devsim [--config FILE] [--generate N [--base A.B] [--max-delay MS]]\n"
    "                     [--interface IFNAME] [--log FILE] [--pidfile FILE] [--seed N]\n"
    "                     [--smb-dir DIR]   (serve the devices' shares; needs --interface)\n"
    "                     [--events FILE]   (the add-on set requests the devices took)\n";

struct Options {
  std::string config;
  int generate = 0;
  std::string base = "10.201";
  int maxDelayMs = 100;
  std::string interfaceName;
  std::string logPath;
  std::string eventsPath;
  std::string pidPath;
  std::string smbDir;
  unsigned seed = 1;
};

bool ParseNumber(const std::string& text, long low, long high, long& out) {
  try {
    std::size_t used = 0;
    out = std::stol(text, &used);
    return used == text.size() && out >= low && out <= high;
  } catch (const std::exception&) {
    return false;
  }
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 >= args.size()) {
      error = arg + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    long number = 0;
    if (arg == "--config") {
      options.config = value;
    } else if (arg == "--generate") {
      if (!ParseNumber(value, 0, 60000, number)) {
        error = "--generate: expected a device count";
        return false;
      }
      options.generate = static_cast<int>(number);
    } else if (arg == "--base") {
      options.base = value;
    } else if (arg == "--max-delay") {
      if (!ParseNumber(value, 0, 600000, number)) {
        error = "--max-delay: expected milliseconds";
        return false;
      }
      options.maxDelayMs = static_cast<int>(number);
    } else if (arg == "--interface") {
      options.interfaceName = value;
    } else if (arg == "--log") {
      options.logPath = value;
    } else if (arg == "--events") {
      options.eventsPath = value;
    } else if (arg == "--smb-dir") {
      options.smbDir = value;
    } else if (arg == "--pidfile") {
      options.pidPath = value;
    } else if (arg == "--seed") {
      if (!ParseNumber(value, 0, 0xffffffffL, number)) {
        error = "--seed: expected a number";
        return false;
      }
      options.seed = static_cast<unsigned>(number);
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (options.config.empty() && options.generate == 0) {
    error = "nothing to play: give --config or --generate";
    return false;
  }
  if (!options.smbDir.empty() && options.interfaceName.empty()) {
    error = "--smb-dir needs --interface: the shares are served on it";
    return false;
  }
  return true;
}

bool LoadDevices(const Options& options, std::vector<kfw::sim::DeviceConfig>& devices,
                 std::string& error) {
  if (!options.config.empty()) {
    std::ifstream in(options.config);
    if (!in) {
      error = "cannot read " + options.config;
      return false;
    }
    if (!kfw::sim::ParseDeviceConfigs(in, devices, error)) {
      error = options.config + ": " + error;
      return false;
    }
  }
  std::set<std::string> used;
  for (const auto& d : devices) used.insert(d.address);
  for (auto& d : kfw::sim::GenerateDevices(options.generate, options.base, options.maxDelayMs)) {
    if (used.insert(d.address).second) devices.push_back(std::move(d));
  }
  return true;
}

// Written only once the sockets listen, so that whoever starts the program
// can wait for the file; written under another name first so it is never
// seen half-written.
bool WritePidFile(const std::string& path) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    if (!(out << getpid() << "\n")) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::cerr << "korvex-devsim: " << error << "\n" << kUsage;
    return 2;
  }
  std::vector<kfw::sim::DeviceConfig> configs;
  if (!LoadDevices(options, configs, error)) {
    std::cerr << "korvex-devsim: " << error << "\n";
    return 2;
  }
  // Every device's web console holds a listener: a crowded segment needs
  // more descriptors than the usual soft limit.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  std::vector<std::unique_ptr<kfw::sim::SimDevice>> devices;
  for (std::size_t i = 0; i < configs.size(); ++i)
    devices.push_back(std::make_unique<kfw::sim::SimDevice>(
        std::move(configs[i]), options.seed + static_cast<unsigned>(i)));

  // The stop signals are held back except while the responder waits, so a
  // stop is never missed between a check and the wait.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  // The flood switch is held back the same way, so that only the waiting
  // responder takes it, never a flood thread.
  sigaddset(&stopSignals, SIGUSR1);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  struct sigaction flood {};
  flood.sa_handler = OnFloodSignal;
  sigaction(SIGUSR1, &flood, nullptr);
  // A helper that exits early must not take the simulator with it.
  signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<kfw::devsim::SmbService> smb;
  if (!options.smbDir.empty()) {
    smb = std::make_unique<kfw::devsim::SmbService>(options.smbDir, options.interfaceName);
    if (!smb->Start(devices, error)) {
      std::cerr << "korvex-devsim: " << error << "\n";
      return 1;
    }
  }

  kfw::devsim::Responder responder(std::move(devices), options.interfaceName, options.logPath,
                                   options.eventsPath);
  // Only a device whose shares are served has one to lose.
  if (smb) {
    responder.OnVanish([&](std::size_t index, const kfw::sim::DeviceConfig& device) {
      return smb->Vanish(index, device);
    });
  }
  // A device that moved keeps being reachable (its web console, its
  // shares) at its new address, as a real one would be.
  if (!options.interfaceName.empty()) {
    responder.OnMoved([&](std::size_t index, const kfw::sim::DeviceConfig& device) {
      const std::string output = options.smbDir.empty() ? "/dev/null" : options.smbDir + "/ip.out";
      kfw::devsim::EnsureAddress(options.interfaceName, device.address, device.netmask, output);
      if (smb) smb->Moved(index, device);
    });
  }
  if (!responder.Open(error)) {
    std::cerr << "korvex-devsim: " << error << "\n";
    return 1;
  }
  std::vector<std::unique_ptr<kfw::devsim::Flooder>> flooders;
  for (kfw::sim::SimDevice* device : responder.devices()) {
    if (device->config().floodRate == 0) continue;
    flooders.push_back(std::make_unique<kfw::devsim::Flooder>(*device, responder.deviceLock(),
                                                              options.interfaceName));
    if (!flooders.back()->Open(error)) {
      std::cerr << "korvex-devsim: " << error << "\n";
      return 1;
    }
  }
  for (auto& flooder : flooders) flooder->Start();
  if (!options.pidPath.empty() && !WritePidFile(options.pidPath)) {
    std::cerr << "korvex-devsim: cannot write " << options.pidPath << "\n";
    return 1;
  }
  responder.Run(stopRequested);
  for (auto& flooder : flooders) flooder->Stop();
  if (!options.pidPath.empty()) std::remove(options.pidPath.c_str());
  return 0;
}
