#pragma once
// Per-user text files that other programs read while we change them (the
// connection table, the file manager's bookmarks, the widget's address
// file): a reader never sees half a file, because every write replaces the
// file as a whole; a writer killed at any moment leaves the old file whole.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kfw::platform {

// These files hold a few lines; a bigger one is not ours to load.
inline constexpr std::uintmax_t kTextFileLimit = 1u << 20;

// The whole file; nothing when it is missing or cannot be read. Only a
// regular file of at most kTextFileLimit bytes is read: a FIFO or a device
// in its place is refused at once, never waited on.
std::optional<std::string> ReadTextFile(const std::filesystem::path& file);
// The same; when nothing is read, `why` says why, and is empty when the file
// is simply not there.
std::optional<std::string> ReadTextFile(const std::filesystem::path& file, std::string& why);

// Writes `text` to a temporary file beside `file` and renames it over
// `file`, creating the folder first; the file keeps its permissions (a new
// one is private to the user). A symbolic link is followed and its target
// replaced, so the link stays; anything but a regular file in the way is
// refused. False (and `file` unchanged) on any failure; no temporary file
// stays behind, and those of writers that were killed mid-write are removed.
bool ReplaceTextFile(const std::filesystem::path& file, std::string_view text);

}  // namespace kfw::platform
