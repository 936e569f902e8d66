#pragma once
// Per-user text files that other programs read while we change them (the
// connection table, the file manager's bookmarks, the widget's address
// file): a reader never sees half a file, because every write replaces the
// file as a whole; a writer killed at any moment leaves the old file whole.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kfw::platform {

// The whole file; nothing when it is missing or unreadable.
std::optional<std::string> ReadTextFile(const std::filesystem::path& file);

// Writes `text` to a temporary file beside `file` and renames it over
// `file`, creating the folder first; the file keeps its permissions (a new
// one is private to the user). False (and `file` unchanged) on any failure;
// no temporary file stays behind, unless the process is killed mid-write.
bool ReplaceTextFile(const std::filesystem::path& file, std::string_view text);

}  // namespace kfw::platform
