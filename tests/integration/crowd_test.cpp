// A crowded segment: a thousand devices answer both copies of the discovery
// request within 100 ms of it, and every one of them is listed in the time of
// an ordinary discovery.

#include <set>

#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

class Crowd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bed_ = std::make_unique<TestBed>(
        "kfwl", std::vector<std::string>{"--segments", "1", "--devices-per-segment", "1000",
                                         "--max-delay", "100"});
    bed_->Up();
  }
  static void TearDownTestSuite() { bed_.reset(); }
  void SetUp() override { KFW_REQUIRE_TEST_BED(bed_.get()); }

  static std::unique_ptr<TestBed> bed_;
};
std::unique_ptr<TestBed> Crowd::bed_;

TEST_F(Crowd, ThousandDevicesAllListedWithinTheDiscoveryTime) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ASSERT_EQ(ws.client.interfaceCount, 1);
  const auto start = std::chrono::steady_clock::now();
  ws.client.DiscoverDevices(3, 3);
  const double seconds = SecondsSince(start);

  EXPECT_EQ(ws.client.deviceList.count(), 1000);
  std::set<std::string> addresses;
  for (const auto& record : ws.client.deviceList) addresses.insert(record.address.str());
  std::vector<std::string> missing;
  for (int i = 0; i < 1000; ++i) {
    const std::string address =
        "10.201." + std::to_string(1 + i / 250) + "." + std::to_string(1 + i % 250);
    if (!addresses.count(address)) missing.push_back(address);
  }
  EXPECT_TRUE(missing.empty()) << missing.size() << " missing, first " << missing.front();
  EXPECT_LE(seconds, 1.1 * 1.04);
  EXPECT_EQ(bed_->LoggedRequests(1).size(), 2u);
}

}  // namespace
}  // namespace kfw::integration
