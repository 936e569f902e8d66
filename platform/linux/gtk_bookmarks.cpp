#include "platform/linux/gtk_bookmarks.h"

#include <glib.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/linux/user_account.h"

namespace kfw::platform {

namespace {

// The URI of a line: up to its first space.
std::string_view UriOf(std::string_view line) { return line.substr(0, line.find(' ')); }

std::string Without(std::string_view text, std::string_view uri) {
  std::string out;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && UriOf(line) == uri) continue;
    out.append(line).push_back('\n');
  }
  return out;
}

}  // namespace

std::filesystem::path DefaultBookmarksFile() {
  // g_get_user_config_dir() would be read once per process; the table's
  // location follows the environment of each call, and so does this.
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    config = std::filesystem::path(home) / ".config";
  }
  return config / "gtk-3.0" / "bookmarks";
}

std::string FolderUri(const std::string& folder) {
  std::unique_ptr<char, decltype(&g_free)> uri(
      g_filename_to_uri(folder.c_str(), nullptr, nullptr), &g_free);
  return uri ? uri.get() : "";
}

std::string WithBookmark(std::string_view text, std::string_view uri, std::string_view label) {
  std::string line(uri);
  if (!label.empty()) {
    line += ' ';
    for (char c : label) line += (c == '\n' || c == '\r') ? ' ' : c;
  }
  return Without(text, uri) + line + '\n';
}

std::string WithoutBookmark(std::string_view text, std::string_view uri) {
  return Without(text, uri);
}

}  // namespace kfw::platform
