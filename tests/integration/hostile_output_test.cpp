// findway against devices that answer with more than any device would,
// over real sockets: a name length of 0xFFFFFFFF, a 300-byte name, bytes
// that are no UTF-8 and terminal escapes, ten thousand shares, a code page
// of ten kilobytes, and a crowd of generated devices on a second segment.
// Run inside the workstation namespace, findway lists or refuses them and
// writes one clean line per item.

#include <nlohmann/json.hpp>
#include <sstream>

#include "protocol/safe_text.h"
#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

std::string HostileDevices() {
  // Ten thousand names in one datagram (a UDP datagram holds at most 64 KB),
  // every other one with a byte that is no UTF-8, a few with an escape.
  std::string shares;
  for (int i = 0; i < 10000; ++i) {
    shares += std::to_string(i) + (i % 2 ? "\xff" : i % 1000 == 0 ? "\x1b[2J" : "") + ":";
  }
  return "[device]\nname = Liar\naddress = 10.201.1.10\nname_length = 4294967295\n"
         "shares = " + shares + "\ncodepage = " + std::string(10 * 1024, '9') + "\n"
         "\n[device]\nname = " + std::string(300, 'N') + "\naddress = 10.201.1.11\n"
         "\n[device]\nname = \xff\xfe\xc3\x28 raw\x1b]0;owned\x07\naddress = 10.201.1.12\n";
}

const BedSetup kBed{"kfwfh", 2, "--devices-per-segment 2000 --max-delay 300",
                    {{1, HostileDevices()}}};

using HostileOutput = OnTestBed<kBed>;

// Every line valid UTF-8 without a control character and at most
// `maxChars` long; answers the number of lines.
int CleanLines(const std::string& text, std::size_t maxChars) {
  EXPECT_TRUE(text.empty() || text.back() == '\n');
  int lines = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line); ++lines) {
    const std::u32string decoded = protocol::DecodeUtf8(line);
    std::size_t replaced = 0;
    for (auto at = line.find("\xEF\xBF\xBD"); at != std::string::npos; at = line.find("\xEF\xBF\xBD", at + 1)) ++replaced;
    EXPECT_EQ(static_cast<std::size_t>(std::count(decoded.begin(), decoded.end(), U'\uFFFD')), replaced)
        << "line " << lines << " is not UTF-8";
    for (char32_t c : decoded) EXPECT_FALSE(c < 0x20 || (c >= 0x7F && c <= 0x9F)) << "line " << lines;
    EXPECT_LE(decoded.size(), maxChars);
  }
  return lines;
}

TEST_F(HostileOutput, FindwayDiscoverAndQueryStaySane) {
  const Ran table = RunFindway({"discover"});
  EXPECT_EQ(table.status, 0);
  EXPECT_EQ(CleanLines(table.out, 1200), 2003 + 2);
  EXPECT_NE(table.out.find("\n2003 devices found\n"), std::string::npos);
  EXPECT_NE(table.out.find("Liar  "), std::string::npos);
  EXPECT_NE(table.out.find(std::string(255, 'N') + "  "), std::string::npos);
  EXPECT_NE(table.out.find("\\x1b]0;owned\\x07"), std::string::npos) << "the escape is shown, not sent";

  const Ran json = RunFindway({"discover", "--json"});
  EXPECT_EQ(json.status, 0);
  const auto parsed = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_FALSE(parsed.is_discarded());
  EXPECT_EQ(parsed.size(), 2003u);

  const Ran shares = RunFindway({"query", "10.201.1.10", "shares"});
  EXPECT_EQ(shares.status, 0);
  const int names = CleanLines(shares.out, 4 * 255);
  EXPECT_GT(names, 100);
  EXPECT_LT(names, 1000) << "what one datagram's kept bytes hold";
  EXPECT_EQ(shares.out.substr(0, 14), "0\\x1b[2J\n1\xEF\xBF\xBD\n") << "escaped, and U+FFFD for the stray byte";

  const Ran codepage = RunFindway({"query", "10.201.1.10", "codepage"});
  EXPECT_EQ(codepage.status, 0);
  EXPECT_EQ(codepage.out, std::string(75, '9') + "\n");
}

}  // namespace
}  // namespace kfw::integration
