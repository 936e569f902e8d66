// The files the program writes (the connection table, the widget's address
// file, the file manager's bookmarks) survive a writer killed with SIGKILL
// at any moment: a forked child rewrites the file in a loop, alternating
// two large contents, and is killed after a random time; the file is then
// always one of the two, whole, and the next write leaves nothing else.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "core/desktop_widget.h"
#include "platform/atomic_file.h"
#include "platform/linux/gtk_bookmarks.h"
#include "platform/linux/linux_network_drives.h"
#include "scratch.h"
#include "tests/support/fake_programs.h"
#include "tests/support/scripted_interaction.h"

namespace kfw {
namespace {

namespace fs = std::filesystem;
using Writer = std::function<void(int generation)>;

constexpr int kKills = 80;

using KilledWriterTest = Scratch;

// Kills writers of `file` at random moments; `expected(g)` is the content
// generation g leaves. Every survivor must be generation 0 or 1, whole.
void KillWritersOf(const fs::path& file, const Writer& write,
                   const std::function<std::string(int)>& expected) {
  const std::string contents[2] = {expected(0), expected(1)};
  ASSERT_NE(contents[0], contents[1]);
  // Kills land anywhere within about three writes.
  const auto start = std::chrono::steady_clock::now();
  write(1);
  write(0);
  const auto spell = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - start) * 3 / 2;
  ASSERT_EQ(platform::ReadTextFile(file), contents[0]);

  std::mt19937 random(std::random_device{}());
  int changed = 0;  // kills that found the file changed by the child
  for (int round = 0; round < kKills; ++round) {
    const std::string before = *platform::ReadTextFile(file);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int g = 1;; ++g) write(g % 2);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (spell.count() + 1)));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const std::optional<std::string> now = platform::ReadTextFile(file);
    ASSERT_TRUE(now.has_value()) << "the file went missing in round " << round;
    ASSERT_TRUE(*now == contents[0] || *now == contents[1])
        << "round " << round << ": " << now->size() << " bytes of neither content";
    changed += *now != before;
  }
  // Some kills came after a rename, or the writes were never cut at all.
  EXPECT_GT(changed, 0);
  // The next write clears away the temporary files the killed writers left.
  write(0);
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);
}

// Text of `n` bytes that tells its generation from every position.
std::string Filler(int generation, std::size_t n) {
  return std::string(n, static_cast<char>('a' + generation));
}

TEST_F(KilledWriterTest, ConnectionTableIsOldOrNew) {
  const fs::path file = root / "korvex-findway" / "network-drives";
  platform::ConnectionTable table(file);
  // Every letter D..Z with a long mount folder: some 37 KiB a write.
  auto entries = [](int g) {
    std::vector<platform::DriveConnection> out;
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
      out.push_back({std::string{letter, ':'}, "\\\\nas\\share", "/mnt/" + Filler(g, 1500)});
    }
    return out;
  };
  for (const auto& entry : entries(0)) ASSERT_TRUE(table.Add(entry));
  KillWritersOf(
      file,
      // Each Add rewrites the whole table; Z:, the last entry, changes.
      [&](int g) { table.Add(entries(g).back()); },
      [&](int g) {
        auto all = entries(0);
        all.back() = entries(g).back();
        return platform::FormatConnectionTable(all);
      });
}

TEST_F(KilledWriterTest, WidgetAddressFileIsOldOrNew) {
  const fs::path file = root / "ip.txt";
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  core::ScriptedInteraction user;
  user.widgetEngineAnswer = core::WidgetEngineAnswer::Download;  // stop after the file, as the download page is all it opens
  KillWritersOf(
      file,
      [&](int g) { core::LaunchWidget({programs, browser, user, file}, Filler(g, 60000), ""); },
      [](int g) { return Filler(g, 60000); });
}

TEST_F(KilledWriterTest, BookmarksAreOldOrNew) {
  const fs::path file = root / "gtk-3.0" / "bookmarks";
  // Other programs' bookmarks stay whatever happens to ours.
  const std::string others = "file:///home/u/Music\n" + Filler(2, 40000) + "\n";
  auto text = [&](int g) {
    return platform::WithBookmark(others, "file:///run/user/0/gvfs/k", "K: " + Filler(g, 20000));
  };
  KillWritersOf(
      file, [&](int g) { platform::ReplaceTextFile(file, text(g)); }, text);
}

// A temporary file is the killed writers' to clear only once no writer
// holds it; files of other names beside it are no one's to clear.
TEST_F(KilledWriterTest, TemporaryFileOfALiveWriterStays) {
  const fs::path file = root / "ip.txt";
  const fs::path busy = root / ".ip.txt.kfw-Ab12Cd", other = root / ".ip.txt.backup";
  std::ofstream(other) << "mine";
  const int held = ::open(busy.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  ASSERT_TRUE(platform::ReplaceTextFile(file, "10.0.0.1"));
  EXPECT_TRUE(fs::exists(busy)) << "its writer is still at work";
  ::close(held);
  ASSERT_TRUE(platform::ReplaceTextFile(file, "10.0.0.2"));
  EXPECT_FALSE(fs::exists(busy));
  EXPECT_TRUE(fs::exists(other));
}

}  // namespace
}  // namespace kfw
