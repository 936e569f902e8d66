// The web console's pieces over real sockets: whether a device answers on
// http (one that does, one whose console is off, one whose console does not
// answer yet, an address with no host) and the page it serves. The default
// browser started with the address is findway's console test.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

#include "platform/linux/linux_reachability.h"
#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

constexpr const char* kSegment1 =
    "[device]\nname = Archive\naddress = 10.201.1.10\nmodel = KX-450R\n"
    "[device]\nname = Dark\naddress = 10.201.1.11\nweb = off\n"
    "[device]\nname = Booting\naddress = 10.201.1.12\nweb = slow\nweb_delay_ms = 600000\n";

const BedSetup kWebBed{"kfwwc", 1, "", {{1, kSegment1}}};
using WebConsole = OnTestBed<kWebBed>;

// The whole answer to a plain HTTP/1.0 GET of `path` on port 80.
std::string Fetch(const std::string& address, const std::string& path) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const timeval patience{3, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(80);
  inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
    const std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + address + "\r\n\r\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::array<char, 4096> chunk{};
    for (ssize_t n; (n = recv(fd, chunk.data(), chunk.size(), 0)) > 0;)
      answer.append(chunk.data(), static_cast<std::size_t>(n));
  }
  close(fd);
  return answer;
}

TEST_F(WebConsole, ReachabilityAnswersWithinItsTimeOut) {
  struct Row { std::string host; bool answers; double atLeast, atMost; };
  // The console that does not answer yet and the missing host use up the
  // time-out; a refused connection ends at once.
  const std::vector<Row> rows = {
      {"10.201.1.10", true, 0, 0.5},
      {"10.201.1.11", false, 0, 0.5},
      {"10.201.1.12", false, 1.4, 1.8},
      {"10.201.9.99", false, 0, 1.8},
  };
  platform::LinuxReachability reachability(std::chrono::milliseconds(1500));
  for (const Row& row : rows) {
    bool answered = !row.answers;
    const double seconds = SecondsFor([&] { answered = reachability.Answers(row.host); });
    EXPECT_EQ(answered, row.answers) << row.host;
    EXPECT_GE(seconds, row.atLeast) << row.host;
    EXPECT_LE(seconds, row.atMost) << row.host;
  }
}

TEST_F(WebConsole, ThePageNamesTheDevice) {
  const std::string page = Fetch("10.201.1.10", "/");
  EXPECT_EQ(page.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << page;
  for (const char* text : {"<h1>Archive</h1>", "Model: KX-450R", "Address: 10.201.1.10"})
    EXPECT_NE(page.find(text), std::string::npos) << text << " in " << page;
  EXPECT_EQ(Fetch("10.201.1.10", "/setup").rfind("HTTP/1.0 404 ", 0), 0u);
}

}  // namespace
}  // namespace kfw::integration
