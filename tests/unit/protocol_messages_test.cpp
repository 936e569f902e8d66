// The readers of replies at their edges; request layouts are checked
// against the simulated device, which parses them by hand, in the client's
// and the commands' tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixtures.h"

namespace kfw::protocol {
namespace {

const ClientId kClient{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0, 0, 0, 0};
const DeviceId kTarget{1, 2, 3, 4, 5, 6, 192, 168, 1, 20};

std::vector<uint8_t> DiscoveryReply(uint8_t type, std::string name, uint8_t cat = 3, uint8_t sub = 3,
                                    std::string model = "") {
  return fixtures::DiscoveryReply(fixtures::ReplyHeader(type, kClient, kTarget), {name, cat, sub, model, '1'});
}

TEST(DiscoveryReplies, NamesAreCutToTheRecordAndTheDatagram) {
  auto longName = DiscoveryReply(2, std::string(300, 'n'));
  EXPECT_EQ(ParseDiscoveryReply(Reply(longName))->name.size(), 255u);

  // The length field claims 200 bytes; only 10 are present.
  auto lying = DiscoveryReply(7, "0123456789");
  lying[68] = 200;
  EXPECT_EQ(ParseDiscoveryReply(Reply(lying))->name, "0123456789");

  auto huge = DiscoveryReply(8, "abc");
  huge[100] = huge[101] = huge[102] = huge[103] = 0xFF;
  EXPECT_EQ(ParseDiscoveryReply(Reply(huge))->name, "abc");

  // A field of its full width has no terminator and stops at its end.
  auto wide = DiscoveryReply(8, "x", 3, 3, std::string(32, 'M'));
  std::fill(wide.begin() + 24, wide.begin() + 40, '9');
  const auto wideInfo = ParseDiscoveryReply(Reply(wide));
  EXPECT_EQ(wideInfo->netmask, std::string(16, '9'));
  EXPECT_EQ(wideInfo->model, std::string(32, 'M'));
}

TEST(DiscoveryReplies, TooShortForTheFixedPartIsNoReply) {
  for (const auto& [type, fixed] : std::vector<std::pair<uint8_t, std::size_t>>{{2, 60}, {7, 72}, {8, 104}}) {
    const auto whole = DiscoveryReply(type, "", 3, 3, "M");
    ASSERT_EQ(whole.size(), fixed);
    for (std::size_t n = 0; n < fixed; ++n) {
      EXPECT_FALSE(ParseDiscoveryReply(Reply(std::span(whole.data(), n)))) << int(type) << "/" << n;
    }
    const auto info = ParseDiscoveryReply(Reply(whole));
    ASSERT_TRUE(info) << int(type);
    EXPECT_EQ(info->address, "192.168.1.20");
    EXPECT_EQ(info->name, "");
  }
}

TEST(DiscoveryReplies, CategoryFilter) {
  // The client's discovery test covers each filter on model replies.
  EXPECT_TRUE(PassesCategoryFilter(Reply(DiscoveryReply(8, "a", 9, 9)), 0, 0));
  auto basic = DiscoveryReply(2, "abcdefgh");  // bytes 56..57 hold the length, not categories
  basic[56] = 1;
  EXPECT_TRUE(PassesCategoryFilter(Reply(basic), 3, 3));
}

TEST(QueryReplies, ClientIdValueAndBounds) {
  std::vector<uint8_t> reply = fixtures::QueryReply(fixtures::ReplyHeader(4, kClient, kTarget), "1");
  for (int i = 7; i <= 10; ++i) reply[i] ^= 0xFF;  // bytes 7..10 are not examined
  EXPECT_TRUE(MatchClientId(Reply(reply), kClient));
  reply[6] ^= 0xFF;
  EXPECT_FALSE(MatchClientId(Reply(reply), kClient));
  EXPECT_EQ(Reply(reply).QueryValue(), "1");

  std::vector<uint8_t> withNul = reply;
  fixtures::Append(withNul, std::string("\0tail", 5));
  EXPECT_EQ(Reply(withNul).QueryValue(), "1");

  // Only the first 4095 bytes of a datagram are examined.
  std::vector<uint8_t> big = reply;
  big.resize(28);
  big.resize(5000, 'v');
  EXPECT_EQ(Reply(big).QueryValue().size(), 4095u - 28u);

  EXPECT_EQ(Reply(std::vector<uint8_t>{4}).QueryValue(), "");
  EXPECT_EQ(Reply(std::vector<uint8_t>{}).SenderAddress(), "0.0.0.0");
}

TEST(ShareListValue, SplitsDropsEmptyAndRepeatedPieces) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitShareList("HDD_1::Public:"), (V{"HDD_1", "Public"}));
  EXPECT_EQ(SplitShareList("HDD_1"), (V{"HDD_1"}));
  EXPECT_EQ(SplitShareList(":a:a:b:a"), (V{"a", "b"}));
  EXPECT_EQ(SplitShareList(":::"), V{});
  EXPECT_EQ(SplitShareList(""), V{});
  EXPECT_EQ(SplitShareList(std::string(300, 's'))[0].size(), 255u);
  EXPECT_EQ(SplitShareList("Фото:HDD"), (V{"Фото", "HDD"}));
}

TEST(AddressTexts, StrictDottedForm) {
  uint8_t o[4];
  EXPECT_TRUE(AddressBytes("10.201.3.4", o));
  EXPECT_EQ(FormatAddress(o), "10.201.3.4");
  for (const char* bad : {"10.1.1", "10.1.1.256", "10.1.1.1.", "a.b.c.d", "", "1..2.3"}) {
    EXPECT_FALSE(AddressBytes(bad, o)) << bad;
  }
}

}  // namespace
}  // namespace kfw::protocol
