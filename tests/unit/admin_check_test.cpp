// The administrator check against simulated devices, over virtual time.

#include "core/admin_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fixtures.h"
#include "tests/support/scripted_interaction.h"

namespace kfw::core {
namespace {

using Login = std::pair<std::string, std::string>;

// One device, selected as a click in the device list would, without a
// discovery, so the device's log holds only what the check sends.
struct Bed : fixtures::SimBed {
  Bed(std::string password, int verdict = 1, bool silent = false) : SimBed("192.168.1.5", 1) {
    sim::DeviceConfig config;
    config.adminPassword = std::move(password);
    config.loginVerdict = verdict;
    config.silent = silent;
    device = &Add(config);
    EXPECT_TRUE(client.StartNetwork());
    // Name, address, no netmask, gateway or DHCP flag, the id, no model.
    client.deviceList().Add(
        {device->config().name, device->address(), {}, {}, {}, device->deviceId(), {}});
    record = client.DeviceAt(device->address());
  }
  // The login requests that carry `logins`, byte for byte.
  std::vector<std::vector<uint8_t>> LoginRequests(const std::vector<Login>& logins) const {
    std::vector<std::vector<uint8_t>> requests;
    for (const auto& [user, password] : logins) {
      protocol::Buffer b{};
      auto n = protocol::BuildLoginRequest(b, client.clientId(), device->deviceId(), user, password);
      requests.emplace_back(b.begin(), b.begin() + n);
    }
    return requests;
  }

  sim::SimDevice* device = nullptr;
  protocol::DeviceRecord record;  // the selected one
};

TEST(AdministratorCheckTest, ProvesThePassword) {
  const std::string sixteen = "0123456789abcdef";  // the longest password reaches the device whole
  const Login empty{"admin", ""}, guess{"admin", "guess"}, root{"root", "s3cret"};
  const Login right{"admin", "s3cret"}, longest{"admin", sixteen};
  const struct {
    // The device's password, its verdict for good credentials, and whether it answers at all.
    std::string password; int verdict; bool silent;
    // What the Login dialog answers (nothing: Cancel), the check's answer, and the logins sent.
    std::optional<Login> dialog; bool accepted; std::vector<Login> logins;
  } rows[] = {
      {"", 1, false, std::nullopt, true, {empty}},
      {"", 0xFF, false, std::nullopt, true, {empty}},  // any non-zero verdict accepts
      {"s3cret", 1, false, std::nullopt, false, {empty, empty}},
      {"s3cret", 1, false, guess, false, {empty, guess}},
      {"s3cret", 1, false, root, false, {empty, root}},  // the user name is sent as typed
      {"s3cret", 1, false, right, true, {empty, right}},
      {sixteen, 1, false, longest, true, {empty, longest}},
      {"", 1, true, empty, false, {empty, empty}},  // no answer is a refusal
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows);
    Bed bed(row.password, row.verdict, row.silent);
    ScriptedInteraction user;
    if (row.dialog) user.answers.push_back(Credentials{row.dialog->first, row.dialog->second});
    const CommandEnd end = RunAdministratorCheck(bed.client, user, bed.record);
    EXPECT_EQ(end.ok(), row.accepted);
    // The reason names the device and the user whose password it refused.
    const std::string reason = row.accepted ? ""
                               : bed.record.address.str() + " did not accept the password of " + row.logins.back().first;
    EXPECT_EQ(end.detail, reason);
    EXPECT_EQ(user.details, row.accepted ? std::vector<std::string>{} : std::vector<std::string>{reason});
    ASSERT_EQ(user.questions.size(), row.logins.size() - 1);
    for (const LoginQuestion& q : user.questions) {
      EXPECT_EQ(q.loginMode, LoginMode::Administrator);
      EXPECT_EQ(q.fixedUser, "admin");
    }
    EXPECT_EQ(user.messages, row.accepted ? std::vector<std::string>{}
                                          : std::vector<std::string>{"Error (stop): Wrong administrator password input!"});
    EXPECT_EQ(bed.device->requestLog(), bed.LoginRequests(row.logins));
  }

  // An answer that ends the whole command: no second login, nothing said.
  Bed bed("s3cret");
  ScriptedInteraction user;
  user.abandonOnCancel = true;
  EXPECT_EQ(RunAdministratorCheck(bed.client, user, bed.record).failure, Failure::BadInput);
  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(bed.device->requestLog(), bed.LoginRequests({{"admin", ""}}));
}

}  // namespace
}  // namespace kfw::core
