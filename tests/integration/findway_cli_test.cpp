// The findway command itself, run as a program in the test bed's
// workstation namespace: exit status, output, and what the devices
// received. The add-on installs run with the restart wait shrunk
// (KFW_TEST_SHORT_WAITS=1); map and unmap mount through GVfs in a private
// session.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "tests/integration/private_session.h"
#include "tests/integration/test_bed.h"

extern char** environ;

namespace kfw::integration {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Strings = std::vector<std::string>;

struct Ran {
  int status = -1;
  std::string out, err;
};

// Runs build/findway with `args`, `input` on its standard input and `env`
// added to this process's environment; with `interruptAfter`, SIGINT is
// sent to it then.
Ran RunFindway(const Strings& args, const std::string& input = "", const Strings& env = {},
            std::chrono::milliseconds interruptAfter = std::chrono::milliseconds(0)) {
  Ran ran;
  std::string dir = (fs::temp_directory_path() / "kfwc-run.XXXXXX").string();
  if (!mkdtemp(dir.data())) return ran;
  std::ofstream(dir + "/in") << input;
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, (dir + "/in").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, (dir + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, (dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  Strings argv{std::string(KFW_BINARY_DIR) + "/findway"};
  argv.insert(argv.end(), args.begin(), args.end());
  Strings envp = env;
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  std::vector<char*> argp, envpp;
  for (auto& a : argv) argp.push_back(a.data());
  for (auto& e : envp) envpp.push_back(e.data());
  argp.push_back(nullptr);
  envpp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argp[0], &files, nullptr, argp.data(), envpp.data()) == 0) {
    if (interruptAfter.count() > 0) {
      std::this_thread::sleep_for(interruptAfter);
      kill(pid, SIGINT);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&files);
  ran.out = Slurp(dir + "/out");
  ran.err = Slurp(dir + "/err");
  fs::remove_all(dir);
  return ran;
}

bool AnySet(const std::map<int, Strings>& requests) {
  for (const auto& [segment, hexes] : requests) {
    for (const auto& hex : hexes) {
      if (hex.rfind("05", 0) == 0) return true;
    }
  }
  return false;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

constexpr const char* kAdmin = "Kfw-cli-admin-3";
const std::string kDevices = std::string(R"(
[device]
name = Keeper
address = 10.201.1.60
netmask = 255.255.0.0
gateway = 10.201.0.254
shares = HDD_1
sharename = HDD_1
ideok = 3
bt_firmware = 1
ssl = 1
admin_password = )") + kAdmin + R"(

[device]
name = Mover
address = 10.201.1.61
netmask = 255.255.0.0
gateway = 10.201.0.254
dhcp_address = 10.201.9.61
admin_password = )" + kAdmin + R"(

[device]
name = Mute
address = 10.201.1.62
web = off
)";

const BedSetup kBed{"kfwc", 1, "--smb", {{1, kDevices}}};
const Strings kShortWaits{"KFW_TEST_SHORT_WAITS=1"};

class Findway : public OnTestBed<kBed> {};

TEST_F(Findway, DiscoverListsAsJsonAndWatchesUntilInterrupted) {
  const Ran listed = RunFindway({"discover", "--json"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const json devices = json::parse(listed.out);
  std::set<std::string> ips;
  for (const json& device : devices) {
    std::set<std::string> keys;
    for (const auto& [key, value] : device.items()) keys.insert(key);
    EXPECT_EQ(keys, (std::set<std::string>{"name", "ip", "netmask", "gateway", "dhcp", "model", "interface"}));
    ips.insert(device["ip"].get<std::string>());
  }
  EXPECT_EQ(ips, (std::set<std::string>{"10.201.1.60", "10.201.1.61", "10.201.1.62"}));

  const Ran watched = RunFindway({"discover", "--watch", "1", "--json"}, "", {}, std::chrono::milliseconds(4000));
  EXPECT_EQ(watched.status, 0) << watched.err;
  std::istringstream lines(watched.out);
  std::string line;
  Strings events;
  while (std::getline(lines, line)) {
    const json event = json::parse(line);
    events.push_back(event["event"].get<std::string>() + " " + event["name"].get<std::string>());
  }
  std::sort(events.begin(), events.end());
  // Later rounds find the same devices: nothing more is written.
  EXPECT_EQ(events, (Strings{"appeared Keeper", "appeared Mover", "appeared Mute"}));
}

TEST_F(Findway, SetAddressTakesThePasswordFromStandardInputOnly) {
  // Bad arguments: refused before anything is sent.
  Ran ran;
  auto sent = bed_->RequestsDuring([&] { ran = RunFindway({"set-address", "10.201.1.61", "--dhcp", "--static"}); });
  EXPECT_EQ(ran.status, 2);
  EXPECT_TRUE(sent.at(1).empty());

  for (const auto& [input, options] : std::vector<std::pair<std::string, Strings>>{
           {"wrong\n", {"--password-stdin"}}, {"", {}}}) {
    Strings args{"set-address", "10.201.1.61", "--dhcp"};
    args.insert(args.end(), options.begin(), options.end());
    sent = bed_->RequestsDuring([&] { ran = RunFindway(args, input); });
    EXPECT_EQ(ran.status, 3) << ran.err;
    EXPECT_EQ(ran.err, "Error: Wrong administrator password input!\n");
    EXPECT_FALSE(AnySet(sent)) << "a refused password sends no set request";
    EXPECT_FALSE(sent.at(1).empty()) << "the login was asked";
  }

  sent = bed_->RequestsDuring([&] {
    ran = RunFindway({"set-address", "10.201.1.61", "--static", "10.201.1.71", "255.255.0.0", "10.201.0.254",
                   "--password-stdin"},
                  std::string(kAdmin) + "\n");
  });
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "10.201.1.71\n");
  EXPECT_TRUE(AnySet(sent));
  EXPECT_EQ(RunFindway({"query", "10.201.1.61", "ssl"}).status, 1) << "the old address is gone";

  ran = RunFindway({"set-address", "10.201.1.71", "--dhcp", "--password-stdin"}, std::string(kAdmin) + "\n");
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "10.201.9.61\n");
  EXPECT_EQ(ran.err, "Confirm: DHCP client enabled.\n");
}

TEST_F(Findway, ConsoleChecksTheDeviceThenOpensOrPrints) {
  Ran ran = RunFindway({"console", "10.201.1.60", "--print"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "https://10.201.1.60\n");
  ran = RunFindway({"console", "10.201.1.62", "--print"});
  EXPECT_EQ(ran.status, 1);
  EXPECT_EQ(ran.out, "");
  EXPECT_EQ(ran.err, "Warning: Device is no longer available.\n");
  EXPECT_EQ(RunFindway({"console", "10.201.1.99"}).status, 1);

  // A desktop of the test's own whose default browser records its address;
  // no xdg-settings on the path may answer with the machine's browser.
  std::string root = (fs::temp_directory_path() / "kfwc-desktop.XXXXXX").string();
  ASSERT_TRUE(mkdtemp(root.data()));
  const std::string record = root + "/record";
  fs::create_directories(root + "/data/applications");
  fs::create_directories(root + "/config");
  std::ofstream(root + "/browser") << "#!/bin/sh\necho \"$@\" >> " << record << "\n";
  fs::permissions(root + "/browser", fs::perms(0755));
  std::ofstream(root + "/data/applications/kfwc-recorder.desktop")
      << "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" << root << "/browser %u\n";
  std::ofstream(root + "/config/mimeapps.list")
      << "[Default Applications]\nx-scheme-handler/http=kfwc-recorder.desktop\n";
  const Strings desktop{"XDG_CONFIG_HOME=" + root + "/config", "XDG_DATA_HOME=" + root + "/data",
                        "PATH=" + root + "/no-programs"};
  ran = RunFindway({"console", "10.201.1.60"}, "", desktop);
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_TRUE(Eventually([&] { return Slurp(record) == "https://10.201.1.60\n"; })) << Slurp(record);
  // No browser at all: nothing could be started.
  fs::remove(root + "/browser");
  ran = RunFindway({"console", "10.201.1.60"}, "", desktop);
  EXPECT_EQ(ran.status, 4) << ran.err;
  fs::remove_all(root);
}

TEST_F(Findway, InstallsLanguageAndBitTorrentOrReportsTheRefusal) {
  const fs::path share = fs::path(bed_->stateDir()) / "smb-seg1" / "1-Keeper" / "shares" / "HDD_1";
  Ran ran = RunFindway({"install-language", "10.201.1.60", "traditional chinese"}, "", kShortWaits);
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_TRUE(Has(ran.err, "Loading...\n")) << ran.err;
  EXPECT_TRUE(Has(ran.err, "The device is restarting: 100%\nThe device has restarted.\n")) << ran.err;
  EXPECT_EQ(bed_->Events(1, "10.201.1.60"), (Strings{"access_mode rw", "codepage 950"}));
  EXPECT_TRUE(fs::exists(share / ".systemfile" / ".codepages" / "unicode_map.950"));

  // Disk state 3: the firmware takes no Turkish.
  ran = RunFindway({"install-language", "10.201.1.60", "857"}, "", kShortWaits);
  EXPECT_EQ(ran.status, 3);
  EXPECT_TRUE(Has(ran.err, "This codepage does not supported in this firmware.")) << ran.err;
  EXPECT_EQ(bed_->Events(1, "10.201.1.60").size(), 2u);

  auto sent = bed_->RequestsDuring(
      [&] { ran = RunFindway({"install-bt", "10.201.1.60", "--password-stdin"}, "wrong\n", kShortWaits); });
  EXPECT_EQ(ran.status, 3);
  EXPECT_FALSE(AnySet(sent));
  ran = RunFindway({"install-bt", "10.201.1.60", "--password-stdin"}, std::string(kAdmin) + "\n", kShortWaits);
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(bed_->Events(1, "10.201.1.60"),
            (Strings{"access_mode rw", "codepage 950", "access_mode rw", "addon BT"}));
  EXPECT_TRUE(fs::exists(share / "Nas_Prog" / "BT" / "btdog"));
  EXPECT_FALSE(Has(ran.err, kAdmin));
}

constexpr const char* kSharePassword = "Kfw-cli-share-8";
const std::string kShareDevices = std::string(R"(
[device]
name = Vault
address = 10.201.1.40
netmask = 255.255.0.0
shares = HDD_1:Secret
private_shares = Secret
smb_user = kfwcli
smb_password = )") + kSharePassword + "\n";

const BedSetup kShareBed{"kfwc", 1, "--smb", {{1, kShareDevices}}};

class FindwayDrives : public OnSessionBed<kShareBed> {
 protected:
  json Letter(const std::string& letter) {
    const Ran listed = RunFindway({"drives", "--json"});
    EXPECT_EQ(listed.status, 0);
    for (const json& row : json::parse(listed.out)) {
      if (row["letter"] == letter) return row;
    }
    return {};
  }
};

TEST_F(FindwayDrives, MapsUnmapsAndListsLetters) {
  Ran ran = RunFindway({"map", "10.201.1.40", "hdd_1", "k"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "K:\n");
  EXPECT_EQ(ran.err, "Confirm: Successfully mapped drive.\n");
  EXPECT_EQ(Letter("K:"), (json{{"letter", "K:"}, {"host", "Vault"}, {"share", "HDD_1"}, {"mapped", true},
                                {"default", false}}));
  // The letter in use is kept without --force.
  ran = RunFindway({"map", "10.201.1.40", "Secret", "K:"});
  EXPECT_EQ(ran.status, 4);
  EXPECT_TRUE(Has(ran.err, "Give --force")) << ran.err;
  EXPECT_EQ(Letter("K:")["share"], "HDD_1");

  EXPECT_EQ(RunFindway({"map", "10.201.1.40", "Nothing"}).status, 1);
  ran = RunFindway({"map", "10.201.1.40", "Secret", "S", "--user", "kfwcli", "--password-stdin"}, "wrong\n");
  EXPECT_EQ(ran.status, 3) << "the share refused the password";
  EXPECT_EQ(ran.err, "Error: Failed to map drive.\n");
  ran = RunFindway({"map", "10.201.1.40", "Secret", "--user", "kfwcli", "--password-stdin"},
                std::string(kSharePassword) + "\n");
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "Z:\n") << "the highest free letter";
  EXPECT_FALSE(Has(ran.err + ran.out, kSharePassword));

  for (const char* letter : {"K", "Z:"}) {
    ran = RunFindway({"unmap", letter});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.err, "Confirm: Successfully unmapped drive.\n");
  }
  EXPECT_EQ(Letter("K:")["mapped"], false);
  EXPECT_EQ(Letter("Z:")["default"], true);
  EXPECT_EQ(RunFindway({"unmap", "K"}).status, 4);
}

}  // namespace
}  // namespace kfw::integration
