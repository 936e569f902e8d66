// Device texts on their way to a terminal and into JSON.

#include "protocol/safe_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>


namespace kfw::protocol {
namespace {

#define FFFD "\xEF\xBF\xBD"

// `decoded` is what a JSON reader gets back: the input with each invalid
// subpart replaced.
const struct { std::string input, terminal, decoded; } kTexts[] = {
    {"\x1b]0;pwned\x07", "\\x1b]0;pwned\\x07", "\x1b]0;pwned\x07"},
    {"\x1b[2J", "\\x1b[2J", "\x1b[2J"},
    {"a\r\nb\tc", "a\\x0d\\x0ab\\x09c", "a\r\nb\tc"},
    {std::string("\0x", 2), "\\x00x", std::string("\0x", 2)},
    {"x\x7f", "x\\x7f", "x\x7f"},
    {"\xc2\x80\xc2\x9b" "2J", "\\x80\\x9b2J", "\xc2\x80\xc2\x9b" "2J"},
    {"\x9b" "2J", FFFD "2J", FFFD "2J"},
    {"\xc0\xaf|\xc1\xbf", FFFD FFFD "|" FFFD FFFD, FFFD FFFD "|" FFFD FFFD},
    {"\xe0\x80\xaf", FFFD FFFD FFFD, FFFD FFFD FFFD},
    {"\xf0\x8f\xbf\xbf", FFFD FFFD FFFD FFFD, FFFD FFFD FFFD FFFD},
    {"\xed\xa0\x80|\xed\xbf\xbf", FFFD FFFD FFFD "|" FFFD FFFD FFFD, FFFD FFFD FFFD "|" FFFD FFFD FFFD},
    {"\xf4\x90\x80\x80", FFFD FFFD FFFD FFFD, FFFD FFFD FFFD FFFD},
    {"\xf5\x80|\xff|\xfe", FFFD FFFD "|" FFFD "|" FFFD, FFFD FFFD "|" FFFD "|" FFFD},
    {"\xe2\x82", FFFD, FFFD},
    {"\xe2\x82x\xf0\x9f\x98", FFFD "x" FFFD, FFFD "x" FFFD},
    {"a\\x1b \"q\"", "a\\\\x1b \"q\"", "a\\x1b \"q\""},
    // Valid text at the edges of the ranges passes whole.
    {"B\xc3\xbcro \xc2\xa0~", "B\xc3\xbcro \xc2\xa0~", "B\xc3\xbcro \xc2\xa0~"},
    {"\xe6\x9d\xb1\xe4\xba\xac \xed\x9f\xbf\xee\x80\x80", "\xe6\x9d\xb1\xe4\xba\xac \xed\x9f\xbf\xee\x80\x80",
     "\xe6\x9d\xb1\xe4\xba\xac \xed\x9f\xbf\xee\x80\x80"},
    {"\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf\xe0\xa0\x80", "\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf\xe0\xa0\x80",
     "\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf\xe0\xa0\x80"},
    {"", "", ""},
};

TEST(SafeTextTest, HostileAndValidTexts) {
  for (const auto& t : kTexts) {
    const std::string terminal = TerminalText(t.input);
    EXPECT_EQ(terminal, t.terminal) << t.terminal;
    // A reason keeps its backslashes single and nothing else apart.
    std::string reason = t.terminal;
    for (std::size_t at = 0; (at = reason.find("\\\\", at)) != std::string::npos; ++at) reason.erase(at, 1);
    EXPECT_EQ(ReasonText(t.input), reason) << t.terminal;

    const std::string json = JsonQuoted(t.input);
    nlohmann::json parsed;
    ASSERT_NO_THROW(parsed = nlohmann::json::parse(json)) << json;
    EXPECT_EQ(parsed.get<std::string>(), t.decoded) << json;
  }
}

TEST(SafeTextTest, CutsWholeCharacters) {
  const struct { std::string input; std::size_t max; std::string cut; } cases[] = {
      {"abc", 3, "abc"},
      {"abcd", 3, "abc..."},
      {"B\xc3\xbcro", 2, "B\xc3\xbc..."},
      {"\xe6\x9d\xb1\xe4\xba\xac", 1, "\xe6\x9d\xb1..."},
      {"\xe2\x82xy", 1, "\xe2\x82..."},  // an invalid subpart is one character
      {std::string(100, 'a'), 64, std::string(64, 'a') + "..."},
  };
  for (const auto& c : cases) EXPECT_EQ(CutText(c.input, c.max), c.cut) << c.input;
  EXPECT_EQ(CutText(std::string(65, 'a')), std::string(64, 'a') + "...");
  EXPECT_EQ(CharacterCount("B\xc3\xbcro \xe6\x9d\xb1\xf0\x9f\x98\x80"), 7u);
}

}  // namespace
}  // namespace kfw::protocol
