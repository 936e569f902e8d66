#pragma once
// Text with a fixed capacity: every assignment keeps at most `Cap` bytes and
// stops at an embedded NUL, the way the device's fixed-width text fields do.

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/secret.h"

namespace kfw::protocol {

template <std::size_t Cap>
class FixedText {
 public:
  static constexpr std::size_t capacity = Cap;

  FixedText() = default;
  FixedText(std::string_view text) { Assign(text); }  // NOLINT: implicit on purpose
  FixedText(const char* text) { Assign(text ? std::string_view(text) : std::string_view()); }  // NOLINT
  FixedText(const std::string& text) { Assign(text); }  // NOLINT

  FixedText& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }
  FixedText& operator=(const char* text) {
    Assign(text ? std::string_view(text) : std::string_view());
    return *this;
  }
  FixedText& operator=(const std::string& text) {
    Assign(text);
    return *this;
  }

  const std::string& str() const { return value_; }
  const char* c_str() const { return value_.c_str(); }
  std::string_view view() const { return value_; }
  operator std::string_view() const { return value_; }  // NOLINT
  std::size_t size() const { return value_.size(); }
  bool empty() const { return value_.empty(); }
  void clear() { value_.clear(); }
  // Empties a text that held a password, overwriting its bytes first.
  void Wipe() { platform::WipeSecret(value_); }

  friend bool operator==(const FixedText& a, std::string_view b) { return a.value_ == b; }
  friend bool operator==(const FixedText& a, const FixedText& b) { return a.value_ == b.value_; }
  friend bool operator==(const FixedText& a, const char* b) {
    return b ? a.value_ == std::string_view(b) : a.value_.empty();
  }
  friend bool operator==(const FixedText& a, const std::string& b) { return a.value_ == b; }
  friend std::ostream& operator<<(std::ostream& out, const FixedText& text) { return out << text.value_; }

 private:
  void Assign(std::string_view text) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    value_.assign(text.substr(0, std::min(text.size(), Cap)));
  }

  std::string value_;
};

// An address, netmask or gateway text: 16 bytes with the terminator.
using AddressText = FixedText<15>;

}  // namespace kfw::protocol
