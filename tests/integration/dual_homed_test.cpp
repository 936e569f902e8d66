// A segment the workstation reaches through two links: each device is listed
// once, under the first interface, and is then served through it.

#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

constexpr const char* kDevices = R"(
[device]
name = Archive
address = 10.201.1.10
netmask = 255.255.0.0
gateway = 10.201.0.254
model = KX-450R
reply_type = 8
delay_ms = 0-20

[device]
name = Studio
address = 10.201.1.11
reply_type = 7
delay_ms = 0-40

[device]
name = Basement
address = 10.201.1.12
reply_type = 2
delay_ms = 0-5
)";

class DualHomed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bed_ = std::make_unique<TestBed>("kfwd",
                                     std::vector<std::string>{"--segments", "1", "--dual-homed"},
                                     std::map<int, std::string>{{1, kDevices}});
    bed_->Up();
  }
  static void TearDownTestSuite() { bed_.reset(); }
  void SetUp() override { KFW_REQUIRE_TEST_BED(bed_.get()); }

  static std::unique_ptr<TestBed> bed_;
};
std::unique_ptr<TestBed> DualHomed::bed_;

TEST_F(DualHomed, EachDeviceListedOnceUnderTheLowerSlot) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ASSERT_EQ(ws.client.localAddresses, (std::vector<std::string>{"10.201.0.1", "10.201.0.2"}));
  const std::size_t before = bed_->LoggedRequests(1).size();
  ws.client.DiscoverDevices(3, 3);

  ASSERT_EQ(ws.client.deviceList.count(), 3);
  for (const auto& record : ws.client.deviceList) {
    SCOPED_TRACE(record.address.str());
    EXPECT_EQ(record.interfaceIndex, 0);
  }
  // Both links sent their two copies into the same segment.
  EXPECT_EQ(bed_->LoggedRequests(1).size(), before + 4);

  // The device is then served through slot 0's link.
  const Bytes id = ws.Select("10.201.1.11");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(ws.client.QuerySharename(), 1);
  EXPECT_EQ(ws.client.sharenameValue.str(), "HDD_1");
}

}  // namespace
}  // namespace kfw::integration
