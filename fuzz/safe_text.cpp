// Texts a device chose, on their way to a terminal or a JSON reader: always
// valid UTF-8, never a control character, and the JSON form reads back as
// the decoded text.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "protocol/safe_text.h"

using namespace kfw::protocol;

namespace {

std::string Encode(const std::u32string& points) {
  std::string out;
  for (char32_t c : points) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::u32string points = DecodeUtf8(bytes);
  for (char32_t c : points) FUZZ_CHECK(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF));
  const std::string decoded = Encode(points);
  FUZZ_CHECK(kfw::fuzz::IsValidUtf8(decoded));
  FUZZ_CHECK(CharacterCount(decoded) == points.size());
  // Valid text decodes to itself.
  if (kfw::fuzz::IsValidUtf8(bytes)) FUZZ_CHECK(decoded == bytes);

  const std::string terminal = TerminalText(bytes);
  FUZZ_CHECK(kfw::fuzz::IsValidUtf8(terminal));
  for (char32_t c : DecodeUtf8(terminal)) {
    FUZZ_CHECK(c >= 0x20 && c != 0x7F && (c < 0x80 || c > 0x9F));
  }

  const std::string json = JsonQuoted(bytes);
  FUZZ_CHECK(kfw::fuzz::IsValidUtf8(json));
  const auto parsed = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  FUZZ_CHECK(parsed.is_string());
  FUZZ_CHECK(parsed.get<std::string>() == decoded);

  const std::size_t limit = size ? data[0] % 80 : 0;
  const std::string cut = CutText(bytes, limit);
  const std::size_t cutChars = DecodeUtf8(cut).size();
  if (points.size() <= limit) {
    FUZZ_CHECK(cut == bytes);
  } else {
    FUZZ_CHECK(cut.size() >= 3 && cut.compare(cut.size() - 3, 3, "...") == 0);
    FUZZ_CHECK(cutChars == limit + 3);
    FUZZ_CHECK(bytes.substr(0, cut.size() - 3) == std::string_view(cut).substr(0, cut.size() - 3));
  }
  return 0;
}
