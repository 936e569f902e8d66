// The administrator check against simulated devices, over virtual time.

#include "app/admin_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "protocol/management_client.h"
#include "protocol/messages.h"
#include "sim/simulated_network.h"

namespace kfw::app {
namespace {

using Credentials = std::pair<std::string, std::string>;
using Bytes = std::vector<uint8_t>;

struct AdminCase {
  const char* name;
  std::string devicePassword;
  int loginVerdict;  // what the device answers for good credentials
  bool silent;
  std::string staleUser, stalePassword;  // left in the client by an earlier command
  // What the Login dialog stores on OK; nothing: the user cancels.
  std::optional<Credentials> dialogEntry;
  bool accepted;
  int dialogShown;
  std::vector<Credentials> logins;  // the credentials sent, in order
};
void PrintTo(const AdminCase& c, std::ostream* os) { *os << c.name; }

// Selects the device as a click in the device list would, without a
// discovery, so the device's log holds only what the check sends.
void SelectDevice(protocol::ManagementClient& client, const sim::SimDevice& device) {
  protocol::DeviceRecord record;
  record.name = device.config().name;
  record.address = device.address();
  record.deviceId = device.deviceId();
  record.interfaceIndex = 0;
  client.deviceList.Add(record);
  client.selectedAddress = device.address();
}

class AdministratorCheckTest : public ::testing::TestWithParam<AdminCase> {};

TEST_P(AdministratorCheckTest, ProvesThePassword) {
  const AdminCase& c = GetParam();
  platform::FakeClock clock;
  sim::SimulatedNetwork net{clock};
  net.AddInterface("192.168.1.5", 1);
  sim::DeviceConfig config;
  config.address = "192.168.1.100";
  config.adminPassword = c.devicePassword;
  config.loginVerdict = c.loginVerdict;
  config.silent = c.silent;
  sim::SimDevice& device = net.AddDevice(1, config);

  protocol::ManagementClient client{net, clock};
  ASSERT_TRUE(client.StartNetwork());
  SelectDevice(client, device);
  client.adminUser = c.staleUser;
  client.adminPassword = c.stalePassword;

  int shown = 0;
  auto dialog = [&] {
    ++shown;
    // The dialog only ever opens after the "admin" / empty attempt failed.
    EXPECT_EQ(client.adminUser.str(), "admin");
    EXPECT_EQ(client.adminPassword.str(), "");
    if (c.dialogEntry) {
      client.adminUser = c.dialogEntry->first;
      client.adminPassword = c.dialogEntry->second;
    }
  };
  UserMessage failure{"untouched", "untouched", MessageIcon::None};
  EXPECT_EQ(RunAdministratorCheck(client, dialog, &failure), c.accepted);
  EXPECT_EQ(shown, c.dialogShown);

  if (c.accepted) {
    EXPECT_EQ(failure.text, "untouched") << "nothing is shown on success";
  } else {
    EXPECT_EQ(failure.caption, "Error");
    EXPECT_EQ(failure.text, "Wrong administrator password input!");
    EXPECT_EQ(failure.icon, MessageIcon::Stop);
  }

  // The device saw exactly the expected login requests, byte for byte.
  const std::vector<Bytes>& sent = device.requestLog();
  ASSERT_EQ(sent.size(), c.logins.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    protocol::Buffer expected{};
    const std::size_t size =
        protocol::BuildLoginRequest(expected, client.clientId, device.deviceId(),
                                    c.logins[i].first, c.logins[i].second);
    EXPECT_EQ(sent[i], Bytes(expected.begin(), expected.begin() + static_cast<long>(size)))
        << "login request " << i;
  }
}

const Credentials kEmpty{"admin", ""};

INSTANTIATE_TEST_SUITE_P(
    Devices, AdministratorCheckTest,
    ::testing::Values(
        AdminCase{"EmptyPasswordPassesWithoutDialog", "", 1, false, "", "", std::nullopt, true, 0,
                  {kEmpty}},
        // Any non-zero verdict accepts, also one that reads as negative.
        AdminCase{"NegativeVerdictAccepts", "", 0xFF, false, "", "", std::nullopt, true, 0,
                  {kEmpty}},
        AdminCase{"CancelRepeatsTheEmptyAttempt", "s3cret", 1, false, "", "", std::nullopt, false,
                  1, {kEmpty, kEmpty}},
        AdminCase{"WrongPasswordRefused", "s3cret", 1, false, "", "", Credentials{"admin", "guess"},
                  false, 1, {kEmpty, {"admin", "guess"}}},
        // Whatever user name the dialog stored is sent as it is.
        AdminCase{"DialogUserNameIsSent", "s3cret", 1, false, "", "", Credentials{"root", "s3cret"},
                  false, 1, {kEmpty, {"root", "s3cret"}}},
        AdminCase{"DialogPasswordPasses", "s3cret", 1, false, "", "",
                  Credentials{"admin", "s3cret"}, true, 1, {kEmpty, {"admin", "s3cret"}}},
        // A password typed for an earlier command is not tried again silently.
        AdminCase{"StaleCredentialsAreReplaced", "s3cret", 1, false, "someone", "s3cret",
                  std::nullopt, false, 1, {kEmpty, kEmpty}},
        // A 16-character password reaches the device whole.
        AdminCase{"SixteenCharacterPassword", "0123456789abcdef", 1, false, "", "",
                  Credentials{"admin", "0123456789abcdef"}, true, 1,
                  {kEmpty, {"admin", "0123456789abcdef"}}},
        // No answer counts as a refusal.
        AdminCase{"SilentDeviceRefuses", "", 1, true, "", "", Credentials{"admin", ""}, false, 1,
                  {kEmpty, kEmpty}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AdministratorCheck, FailureMessageIsOptional) {
  platform::FakeClock clock;
  sim::SimulatedNetwork net{clock};
  net.AddInterface("192.168.1.5", 1);
  sim::DeviceConfig config;
  config.address = "192.168.1.100";
  config.adminPassword = "s3cret";
  const sim::SimDevice& device = net.AddDevice(1, config);
  protocol::ManagementClient client{net, clock};
  ASSERT_TRUE(client.StartNetwork());
  SelectDevice(client, device);
  EXPECT_FALSE(RunAdministratorCheck(client, nullptr, nullptr));
}

}  // namespace
}  // namespace kfw::app
