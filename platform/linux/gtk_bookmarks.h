#pragma once
// The file manager's bookmarks, where a connected share shows up as a
// place: $XDG_CONFIG_HOME/gtk-3.0/bookmarks ($HOME/.config/... when unset),
// one "URI[ label]" a line, read by GTK file managers and file dialogs.

#include <filesystem>
#include <string>
#include <string_view>

namespace kfw::platform {

std::filesystem::path DefaultBookmarksFile();

// "file://" URI of a local folder; empty for a relative path.
std::string FolderUri(const std::string& folder);

// The bookmarks `text` with the line for `uri` added at the end (an older
// line for it is dropped). Line breaks in the label become spaces.
std::string WithBookmark(std::string_view text, std::string_view uri, std::string_view label);
// The bookmarks `text` without a line for `uri`.
std::string WithoutBookmark(std::string_view text, std::string_view uri);

}  // namespace kfw::platform
