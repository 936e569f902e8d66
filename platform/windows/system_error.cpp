#include "platform/windows/system_error.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace kfw::platform {

std::string SystemErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = length > 0 ? Narrow(std::wstring_view(text, length)) : std::string();
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) {
    reason.pop_back();
  }
  const std::string number = "system error " + std::to_string(code);
  return reason.empty() ? number : reason + " (" + number + ")";
}

}  // namespace kfw::platform
