#pragma once
// One simulated storage device: a request datagram in, the reply datagrams
// out (each with the delay after which it leaves), and the device's state
// changes. The korvex-devsim program and the in-process simulated network
// both drive devices through this class.

#include <array>
#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace kfw::sim {

struct DeviceConfig {
  // Identity and LAN settings.
  std::string name = "KFW-NAS";
  std::string address = "192.168.1.100";
  std::string netmask = "255.255.255.0";
  std::string gateway = "192.168.1.1";
  bool dhcp = false;
  std::string model;                // type 8 replies carry it
  int replyType = 8;                // 2, 7 or 8
  int category = 3;                 // bytes 56 and 57 of types 7 and 8
  int subcategory = 3;
  std::array<uint8_t, 6> idPrefix{0x00, 0x11, 0x32, 0x00, 0x00, 0x01};  // opaque part of the device id
  // Address taken after a switch to DHCP; empty: derived from the address.
  std::string dhcpAddress;
  // The address its discovery replies give in place of its own, while it
  // still sends from its own (a device that lies about where it is); empty:
  // its own.
  std::string claimsAddress;

  // Query answers.
  std::string shares = "HDD_1";     // ':'-separated, as sent
  std::string adminPassword;        // empty: the login with no password passes
  std::string ssl = "0";
  // Answered in turn, the last repeating; an entry may be empty (a device
  // whose disk is still mounting answers nothing useful at first).
  std::vector<std::string> sharename{"HDD_1"};
  std::string domain;
  std::string codepage = "850";
  std::string workgroup = "WORKGROUP";
  std::vector<std::string> ideok{"1"};       // answered in turn; the last repeats
  std::vector<std::string> btFirmware{"0"};  // answered in turn; the last repeats
  int loginVerdict = 1;             // byte sent for accepted credentials

  // Its SMB service (korvex-devsim --smb-dir): every share of `shares` is a
  // folder that guests may write, except the private ones, which only
  // `smbUser` reaches, with `smbPassword`.
  std::string smbUser;
  std::string smbPassword;
  std::vector<std::string> privateShares;  // ':'-separated, like shares

  // Behaviour.
  int delayMinMs = 0;               // each reply leaves after a random delay in
  int delayMaxMs = 0;               // [min, max]
  bool silent = false;              // answers nothing
  int duplicates = 1;               // copies of each reply
  int junkFlood = 0;                // junk datagrams sent ahead of every answer,
                                    // alternately of an unused type (9) and the
                                    // answer with another tool's client id
  int junkIntervalMs = 1;           // spacing of the junk datagrams
  std::vector<int> ignoreItems;     // query/set items it does not answer
  // A flood of junk that korvex-devsim sends without being asked, all the
  // time it floods: `floodRate` datagrams a second (-1: as fast as it can),
  // `floodBurst` at a time, of the kinds in `floodKinds` in turn. With
  // `floodAtStart` off it waits for SIGUSR1, which switches it on and off.
  enum class FloodKind {
    Random,       // random bytes of random length
    Foreign,      // the answer's type from this device, with another client id
    OtherType,    // the answer with an unused type (9)
    WrongSender,  // the answer's type with the asker's client id, from another address
    Forged,       // the answer with the asker's client id, each datagram from
                  // another address of 100.64.0.0/10: after a discovery, a
                  // crowd of devices that are not there
  };
  int floodRate = 0;
  int floodBurst = 1;
  std::vector<FloodKind> floodKinds{FloodKind::Random, FloodKind::Foreign, FloodKind::OtherType,
                                    FloodKind::WrongSender};
  bool floodAtStart = true;
  // What the name-length field of a discovery reply says; -1: the name's
  // real length (a hostile device may claim more than it sends).
  long long nameLengthField = -1;
  // The web console on port 80: On answers, Off refuses connections, Slow
  // leaves them unanswered until webDelayMs after the simulator started (a
  // console still starting up).
  enum class Web { On, Off, Slow };
  Web web = Web::On;
  int webDelayMs = 0;
  // The share the add-ons go to goes away this many milliseconds after the
  // device took access mode "rw" (served shares only: korvex-devsim
  // --smb-dir); -1: never.
  int vanishShareMs = -1;
  // Its SMB port takes connections and never answers on them, in place of
  // a server (korvex-devsim --smb-dir): a device whose file service hangs.
  bool smbStalled = false;

  // Texts last stored by the set items that only store (empty until set).
  // Access mode, control, add-on and code page are also recorded in turn
  // as events.
  std::string accessMode;
  std::string control;
  std::string addon;
  std::string item5;
};

// The share a device settles on: the last answer of its share-name
// sequence, "" when it has none. Its add-on folders are laid out there.
std::string SettledShareName(const DeviceConfig& config);

// A set request that changed what the device does with add-ons, as the
// device took it: item "access_mode", "control", "addon" or "codepage", and
// the text it was sent.
struct DeviceEvent {
  std::string item;
  std::string text;
  bool operator==(const DeviceEvent&) const = default;
};

struct OutgoingDatagram {
  std::chrono::milliseconds delay{0};
  std::vector<uint8_t> bytes;
};

class SimDevice {
 public:
  explicit SimDevice(DeviceConfig config, uint32_t seed = 1);

  // Handles one request received from the network; returns what the device
  // sends in answer. Requests aimed at another device id, and datagrams that
  // are not requests, get no answer.
  std::vector<OutgoingDatagram> HandleRequest(std::span<const uint8_t> request);

  const DeviceConfig& config() const { return config_; }
  // The device's current address (it changes on an address change).
  const std::string& address() const { return config_.address; }
  std::array<uint8_t, 10> deviceId() const;
  // Every request handled, byte for byte, in arrival order (also those for
  // other devices).
  const std::vector<std::vector<uint8_t>>& requestLog() const { return log_; }
  // The add-on set requests the device took, in arrival order.
  const std::vector<DeviceEvent>& events() const { return events_; }

  // The n-th datagram of the device's flood, shaped after the last request
  // it handled (its client id and the type of answer it expects).
  std::vector<uint8_t> FloodDatagram(uint64_t n);

 private:
  // Type, the request's client id echoed, this device's id: bytes 0..20.
  std::vector<uint8_t> Header(uint8_t type, std::span<const uint8_t> request) const;
  std::vector<uint8_t> DiscoveryReply(std::span<const uint8_t> request) const;
  // Empty when the device does not answer the request.
  std::vector<uint8_t> QueryReply(std::span<const uint8_t> request);
  std::vector<uint8_t> SetReply(std::span<const uint8_t> request);
  bool LoginAccepted(std::span<const uint8_t> payload) const;
  static const std::string* NextInSequence(const std::vector<std::string>& sequence,
                                           std::size_t& index);
  std::chrono::milliseconds RandomDelay();
  // The copies of a reply, with their delays and any junk, in leaving order.
  std::vector<OutgoingDatagram> Answer(std::vector<uint8_t> reply);

  DeviceConfig config_;
  std::mt19937 rng_;
  std::size_t ideokIndex_ = 0;
  std::size_t btIndex_ = 0;
  std::size_t sharenameIndex_ = 0;
  std::vector<std::vector<uint8_t>> log_;
  std::vector<DeviceEvent> events_;
  std::vector<uint8_t> lastRequest_;
  std::mt19937 floodRng_;
};

// Reads a device configuration file: blocks of key=value lines, each block
// started by a "[device]" line; '#' starts a comment. Returns false and sets
// `error` (with the line number) on a bad line.
bool ParseDeviceConfigs(std::istream& in, std::vector<DeviceConfig>& out, std::string& error);

// N generated devices with addresses base.(1 + i / 250).(1 + i % 250) of a
// /16, varied reply types and names, each answering after a random delay in
// [0, maxDelayMs].
std::vector<DeviceConfig> GenerateDevices(int count, const std::string& baseTwoOctets,
                                          int maxDelayMs);

}  // namespace kfw::sim
