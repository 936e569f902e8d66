#pragma once
// Whether text can go to a terminal as it is: valid UTF-8 (checked by the
// strict JSON writer, which throws on anything else) without C0, DEL or C1
// controls, line breaks allowed only where `lines` says the text has lines.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

inline ::testing::AssertionResult TerminalSafe(const std::string& text, bool lines = false) {
  try {
    (void)nlohmann::json(text).dump();
  } catch (const nlohmann::json::exception& e) {
    return ::testing::AssertionFailure() << "invalid UTF-8: " << e.what();
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if ((c < 0x20 && !(lines && c == '\n')) || c == 0x7F || (c == 0xC2 && next >= 0x80 && next < 0xA0)) {
      return ::testing::AssertionFailure() << "control at byte " << i;
    }
  }
  return ::testing::AssertionSuccess();
}
