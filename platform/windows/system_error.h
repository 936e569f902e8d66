#pragma once
// The system's own words for an error code, for a failure's reason.

#include <string>

namespace kfw::platform {

// "The network path was not found. (system error 53)"; the code alone
// where the system has no text for it.
std::string SystemErrorText(unsigned long code);

}  // namespace kfw::platform
