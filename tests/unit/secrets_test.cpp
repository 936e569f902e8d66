// The administrator and share passwords go to the device and to the drive
// connection only: never to a diagnostic line, a log stream, a file the
// program writes, the process's command line or environment; and the
// client forgets them once the exchange that needed them is over.

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "core/admin_check.h"
#include "core/desktop_widget.h"
#include "core/drive_mapping.h"
#include "fixtures.h"
#include "platform/atomic_file.h"
#include "platform/linux/linux_network_drives.h"
#include "scratch.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/fake_programs.h"
#include "tests/support/scripted_interaction.h"

namespace kfw::core {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMarker = "Mk-9zQ-s3cr3t";  // fits the 16-byte field whole

bool Holds(const std::string& text) { return text.find(kMarker) != std::string::npos; }

// Every byte standard output, error and log receive while it lives.
struct CapturedStreams {
  CapturedStreams()
      : out(std::cout.rdbuf(text.rdbuf())), err(std::cerr.rdbuf(text.rdbuf())),
        log(std::clog.rdbuf(text.rdbuf())) {}
  ~CapturedStreams() {
    std::cout.rdbuf(out);
    std::cerr.rdbuf(err);
    std::clog.rdbuf(log);
  }
  std::ostringstream text;
  std::streambuf *out, *err, *log;
};

using SecretsTest = Scratch;

TEST_F(SecretsTest, PasswordsLeaveNoTraceOutsideTheirExchange) {
  const fs::path config = root / ".config";

  fixtures::SimBed bed;
  sim::DeviceConfig device;
  device.name = "Office";
  device.address = "192.168.1.100";
  device.adminPassword = kMarker;
  bed.Add(device);
  CapturedStreams streams;
  bed.Select("192.168.1.100");
  protocol::ManagementClient& client = bed.client;

  // The administrator login: the empty password fails, the typed one passes.
  ScriptedInteraction user;
  user.answers.push_back(Credentials{"admin", kMarker});
  EXPECT_TRUE(RunAdministratorCheck(client, user, bed.device()).ok());
  bool sent = false;
  for (const auto& datagram : bed.net.sent()) {
    sent = sent || Holds(std::string(datagram.bytes.begin(), datagram.bytes.end()));
  }
  EXPECT_TRUE(sent) << "the login never carried the password";

  // What prints diagnostics, and what writes files, after the login.
  const protocol::DeviceRecord office = bed.device();
  EXPECT_TRUE(client.QuerySsl(office) && client.QuerySharename(office) && client.QueryDomain(office) &&
              client.QueryCodepage(office) && client.QueryWorkgroup(office));
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  LaunchWidget({programs, browser, user, root / "ip.txt"}, "192.168.1.100", "KVR-220");
  platform::ConnectionTable table(config / "korvex-findway" / "network-drives");
  ASSERT_TRUE(table.Add({"K:", "\\\\Office\\HDD_1", "/run/user/0/gvfs/x"}));

  // The share password reaches the connection attempt and nothing else.
  platform::FakeNetworkDrives drives;
  FakeSystem system;
  user.answers.push_back(Credentials{"carol", kMarker});
  // The guest attempt fails, so the Login dialog is asked.
  drives.accept = [](const platform::FakeNetworkDrives::Attempt& a) {
    return a.password == kMarker ? platform::ConnectAnswer::Connected : platform::ConnectAnswer::Refused;
  };
  ConnectShare({client, drives, system, user}, {"Office", "HDD_1", "", "Z:", bed.selected});
  ASSERT_FALSE(drives.attempts.empty());
  EXPECT_EQ(drives.attempts.back().password, kMarker);

  EXPECT_FALSE(Holds(bed.diagnostics.str())) << bed.diagnostics.str();
  EXPECT_FALSE(Holds(streams.text.str()));
  EXPECT_FALSE(Holds(platform::ReadTextFile("/proc/self/cmdline").value_or("")));
  EXPECT_FALSE(Holds(platform::ReadTextFile("/proc/self/environ").value_or("")));
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    EXPECT_FALSE(Holds(platform::ReadTextFile(entry.path()).value_or(""))) << entry.path();
  }
  EXPECT_EQ(files, 2);  // the address file and the connection table
}

// A password handed on or replaced leaves nothing behind in its old holder,
// also when the new value is a part of the old one.
TEST(SecretTest, HandedOnOrReplacedLeavesNoValueBehind) {
  platform::Secret typed = "a password longer than a short string";
  typed = typed.view().substr(2);
  EXPECT_EQ(typed, "password longer than a short string");
  platform::Secret kept = std::move(typed);
  EXPECT_TRUE(typed.empty());
  platform::Secret brief = "pw";
  kept = std::move(brief);
  EXPECT_TRUE(brief.empty()) << "the value given up is wiped, not handed back";
  EXPECT_EQ(kept, "pw");
}

}  // namespace
}  // namespace kfw::core
