#pragma once
// Passwords are overwritten before their memory goes back to the allocator,
// so a later heap dump or a reused buffer does not hand them on. The
// volatile writes keep the compiler from dropping stores it sees no reader of.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace kfw::platform {

inline void WipeSecret(std::string& text) {
  text.resize(text.capacity());  // the whole buffer, not only the live part
  volatile char* bytes = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = 0;
  text.clear();
}

// Adds `c` to a secret being read. The buffer grows by a copy into a larger
// one and the old one is wiped, so no stray copy of the first bytes is left
// behind by the reallocation.
inline void AppendSecret(std::string& text, char c) {
  if (text.size() == text.capacity()) {
    std::string larger;
    larger.reserve(text.capacity() * 2 + 32);
    larger.append(text);
    WipeSecret(text);
    text.swap(larger);
  }
  text.push_back(c);
}

// For a fixed buffer that held a password, such as a request on its way out.
inline void WipeSecret(std::span<uint8_t> bytes) {
  volatile uint8_t* data = bytes.data();
  for (std::size_t i = 0; i < bytes.size(); ++i) data[i] = 0;
}

// A password held for as long as a command needs it. Every copy it made
// and every value it held is overwritten when it is replaced or goes, so
// no caller has to remember to wipe.
class Secret {
 public:
  Secret() = default;
  Secret(std::string_view text) : text_(text) {}  // NOLINT: implicit on purpose
  Secret(const char* text) : text_(text ? std::string_view(text) : std::string_view()) {}  // NOLINT
  Secret(const std::string& text) : text_(text) {}  // NOLINT
  Secret(const Secret& other) : text_(other.text_) {}
  Secret(Secret&& other) noexcept { Take(other); }
  ~Secret() { WipeSecret(text_); }

  Secret& operator=(const Secret& other) {
    if (this != &other) Assign(other.text_);
    return *this;
  }
  Secret& operator=(Secret&& other) noexcept {
    if (this != &other) Take(other);
    return *this;
  }
  Secret& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }
  Secret& operator=(const std::string& text) { return *this = std::string_view(text); }
  Secret& operator=(const char* text) { return *this = (text ? std::string_view(text) : std::string_view()); }

  std::string_view view() const { return text_; }
  const std::string& str() const { return text_; }
  std::size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }
  void Wipe() { WipeSecret(text_); }

  friend bool operator==(const Secret& a, std::string_view b) { return a.text_ == b; }

 private:
  // Copied before the old value goes, so `text` may be a part of it.
  void Assign(std::string_view text) {
    Secret fresh(text);
    Take(fresh);
  }
  // Takes the other's value and wipes the one given up in its place. A short
  // text lives inside the string object itself, where a plain move would
  // leave its bytes behind.
  void Take(Secret& other) {
    text_.swap(other.text_);
    WipeSecret(other.text_);
  }

  std::string text_;
};

}  // namespace kfw::platform
