#pragma once
// Per-user text files that other programs read while we change them (the
// connection table, the file manager's bookmarks): a reader never sees half
// a file, because every write replaces the file as a whole.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kfw::platform {

// The whole file; nothing when it is missing or unreadable.
std::optional<std::string> ReadTextFile(const std::filesystem::path& file);

// Writes `text` to a temporary file beside `file` and renames it over
// `file`, creating the folder first. False (and `file` unchanged) on any
// failure; no temporary file stays behind.
bool ReplaceTextFile(const std::filesystem::path& file, std::string_view text);

}  // namespace kfw::platform
