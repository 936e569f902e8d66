// Drive letters connected to a simulated device's shares, by the program's
// drives and by findway: real mounts through GVfs, in a D-Bus session of the test's own that runs inside the
// workstation namespace (so GVfs's daemons, and their SMB traffic, stay in
// the test bed), against the device's own smbd.

#include <signal.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <thread>

#include "platform/linux/gtk_bookmarks.h"
#include "platform/linux/gvfs_mounts.h"
#include "platform/linux/linux_network_drives.h"
#include "tests/integration/private_session.h"
#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

namespace fs = std::filesystem;
using platform::ConnectAnswer;
using platform::DriveKind;

constexpr const char* kPassword = "Kfw-m0unt-7319";  // fits the 15 characters a typed password keeps
const std::string kDevices = std::string(R"(
[device]
name = Vault
address = 10.201.1.40
netmask = 255.255.0.0
shares = HDD_1:Secret
private_shares = Secret
smb_user = kfwtest
smb_password = )") + kPassword + "\n";

const BedSetup kBed{"kfwm", 1, "--smb", {{1, kDevices}}};

class NetworkDrives : public OnSessionBed<kBed> {
 protected:
  void SetUp() override {
    OnSessionBed::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    drives_ = std::make_unique<platform::LinuxNetworkDrives>(session_->config + "/network-drives");
  }

  std::string Bookmarks() const { return Slurp(session_->config + "/gtk-3.0/bookmarks"); }
  std::vector<std::string> Mounts() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(session_->runtime + "/gvfs"))
      names.push_back(entry.path().filename());
    return names;
  }
  fs::path DeviceShare(const std::string& share) const {
    return fs::path(bed_->stateDir()) / "smb-seg1" / "1-Vault" / "shares" / share;
  }
  // Connects, timing it, while every process's command line, and the
  // environment of those in the test bed, are searched for the password.
  ConnectAnswer Connect(const std::string& letter, const std::string& remote, const std::string& user,
                        const std::string& password, std::set<std::string>& leaks, double& seconds) {
    std::atomic<bool> done = false;
    ConnectAnswer ok = ConnectAnswer::Failed;
    std::thread connect([&] {
      seconds = SecondsFor([&] { ok = drives_->AddConnection(letter, remote, user, password, 0); });
      done = true;
    });
    std::error_code ec;
    const auto network = fs::read_symlink("/proc/self/ns/net", ec);
    while (!done) {
      for (fs::directory_iterator process("/proc", ec), end; process != end; process.increment(ec)) {
        const bool inBed = fs::read_symlink(process->path() / "ns/net", ec) == network;
        for (const char* what : {"cmdline", "environ"}) {
          if ((what[0] == 'c' || inBed) &&
              Slurp(process->path() / what).find(kPassword) != std::string::npos)
            leaks.insert(process->path().string() + "/" + what);
        }
      }
    }
    connect.join();
    return ok;
  }

  // The row of `letter` in findway's list of drive letters.
  static nlohmann::json Letter(const std::string& letter) {
    const Ran listed = RunFindway({"drives", "--json"});
    EXPECT_EQ(listed.status, 0);
    for (const auto& row : nlohmann::json::parse(listed.out)) {
      if (row["letter"] == letter) return row;
    }
    return {};
  }

  std::unique_ptr<platform::LinuxNetworkDrives> drives_;
};

// A guest letter is a folder whose files reach the share. A letter whose
// mount went away behind its back is remembered but unavailable, and
// removing it just forgets it. Two letters may share one mount.
TEST_F(NetworkDrives, GuestLettersShareAMountThatMayGoBehindTheirBack) {
  std::set<std::string> leaks;
  double seconds = 0;
  ASSERT_EQ(Connect("l:", R"(\\Vault\HDD_1)", "", "", leaks, seconds), ConnectAnswer::Connected)
      << drives_->lastError();
  std::string remote;
  EXPECT_TRUE(drives_->RemoteName("L:", remote));
  EXPECT_EQ(remote, R"(\\Vault\HDD_1)");
  const std::string folder = drives_->table().Find("L:").value().mountPath;
  EXPECT_NE(Bookmarks().find(platform::FolderUri(folder) + " L: HDD_1 on Vault\n"), std::string::npos)
      << Bookmarks();
  std::string bytes(100000, '\0');
  std::mt19937 random(7);
  for (char& b : bytes) b = static_cast<char>(random());
  std::ofstream(fs::path(folder) / "written.bin", std::ios::binary) << bytes;
  EXPECT_EQ(Slurp(DeviceShare("HDD_1") / "written.bin"), bytes);

  ASSERT_EQ(Connect("M:", R"(\\Vault\HDD_1)", "", "", leaks, seconds), ConnectAnswer::Connected)
      << drives_->lastError();
  EXPECT_EQ(drives_->table().Find("M:").value().mountPath, folder);
  std::string error;
  ASSERT_EQ(platform::UnmountFolder(folder, false, std::chrono::seconds(10), error),
            platform::UnmountOutcome::Unmounted)
      << error;
  EXPECT_TRUE(Eventually([&] { return !drives_->RemoteName("L:", remote); }));
  EXPECT_EQ(drives_->Kind("L:"), DriveKind::Remote);
  EXPECT_TRUE(drives_->CancelConnection("L:", 0, false)) << drives_->lastError();
  EXPECT_EQ(drives_->Kind("L:"), DriveKind::NoRootDir);
  EXPECT_NE(Bookmarks().find(platform::FolderUri(folder) + " M: "), std::string::npos) << Bookmarks();
  EXPECT_FALSE(drives_->CancelConnection("L:", 0, false)) << "nothing left to remove";
  EXPECT_EQ(drives_->Kind("M:"), DriveKind::Remote);
  EXPECT_TRUE(drives_->CancelConnection("M:", 0, false)) << drives_->lastError();
  EXPECT_EQ(Bookmarks().find(platform::FolderUri(folder)), std::string::npos) << Bookmarks();
}

// The device's smbd, stopped (SIGSTOP) while it lives: connected clients
// get no answer, as from a server that hangs. Its processes are the parent
// and one per client, all started with the device's configuration.
class StalledServer {
 public:
  explicit StalledServer(const fs::path& conf) {
    std::error_code ec;
    for (fs::directory_iterator process("/proc", ec), end; process != end; process.increment(ec)) {
      const std::string argv = Slurp(process->path() / "cmdline");
      const std::string name = argv.substr(0, argv.find('\0'));
      if (name.ends_with("smbd") && argv.find("--configfile=" + conf.string() + '\0') != std::string::npos &&
          kill(std::stoi(process->path().filename()), SIGSTOP) == 0)
        stopped.push_back(std::stoi(process->path().filename()));
    }
  }
  ~StalledServer() {
    for (pid_t pid : stopped) kill(pid, SIGCONT);
  }
  std::vector<pid_t> stopped;
};

// Letters on one share share its mount: unmapping one leaves the other's
// mount, its open files and its bookmark. A server that stops answering
// holds up no listing of the letters.
TEST_F(NetworkDrives, LettersOnOneShareOutliveEachOtherAndAStalledServer) {
  platform::LinuxNetworkDrives drives;  // findway's own table
  for (const char* letter : {"L:", "K:"}) {
    ASSERT_EQ(drives.AddConnection(letter, R"(\\Vault\HDD_1)", "", "", 0), ConnectAnswer::Connected)
        << drives.lastError();
  }
  const std::string folder = drives.table().Find("L:").value().mountPath;
  ASSERT_EQ(drives.table().Find("K:").value().mountPath, folder);
  // GVfs's FUSE bridge may answer for a share's earlier mount a moment longer.
  int open = -1;
  Eventually([&] {
    return (open = ::open((folder + "/open.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) >= 0;
  });
  ASSERT_GE(open, 0) << std::strerror(errno);
  EXPECT_EQ(::write(open, "before ", 7), 7);
  const Ran unmapped = RunFindway({"unmap", "K"});
  EXPECT_EQ(unmapped.status, 0) << unmapped.err;
  EXPECT_EQ(::write(open, "after", 5), 5) << std::strerror(errno);
  EXPECT_EQ(::close(open), 0) << std::strerror(errno);
  EXPECT_EQ(Slurp(DeviceShare("HDD_1") / "open.txt"), "before after");
  EXPECT_EQ(Letter("K:")["mapped"], false);
  EXPECT_NE(Bookmarks().find(platform::FolderUri(folder) + " L: HDD_1 on Vault\n"), std::string::npos)
      << Bookmarks();

  {
    const StalledServer stalled(fs::path(bed_->stateDir()) / "smb-seg1" / "1-Vault" / "smb.conf");
    ASSERT_FALSE(stalled.stopped.empty());
    // Past what the kernel keeps of the folder's attributes (a second), so
    // that anything touching the folder would reach the stalled server.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    Ran listed;
    const double seconds = SecondsFor([&] { listed = RunFindway({"drives", "--json"}); });
    std::cout << "findway drives with the server stalled: " << seconds << " s\n";
    EXPECT_LT(seconds, 1.0);
    const nlohmann::json rows = nlohmann::json::parse(listed.out, nullptr, false);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const nlohmann::json& row) {
      return row.value("letter", "") == "L:" && row.value("mapped", false) && row.value("share", "") == "HDD_1";
    })) << listed.out;
    // The same in the process that mounted the share itself, as the window is.
    std::string remote;
    EXPECT_LT(SecondsFor([&] { EXPECT_TRUE(drives.RemoteName("L:", remote)); }), 1.0);
  }
  EXPECT_TRUE(drives.CancelConnection("L:", 0, true)) << drives.lastError();
  EXPECT_TRUE(Eventually([&] { return Mounts().empty(); }));
  EXPECT_EQ(Bookmarks().find(platform::FolderUri(folder)), std::string::npos) << Bookmarks();
}

// The private share takes its user's password and nothing else; the
// password shows on no command line, in no environment and in no log.
TEST_F(NetworkDrives, PrivateShareTakesItsPasswordAndRefusesTheRest) {
  const struct {
    std::string user, password;
    ConnectAnswer answer;
  } rows[] = {
      {"kfwtest", "wrong", ConnectAnswer::Refused},
      {"", "", ConnectAnswer::Refused},  // a guest
      {"someone", kPassword, ConnectAnswer::Refused},
      {R"(WORKGROUP\kfwtest)", kPassword, ConnectAnswer::Connected},
      {"kfwtest", kPassword, ConnectAnswer::Connected},
  };
  std::set<std::string> leaks;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.user + " / " + row.password);
    double seconds = 0;
    EXPECT_EQ(Connect("S:", R"(\\Vault\Secret)", row.user, row.password, leaks, seconds), row.answer)
        << drives_->lastError();
    const bool connects = row.answer == ConnectAnswer::Connected;
    std::string remote;
    EXPECT_EQ(drives_->RemoteName("S:", remote), connects);
    EXPECT_EQ(drives_->Kind("S:"), connects ? DriveKind::Remote : DriveKind::NoRootDir);
    EXPECT_EQ(Mounts().size(), connects ? 1u : 0u);
    if (!connects) {
      EXPECT_LT(seconds, 10.0) << "a refusal is the server's answer, not a time-out";
      continue;
    }
    EXPECT_TRUE(drives_->CancelConnection("S:", 0, true)) << drives_->lastError();
    EXPECT_TRUE(Eventually([&] { return Mounts().empty(); }));
  }
  EXPECT_EQ(leaks, std::set<std::string>{});
  for (const auto& file : fs::recursive_directory_iterator(bed_->stateDir())) {
    if (file.is_regular_file() && file.path().filename() != "seg1.conf") {
      EXPECT_EQ(Slurp(file.path()).find(kPassword), std::string::npos) << file.path();
    }
  }
  EXPECT_EQ(Slurp(drives_->table().file()).find(kPassword), std::string::npos);
}

// findway's map, unmap and drives over the same mounts.
TEST_F(NetworkDrives, FindwayMapsUnmapsAndListsLetters) {
  Ran ran = RunFindway({"map", "10.201.1.40", "hdd_1", "k"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "K:\n");
  EXPECT_EQ(ran.err, "Confirm: Successfully mapped drive.\n");
  EXPECT_EQ(Letter("K:"), (nlohmann::json{{"letter", "K:"}, {"host", "Vault"}, {"share", "HDD_1"}, {"mapped", true},
                                {"default", false}}));
  // The letter in use is kept without --force.
  ran = RunFindway({"map", "10.201.1.40", "Secret", "K:"});
  EXPECT_EQ(ran.status, 4);
  EXPECT_TRUE(ran.err.find("Give --force") != std::string::npos) << ran.err;
  EXPECT_EQ(Letter("K:")["share"], "HDD_1");

  EXPECT_EQ(RunFindway({"map", "10.201.1.40", "Nothing"}).status, 1);
  ran = RunFindway({"map", "10.201.1.40", "Secret", "S", "--user", "kfwtest", "--password-stdin"}, "wrong\n");
  EXPECT_EQ(ran.status, 3) << "the share refused the password";
  EXPECT_EQ(ran.err, "Error: Failed to map drive.\n"
                     "findway: cannot map \\\\Vault\\Secret (S:): the share refused the credentials\n");
  ran = RunFindway({"map", "10.201.1.40", "Secret", "--user", "kfwtest", "--password-stdin"},
                std::string(kPassword) + "\n");
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "Z:\n") << "the highest free letter";
  EXPECT_EQ((ran.err + ran.out).find(kPassword), std::string::npos);

  for (const char* letter : {"K", "Z:"}) {
    ran = RunFindway({"unmap", letter});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.err, "Confirm: Successfully unmapped drive.\n");
  }
  EXPECT_EQ(Letter("K:")["mapped"], false);
  EXPECT_EQ(Letter("Z:")["default"], true);
  ran = RunFindway({"unmap", "K"});
  EXPECT_EQ(ran.status, 4);
  EXPECT_NE(ran.err.find("\nfindway: the mapping of K: cannot be removed: no connection on K:\n"), std::string::npos)
      << ran.err;
}

}  // namespace
}  // namespace kfw::integration
