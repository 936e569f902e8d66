#pragma once
// A D-Bus session of a test's own, in which GVfs mounts shares: it runs in
// the test bed's workstation namespace, so GVfs's daemons and their SMB
// traffic stay in the test bed.

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "tests/integration/test_bed.h"

namespace kfw::integration {

namespace fs = std::filesystem;

// Reads with plain read(2): a /proc file of a process that exits mid-read
// fails the read, which an ifstream would turn into an exception.
inline std::string Slurp(const fs::path& file) {
  std::string bytes;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char chunk[4096];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<size_t>(n));
  ::close(fd);
  return bytes;
}

inline bool Eventually(const std::function<bool()>& condition) {
  // GVfs's FUSE bridge may show a folder for a moment after its unmount.
  for (int i = 0; i < 50 && !condition(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return condition();
}

inline bool FuseMounted(const std::string& folder) {
  return Slurp("/proc/self/mountinfo").find(" " + folder + " ") != std::string::npos;
}

// A D-Bus session of the test's own. dbus-run-session ends the bus when its
// command ends, and the command waits for a pipe that closes when this
// process goes, however it goes; GVfs's daemons leave with the bus.
class PrivateSession {
 public:
  bool Start(std::string& error) {
    std::string dir = "/tmp/kfw-session-XXXXXX";
    if (!mkdtemp(dir.data())) {
      error = "mkdtemp failed";
      return false;
    }
    dir_ = dir;
    runtime = dir_ + "/run";
    config = dir_ + "/config";
    fs::create_directories(config);
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("GIO_USE_VFS", "gvfs", 1);
    setenv("GVFS_REMOTE_VOLUME_MONITOR_IGNORE", "1", 1);  // no disks or phones here
    unsetenv("GVFS_DISABLE_FUSE");

    // The shell writes the bus's address, then waits on the pipe from here.
    const std::string bus = dir_ + "/bus";
    session_ = popen(("dbus-run-session -- sh -c 'echo \"$DBUS_SESSION_BUS_ADDRESS\" >" + bus +
                      "; exec cat' >/dev/null").c_str(), "we");
    std::string address;
    if (!session_ || !Eventually([&] { return (address = Slurp(bus)).find('\n') != std::string::npos; }) ||
        address.size() < 2) {
      error = "dbus-run-session did not start (scripts/install-deps installs dbus)";
      return false;
    }
    address.pop_back();
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    // Started by the bus, GVfs's daemon mounts its FUSE bridge.
    const int ping = std::system("dbus-send --session --print-reply --dest=org.gtk.vfs.Daemon "
                                 "/org/gtk/vfs/Daemon org.freedesktop.DBus.Peer.Ping >/dev/null");
    if (ping != 0 || !Eventually([&] { return FuseMounted(runtime + "/gvfs"); })) {
      error = "GVfs with its FUSE bridge did not start in the session (gvfs-daemons, gvfs-fuse)";
      return false;
    }
    return true;
  }

  ~PrivateSession() {
    if (session_) pclose(session_);
    const std::string bridge = runtime + "/gvfs";
    if (!dir_.empty() && !Eventually([&] { return !FuseMounted(bridge); }))
      umount2(bridge.c_str(), MNT_DETACH);
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }

  std::string runtime, config;

 private:
  std::string dir_;
  FILE* session_ = nullptr;
};

// A suite on its own test bed with a private session in which GVfs runs; a
// test fails when the session did not start.
template <const BedSetup& kSetup>
class OnSessionBed : public OnTestBed<kSetup> {
 protected:
  using Bed = OnTestBed<kSetup>;
  static void SetUpTestSuite() {
    Bed::SetUpTestSuite();
    if (!Bed::bed_->skipReason().empty() || !Bed::bed_->failure().empty()) return;
    session_ = std::make_unique<PrivateSession>();
    session_->Start(sessionError_);
  }
  static void TearDownTestSuite() {
    session_.reset();
    Bed::TearDownTestSuite();
  }
  void SetUp() override {
    Bed::SetUp();
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;
    ASSERT_TRUE(sessionError_.empty()) << sessionError_;
  }

  static inline std::unique_ptr<PrivateSession> session_;
  static inline std::string sessionError_;
};

}  // namespace kfw::integration
