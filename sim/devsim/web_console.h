#pragma once
// The devices' web consoles: an HTTP/1.0 listener on port 80 of each device's
// address that answers "GET /" with a page naming the device (404 for any
// other request) and closes. A console switched off has no listener, so a
// connection is refused; a slow one holds its listener's queue full until
// its delay has passed, so connection attempts go unanswered meanwhile.
// Served from the responder's own wait loop.

#include <poll.h>

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/devsim/fd.h"
#include "sim/sim_device.h"

namespace kfw::devsim {

// The page a console serves for `device`, with its texts made safe for HTML.
std::string WebConsolePage(const sim::DeviceConfig& device);

class WebConsoles {
 public:
  using Clock = std::chrono::steady_clock;

  explicit WebConsoles(std::vector<const sim::SimDevice*> devices);

  // Starts the listeners; false with `error` set.
  bool Open(std::string& error);
  // Moves `device`'s console to the device's current address, where an
  // address change put it; false with `error` set.
  bool Rebind(const sim::SimDevice* device, std::string& error);
  // Appends the descriptors to wait on; Serve expects them back in the same
  // order with their events filled in.
  void AddPollFds(std::vector<pollfd>& fds) const;
  void Serve(std::span<const pollfd> fds);
  // When Serve next has work without any event (a slow console opening, a
  // silent client given up on).
  std::optional<Clock::time_point> NextDue() const;

 private:
  struct Console {
    const sim::SimDevice* device;
    Fd listener;
    std::vector<Fd> plugs;  // our own connections filling the queue of a slow console
    Clock::time_point opensAt;
    bool open = false;
  };
  struct Client {
    const Console* console;
    Fd fd;
    std::string request;
    Clock::time_point deadline;
    bool done = false;
  };

  void Accept(const Console& console);
  // Reads what the client sent; answers once the request's head is complete.
  void Read(Client& client);
  void OpenDueConsoles();

  std::vector<Console> consoles_;
  std::vector<Client> clients_;
};

}  // namespace kfw::devsim
