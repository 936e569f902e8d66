#include "sim/devsim/web_console.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace kfw::devsim {
namespace {

constexpr int kBacklog = 64;
// Connections served at once; more are closed unanswered rather than run the
// simulator out of descriptors.
constexpr std::size_t kMaxClients = 256;
constexpr std::size_t kMaxRequestHead = 8192;
constexpr auto kClientPatience = std::chrono::seconds(5);

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string Html(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

sockaddr_in ConsoleAddress(const std::string& address) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(80);
  inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
  return sa;
}

std::string Response(const std::string& status, const std::string& body) {
  return "HTTP/1.0 " + status +
         "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

std::string WebConsolePage(const sim::DeviceConfig& device) {
  const std::string name = Html(device.name);
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + name +
         "</title></head>\n<body><h1>" + name + "</h1>\n<p>Model: " +
         Html(device.model.empty() ? "(none)" : device.model) + "</p>\n<p>Address: " +
         Html(device.address) + "</p>\n</body></html>\n";
}

WebConsoles::WebConsoles(std::vector<const sim::SimDevice*> devices) {
  consoles_.reserve(devices.size());
  for (const sim::SimDevice* device : devices) {
    if (device->config().web != sim::DeviceConfig::Web::Off)
      consoles_.push_back({device, Fd(), {}, {}, false});
  }
}

bool WebConsoles::Open(std::string& error) {
  const auto start = Clock::now();
  for (Console& console : consoles_) {
    const std::string& address = console.device->address();
    const std::string where = "web console " + address + ":80";
    console.listener = Fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int fd = console.listener.get();
    const int one = 1;
    const sockaddr_in sa = ConsoleAddress(address);
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
      error = Errno(where);
      return false;
    }
    const bool slow = console.device->config().web == sim::DeviceConfig::Web::Slow;
    // A listener whose queue is full drops new connection attempts without
    // an answer, so the connecting side waits: a backlog of 1 is full with two
    // connections nobody accepts, and our own plugs are those two.
    if (listen(fd, slow ? 1 : kBacklog) != 0) {
      error = Errno(where + ": listen");
      return false;
    }
    console.open = !slow;
    if (!slow) continue;
    console.opensAt = start + std::chrono::milliseconds(console.device->config().webDelayMs);
    for (int i = 0; i < 2; ++i) {
      Fd plug(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
      const timeval patience{1, 0};
      if (plug.get() < 0 ||
          setsockopt(plug.get(), SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience) != 0 ||
          connect(plug.get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        error = Errno(where + ": filling the queue");
        return false;
      }
      console.plugs.push_back(std::move(plug));
    }
  }
  return true;
}

bool WebConsoles::Rebind(const sim::SimDevice* device, std::string& error) {
  for (Console& console : consoles_) {
    if (console.device != device || !console.open) continue;
    const std::string& address = device->address();
    Fd listener(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int one = 1;
    const sockaddr_in sa = ConsoleAddress(address);
    if (listener.get() < 0 || setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        bind(listener.get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        listen(listener.get(), kBacklog) != 0) {
      error = Errno("web console " + address + ":80");
      return false;
    }
    // Clients of the old address keep their console; the poll order is
    // rebuilt on every turn.
    console.listener = std::move(listener);
  }
  return true;
}

void WebConsoles::AddPollFds(std::vector<pollfd>& fds) const {
  for (const Console& console : consoles_) {
    if (console.open) fds.push_back({console.listener.get(), POLLIN, 0});
  }
  for (const Client& client : clients_) fds.push_back({client.fd.get(), POLLIN, 0});
}

void WebConsoles::Serve(std::span<const pollfd> fds) {
  // The descriptors come in AddPollFds' order; clients accepted now join
  // after the walk so that order holds throughout it.
  const std::size_t known = clients_.size();
  std::size_t next = 0;
  for (const Console& console : consoles_) {
    if (!console.open) continue;
    if (next < fds.size() && (fds[next].revents & POLLIN)) Accept(console);
    ++next;
  }
  const auto now = Clock::now();
  for (std::size_t i = 0; i < known; ++i, ++next) {
    Client& client = clients_[i];
    if (next < fds.size() && fds[next].revents != 0) Read(client);
    if (now >= client.deadline) client.done = true;
  }
  std::erase_if(clients_, [](const Client& c) { return c.done; });
  OpenDueConsoles();
}

std::optional<WebConsoles::Clock::time_point> WebConsoles::NextDue() const {
  std::optional<Clock::time_point> due;
  auto consider = [&due](Clock::time_point t) {
    if (!due || t < *due) due = t;
  };
  for (const Console& console : consoles_) {
    if (!console.open) consider(console.opensAt);
  }
  for (const Client& client : clients_) consider(client.deadline);
  return due;
}

void WebConsoles::Accept(const Console& console) {
  while (true) {
    Fd fd(accept4(console.listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (fd.get() < 0) return;  // drained, or the connection went away first
    if (clients_.size() >= kMaxClients) continue;
    clients_.push_back({&console, std::move(fd), {}, Clock::now() + kClientPatience, false});
  }
}

void WebConsoles::Read(Client& client) {
  std::array<char, 2048> chunk{};
  while (true) {
    const ssize_t n = recv(client.fd.get(), chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (n > 0) {
      client.request.append(chunk.data(), static_cast<std::size_t>(n));
      if (client.request.size() <= kMaxRequestHead) continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (client.request.find("\r\n\r\n") == std::string::npos &&
          client.request.find("\n\n") == std::string::npos)
        return;  // the head is not complete yet
    } else if (n < 0) {
      client.done = true;
      return;
    }
    break;  // the head is complete, too long, or the client stopped sending
  }
  client.done = true;
  const std::string& request = client.request;
  const std::string line = request.substr(0, request.find_first_of("\r\n"));
  const bool page = line == "GET / HTTP/1.0" || line == "GET / HTTP/1.1";
  const std::string response =
      page ? Response("200 OK", WebConsolePage(client.console->device->config()))
           : Response("404 Not Found", "<!DOCTYPE html>\n<html><body>Not found</body></html>\n");
  // The answer is small enough for the socket's buffer; a peer that has gone
  // away must not stop the simulator with SIGPIPE.
  send(client.fd.get(), response.data(), response.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  shutdown(client.fd.get(), SHUT_WR);
}

void WebConsoles::OpenDueConsoles() {
  const auto now = Clock::now();
  for (Console& console : consoles_) {
    if (console.open || now < console.opensAt) continue;
    // Take the plugs out of the queue, then let it grow to its usual size.
    while (true) {
      Fd accepted(accept4(console.listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (accepted.get() < 0) break;
    }
    console.plugs.clear();
    listen(console.listener.get(), kBacklog);
    console.open = true;
  }
}

}  // namespace kfw::devsim
