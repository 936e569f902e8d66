// Byte layouts of the requests and the readers of replies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/messages.h"

namespace kfw::protocol {
namespace {

const ClientId kClient{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0, 0, 0, 0};
const DeviceId kTarget{1, 2, 3, 4, 5, 6, 192, 168, 1, 20};

std::vector<uint8_t> Bytes(const Buffer& buffer, std::size_t n) {
  return std::vector<uint8_t>(buffer.begin(), buffer.begin() + n);
}

std::vector<uint8_t> Header(uint8_t type, uint8_t item) {
  std::vector<uint8_t> out{type};
  out.insert(out.end(), kClient.begin(), kClient.end());
  out.insert(out.end(), kTarget.begin(), kTarget.end());
  out.push_back(item);
  return out;
}

void Append(std::vector<uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

TEST(RequestBytes, DiscoverIsTypeAndClientIdOnly) {
  Buffer buffer;
  buffer.fill(0xEE);
  ASSERT_EQ(BuildDiscoverRequest(buffer, kClient), 11u);
  std::vector<uint8_t> expected{1, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(buffer, 11), expected);
  EXPECT_EQ(buffer[11], 0) << "the rest of the buffer is zero-filled";
}

TEST(RequestBytes, QueryAndLoginLayouts) {
  Buffer buffer;
  ASSERT_EQ(BuildQueryRequest(buffer, kClient, kTarget, QUERY_SSL), 28u);
  auto expected = Header(3, 19);
  expected.resize(28, 0);
  EXPECT_EQ(Bytes(buffer, 28), expected);

  // Empty password: the datagram ends with the separator, L = 5 + 2.
  ASSERT_EQ(BuildLoginRequest(buffer, kClient, kTarget, "admin", ""), 35u);
  expected = Header(3, 4);
  expected.insert(expected.end(), {0, 0, 7, 0, 0, 0});
  Append(expected, "admin");
  expected.insert(expected.end(), {0x55, 0xAA});
  EXPECT_EQ(Bytes(buffer, 35), expected);

  ASSERT_EQ(BuildLoginRequest(buffer, kClient, kTarget, "admin", "pwd"), 38u);
  EXPECT_EQ(buffer[24], 10);
  EXPECT_EQ(std::string(buffer.begin() + 35, buffer.begin() + 38), "pwd");

  // Sixteen characters each are kept whole: L = 34.
  ASSERT_EQ(BuildLoginRequest(buffer, kClient, kTarget, "uuuuuuuuuuuuuuuu", "pppppppppppppppp"), 62u);
  EXPECT_EQ(buffer[24], 34);
}

TEST(RequestBytes, SetLayouts) {
  Buffer buffer;
  ASSERT_EQ(BuildSetRequest(buffer, kClient, kTarget, SET_ACCESS_MODE, "255.255.255.0", "", "rw"), 62u);
  auto expected = Header(5, 10);
  expected.insert(expected.end(), {0, 0});
  Append(expected, "255.255.255.0");
  expected.resize(56, 0);
  expected.insert(expected.end(), {2, 0, 0, 0, 'r', 'w'});
  EXPECT_EQ(Bytes(buffer, 62), expected);

  ASSERT_EQ(BuildSetRequest(buffer, kClient, kTarget, SET_STATIC_ADDRESS, "255.255.0.0",
                            "10.1.0.254", "10.1.2.3"),
            68u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&buffer[40])), "10.1.0.254");
  EXPECT_EQ(std::string(buffer.begin() + 60, buffer.begin() + 68), "10.1.2.3");

  // The DHCP switch carries no texts, whatever the caller holds.
  ASSERT_EQ(BuildSetRequest(buffer, kClient, kTarget, SET_DHCP_CLIENT, "255.255.255.0",
                            "192.168.1.1", "x"),
            60u);
  expected = Header(5, 2);
  expected.resize(60, 0);
  EXPECT_EQ(Bytes(buffer, 60), expected);
}

std::vector<uint8_t> DiscoveryReply(uint8_t type, std::string_view name, uint8_t cat = 3,
                                    uint8_t sub = 3, std::string_view model = "") {
  std::vector<uint8_t> out{type};
  out.insert(out.end(), kClient.begin(), kClient.end());
  out.insert(out.end(), kTarget.begin(), kTarget.end());
  out.push_back('1');
  out.resize(24, 0);
  Append(out, "255.255.255.0");
  out.resize(40, 0);
  Append(out, "192.168.1.1");
  out.resize(56, 0);
  if (type != 2) {
    out.push_back(cat);
    out.push_back(sub);
    out.resize(68, 0);
    if (type == 8) {
      Append(out, model);
      out.resize(100, 0);
    }
  }
  const auto n = static_cast<uint32_t>(name.size());
  out.insert(out.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)});
  Append(out, name);
  return out;
}

TEST(DiscoveryReplies, EachTypeYieldsItsFields) {
  for (uint8_t type : {2, 7, 8}) {
    SCOPED_TRACE(type);
    const auto bytes = DiscoveryReply(type, "nas-one", 3, 3, "NSD-400");
    const auto info = ParseDiscoveryReply(Reply(bytes));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "nas-one");
    EXPECT_EQ(info->address, "192.168.1.20");
    EXPECT_EQ(info->netmask, "255.255.255.0");
    EXPECT_EQ(info->gateway, "192.168.1.1");
    EXPECT_EQ(info->dhcpFlag, '1');
    EXPECT_EQ(info->deviceId, kTarget);
    EXPECT_EQ(info->model, type == 8 ? "NSD-400" : "");
  }
  EXPECT_FALSE(ParseDiscoveryReply(Reply(std::vector<uint8_t>{4, 1, 2})));
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
  EXPECT_TRUE(PassesCategoryFilter(Reply(DiscoveryReply(7, "a", 3, 3)), 3, 3));
  EXPECT_FALSE(PassesCategoryFilter(Reply(DiscoveryReply(7, "a", 3, 4)), 3, 3));
  EXPECT_TRUE(PassesCategoryFilter(Reply(DiscoveryReply(7, "a", 3, 4)), 3, 0));
  EXPECT_FALSE(PassesCategoryFilter(Reply(DiscoveryReply(8, "a", 1, 3)), 3, 3));
  EXPECT_TRUE(PassesCategoryFilter(Reply(DiscoveryReply(8, "a", 9, 9)), 0, 0));
  auto basic = DiscoveryReply(2, "abcdefgh");  // bytes 56..57 hold the length, not categories
  basic[56] = 1;
  EXPECT_TRUE(PassesCategoryFilter(Reply(basic), 3, 3));
}

TEST(QueryReplies, ClientIdValueAndBounds) {
  std::vector<uint8_t> reply = Header(4, 0);
  reply.resize(28, 0);
  Append(reply, "1");
  reply[8] ^= 0xFF;  // bytes 7..10 are not examined
  EXPECT_TRUE(MatchClientId(Reply(reply), kClient));
  reply[6] ^= 0xFF;
  EXPECT_FALSE(MatchClientId(Reply(reply), kClient));
  EXPECT_EQ(Reply(reply).QueryValue(), "1");
  EXPECT_EQ(Reply(reply).SenderAddress(), "192.168.1.20");

  std::vector<uint8_t> withNul = reply;
  Append(withNul, std::string("\0tail", 5));
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
