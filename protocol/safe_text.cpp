#include "protocol/safe_text.h"

#include <cstdint>
#include <cstdio>

namespace kfw::protocol {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One step of the decoder: a code point and its bytes, or an invalid subpart.
struct Unit {
  char32_t code = 0;
  std::size_t length = 1;
  bool valid = false;
};

// Reads the unit at `at`. The second byte's range excludes overlong forms
// (E0, F0), surrogates (ED) and code points past U+10FFFF (F4); an invalid
// subpart ends at the first byte that does not fit.
Unit NextUnit(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(at);
  if (lead < 0x80) return {lead, 1, true};

  std::size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // range of the second byte
  char32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};  // a continuation byte or a lead that never starts valid text
  }

  for (std::size_t k = 1; k < length; ++k) {
    if (at + k >= text.size()) return {0, k, false};
    const uint8_t next = byte(at + k);
    const bool fits = k == 1 ? (next >= low && next <= high) : (next & 0xC0) == 0x80;
    if (!fits) return {0, k, false};
    code = (code << 6) | (next & 0x3F);
  }
  return {code, length, true};
}

bool IsControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code < 0xA0); }

// Calls `emit(unit, bytes)` for each unit of `text` in order.
template <typename Emit>
void ForEachUnit(std::string_view text, Emit emit) {
  for (std::size_t at = 0; at < text.size();) {
    const Unit unit = NextUnit(text, at);
    emit(unit, text.substr(at, unit.length));
    at += unit.length;
  }
}

std::string Hex(const char* format, char32_t code) {
  char out[8];
  std::snprintf(out, sizeof out, format, static_cast<unsigned>(code));
  return out;
}

}  // namespace

namespace {

std::string Escaped(std::string_view bytes, bool doubleBackslashes) {
  std::string out;
  out.reserve(bytes.size());
  ForEachUnit(bytes, [&](const Unit& unit, std::string_view raw) {
    if (!unit.valid) {
      out += kReplacement;
    } else if (IsControl(unit.code)) {
      out += Hex("\\x%02x", unit.code);
    } else if (unit.code == '\\' && doubleBackslashes) {
      out += "\\\\";
    } else {
      out += raw;
    }
  });
  return out;
}

}  // namespace

std::string TerminalText(std::string_view bytes) { return Escaped(bytes, true); }

std::string ReasonText(std::string_view bytes) { return Escaped(bytes, false); }

std::string JsonQuoted(std::string_view bytes) {
  std::string out = "\"";
  ForEachUnit(bytes, [&](const Unit& unit, std::string_view raw) {
    if (!unit.valid) {
      out += kReplacement;
    } else if (IsControl(unit.code)) {
      out += Hex("\\u%04x", unit.code);
    } else if (unit.code == '"' || unit.code == '\\') {
      out += '\\';
      out += static_cast<char>(unit.code);
    } else {
      out += raw;
    }
  });
  return out + "\"";
}

std::string CutText(std::string_view bytes, std::size_t maxChars) {
  std::size_t at = 0;
  for (std::size_t chars = 0; at < bytes.size(); ++chars) {
    if (chars == maxChars) return std::string(bytes.substr(0, at)) + "...";
    at += NextUnit(bytes, at).length;
  }
  return std::string(bytes);
}

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string out;
  ForEachUnit(bytes, [&](const Unit& unit, std::string_view) {
    out.push_back(unit.valid ? unit.code : U'\xFFFD');
  });
  return out;
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  ForEachUnit(utf8, [&](const Unit&, std::string_view) { ++count; });
  return count;
}

}  // namespace kfw::protocol
