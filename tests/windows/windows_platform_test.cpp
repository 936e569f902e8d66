// The Windows services, run under wine: only loopback traffic, a drive
// letter without a network provider, and registry keys and files of the
// test's own, removed again.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/windows_network_drives.h"
#include "platform/windows/windows_programs.h"
#include "platform/windows/windows_socket_layer.h"
#include "platform/windows/windows_system_info.h"
#include "shares/drive_table.h"

namespace kfw::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A folder of the test's own under the temporary folder, removed afterwards.
struct ScratchFolder {
  ScratchFolder() : path(fs::temp_directory_path() / ("kfw-win-" + std::to_string(GetCurrentProcessId()))) {
    fs::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path;
};

TEST(WideTextTest, RoundTripsAndReplacesInvalidBytes) {
  struct Case {
    std::string utf8;
    std::wstring utf16;
  };
  const std::vector<Case> cases = {
      {"", L""},
      {"HDD_1", L"HDD_1"},
      {"Gr\xC3\xBC\xC3\x9F" "e", L"Gr\u00FC\u00DF" L"e"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", L"\u65E5\u672C"},
      {"\xF0\x9F\x98\x80", L"\U0001F600"},  // a surrogate pair in UTF-16
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Widen(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Narrow(c.utf16), c.utf8) << c.utf8;
  }
  EXPECT_EQ(Widen("a\xFF" "b"), L"a\uFFFD" L"b");
}

TEST(WindowsSystemInfoTest, ReportsAnNtVersionAndTheUser) {
  WindowsSystemInfo system;
  VersionReport report;
  ASSERT_TRUE(system.Version(report));
  EXPECT_EQ(report.platform, PlatformFamily::WindowsNT);
  EXPECT_GE(report.major, 5);
  EXPECT_GT(report.build, 0u);
  wchar_t name[257] = {};
  DWORD size = 257;
  ASSERT_TRUE(GetUserNameW(name, &size));
  EXPECT_EQ(system.LoggedOnUser(), Narrow(name));
  EXPECT_FALSE(system.LoggedOnUser().empty());
}

uint16_t PortOf(SocketHandle socket) {
  sockaddr_in bound{};
  int size = sizeof bound;
  getsockname(static_cast<SOCKET>(socket), reinterpret_cast<sockaddr*>(&bound), &size);
  return ntohs(bound.sin_port);
}

TEST(WindowsSocketLayerTest, LoopbackSlotWaitsReceivesAndCutsDatagrams) {
  WindowsSocketLayer layer;
  ASSERT_TRUE(layer.Start());
  Socket send(&layer, layer.OpenSendSocket());
  Socket receive(&layer, layer.OpenReceiveSocket("127.0.0.1", 0, "224.0.0.1"));
  ASSERT_TRUE(send.valid());
  ASSERT_TRUE(receive.valid());
  // An address no interface carries leaves its slot without a socket.
  EXPECT_EQ(layer.OpenReceiveSocket("192.0.2.1", 0, "224.0.0.1"), kNoSocket);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(layer.WaitReadable(receive.get(), 100ms), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 90ms);
  std::vector<bool> readable;
  const SocketHandle none[] = {kNoSocket};
  EXPECT_EQ(layer.WaitReadableAny(none, 30ms, readable), 0);

  const std::vector<uint8_t> datagram = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(layer.SendTo(send.get(), "127.0.0.1", PortOf(receive.get()), datagram));
  const SocketHandle both[] = {kNoSocket, receive.get()};
  ASSERT_EQ(layer.WaitReadableAny(both, 2000ms, readable), 1);
  EXPECT_EQ(readable, (std::vector<bool>{false, true}));
  std::vector<uint8_t> buffer(4);
  EXPECT_EQ(layer.Receive(receive.get(), buffer), 4);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(layer.Receive(receive.get(), buffer), -1);  // nothing more waiting
  layer.Stop();
}

TEST(WindowsReachabilityTest, AnswersOnlyWhileSomethingListens) {
  WSADATA data{};
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  const uint16_t port = PortOf(listener);
  EXPECT_TRUE(WindowsReachability(1000ms, port).Answers("127.0.0.1"));
  closesocket(listener);
  EXPECT_FALSE(WindowsReachability(1000ms, port).Answers("127.0.0.1"));
  EXPECT_FALSE(WindowsReachability(1000ms, port).Answers(""));
  WSACleanup();
}

TEST(WindowsNetworkDrivesTest, ConnectionWithoutProviderFailsAndLeavesTheLetterFree) {
  WindowsNetworkDrives drives;
  EXPECT_EQ(drives.AddConnection("Q:", "\\\\kfw-test.invalid\\share", "", std::string(), 0),
            ConnectAnswer::Failed);
  // Without a network provider the system answers "no network" (1222) or
  // "no such connection" (2250); on a real network, a host that is not there.
  EXPECT_NE(drives.lastError(), 0u);
  std::string remote = "unchanged";
  EXPECT_FALSE(drives.RemoteName("Q:", remote));
  EXPECT_EQ(remote, "unchanged");
  EXPECT_FALSE(drives.CancelConnection("Q:", 0, true));
  EXPECT_NE(drives.lastError(), 0u);
  // The reason a user reads: the system's text and its code.
  EXPECT_NE(drives.FailureReason().find("(system error " + std::to_string(drives.lastError()) + ")"),
            std::string::npos) << drives.FailureReason();
  EXPECT_EQ(drives.Kind("Q:"), DriveKind::NoRootDir);
  EXPECT_EQ(drives.Kind("C:"), DriveKind::Fixed);

  // What `findway drives` reads: Q: is offered, C: is not.
  shares::MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  const auto items = table.FillFreeDriveLetters().items;
  const auto offered = [&](const char* letter) {
    return std::any_of(items.begin(), items.end(), [&](const std::string& item) { return item.rfind(letter, 0) == 0; });
  };
  EXPECT_TRUE(offered("Q:"));
  EXPECT_FALSE(offered("C:"));
}

TEST(WindowsAtomicFileTest, ReplacesContentAndLeavesNoTemporary) {
  ScratchFolder scratch;
  const fs::path file = scratch.path / L"sub" / L"adr\u00E9ss.txt";
  ASSERT_TRUE(ReplaceTextFile(file, "old content, longer than the new one"));
  ASSERT_TRUE(ReplaceTextFile(file, "192.168.1.100"));
  EXPECT_EQ(ReadTextFile(file), "192.168.1.100");
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_FALSE(ReadTextFile(scratch.path / "missing.txt"));
}

TEST(WindowsDefaultBrowserTest, ReadsTheUsersChoiceAndItsCommand) {
  const std::wstring choice = L"Software\\KorvexFindwayTest\\UserChoice";
  const std::wstring command = L"Software\\Classes\\KfwTestBrowser.Html\\shell\\open\\command";
  const std::wstring exe = L"\"C:\\Program Files\\Kfw Browser\\browser.exe\" -osint -url \"%1\"";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, choice.c_str(), L"ProgId", REG_SZ, L"KfwTestBrowser.Html",
                            sizeof L"KfwTestBrowser.Html"), ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, command.c_str(), nullptr, REG_SZ, exe.c_str(),
                            static_cast<DWORD>((exe.size() + 1) * sizeof(wchar_t))), ERROR_SUCCESS);
  WindowsDefaultBrowser browser(choice);
  const std::string key = browser.KeyName();
  const std::string line = browser.CommandLine(key);
  const std::string missing = browser.CommandLine("KfwNoSuchBrowser");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KorvexFindwayTest");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\KfwTestBrowser.Html");
  EXPECT_EQ(key, "KfwTestBrowser.Html");
  EXPECT_EQ(line, "\"C:\\Program Files\\Kfw Browser\\browser.exe\" -osint -url");
  EXPECT_EQ(missing, "");
  EXPECT_EQ(browser.Explorer(), "explorer");
}

TEST(WindowsProgramsTest, PlaceholdersLeaveTheCommand) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"browser.exe %1", "browser.exe"},
      {"\"C:\\A B\\b.exe\"  -nohome \"%1\"", "\"C:\\A B\\b.exe\" -nohome"},
      {"b.exe -- %L %*", "b.exe --"},
      {"b.exe \"%1x\" 100%", "b.exe \"%1x\" 100%"},
  };
  for (const auto& [command, expected] : cases) EXPECT_EQ(RemovePlaceholders(command), expected) << command;
}

TEST(WindowsProgramsTest, StarterAnswersTheCodesTheCommandsTest) {
  ScratchFolder scratch;
  const fs::path notProgram = scratch.path / "not-a-program.exe";
  std::ofstream(notProgram) << "plain text";
  const fs::path unknownKind = scratch.path / "file.kfwnokind";
  std::ofstream(unknownKind) << "x";
  WindowsProgramStarter starter;
  struct Case {
    std::string commandLine;
    int answer;
  };
  const std::vector<Case> runs = {
      {"kfw-no-such-program", kStartNotFound},
      {"C:\\kfw-no-such-folder\\program.exe", kStartPathNotFound},
      {"\"" + notProgram.string() + "\" --help", kStartBadFormat},
      {"cmd.exe /c exit 0", kStartOk},
  };
  for (const Case& c : runs) EXPECT_EQ(starter.Run(c.commandLine, false), c.answer) << c.commandLine;
  EXPECT_EQ(starter.Open((scratch.path / "missing.widget").string()), kStartNotFound);
  EXPECT_EQ(starter.Open("C:\\kfw-no-such-folder\\file.widget"), kStartPathNotFound);
  EXPECT_EQ(starter.Open(unknownKind.string()), 31);  // nothing is associated with the kind
}

}  // namespace
}  // namespace kfw::platform
