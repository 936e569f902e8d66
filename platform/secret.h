#pragma once
// Passwords are overwritten before their memory goes back to the allocator,
// so a later heap dump or a reused buffer does not hand them on. The
// volatile writes keep the compiler from dropping stores it sees no reader of.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

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

}  // namespace kfw::platform
