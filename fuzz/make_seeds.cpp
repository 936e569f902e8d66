// Writes the fuzz targets' starting inputs: what simulated devices of every
// reply type answer to each request, plus typical texts for the readers of
// local files. Run by scripts/fuzz into the build folder, never committed.
//
//   kfw_fuzz_seeds OUTPUT_DIR

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/linux/linux_network_drives.h"
#include "protocol/messages.h"
#include "sim/sim_device.h"

using namespace kfw;
using namespace kfw::protocol;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path out;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(out / target);
  std::ofstream(out / target / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Seed(const std::string& target, const std::string& name, const std::string& text) {
  Seed(target, name, Bytes(text.begin(), text.end()));
}

Bytes Request(const Buffer& buffer, std::size_t n) { return Bytes(buffer.begin(), buffer.begin() + n); }

// The client target's datagram framing.
void Frame(Bytes& input, uint8_t flags, uint8_t delay, const Bytes& datagram) {
  input.insert(input.end(), {flags, delay, static_cast<uint8_t>(datagram.size() & 0xff),
                             static_cast<uint8_t>(datagram.size() >> 8)});
  input.insert(input.end(), datagram.begin(), datagram.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kfw_fuzz_seeds OUTPUT_DIR\n";
    return 2;
  }
  out = argv[1];

  // The fuzzed client draws 0x42 for every random byte of its id.
  ClientId clientId{};
  for (int i = 0; i < 6; ++i) clientId[i] = 0x42;

  int n = 0;
  for (int type : {2, 7, 8}) {
    for (const char* name : {"KFW-NAS", "", "Ärchiv\x1b[2J", "name-of-a-device-that-is-long"}) {
      sim::DeviceConfig config;
      config.replyType = type;
      config.name = name;
      config.model = "KVR-220";
      config.shares = "HDD_1:HDD_2:USB_1";
      config.domain = "example.lan";
      config.adminPassword = "secret";
      sim::SimDevice device(config);
      const std::string tag = std::to_string(type) + "-" + std::to_string(n++);

      Buffer buffer{};
      Bytes clientInput{static_cast<uint8_t>(1 | ((type == 2 ? 0 : type == 7 ? 1 : 2) << 1))};
      const auto discovery = device.HandleRequest(Request(buffer, BuildDiscoverRequest(buffer, clientId)));
      for (const auto& reply : discovery) {
        Seed("discovery_reply", tag, reply.bytes);
        Seed("safe_text", tag, std::string(name));
        Frame(clientInput, 2, 0, reply.bytes);
      }
      for (uint8_t item : {QUERY_SHARE_LIST, QUERY_SSL, QUERY_SHARENAME, QUERY_IDEOK, QUERY_DOMAIN,
                           QUERY_CODEPAGE, QUERY_WORKGROUP, QUERY_BT_FIRMWARE}) {
        buffer.fill(0);
        const auto replies =
            device.HandleRequest(Request(buffer, BuildQueryRequest(buffer, clientId, device.deviceId(), item)));
        for (const auto& reply : replies) {
          Seed("reply", tag + "-q" + std::to_string(item), reply.bytes);
          if (item == QUERY_SHARE_LIST && reply.bytes.size() > kQueryHeaderSize) {
            Seed("share_list", tag, Bytes(reply.bytes.begin() + kQueryHeaderSize, reply.bytes.end()));
          }
          Frame(clientInput, 6, static_cast<uint8_t>(140 + item), reply.bytes);
        }
      }
      for (const char* password : {"secret", "wrong"}) {
        buffer.fill(0);
        const auto replies = device.HandleRequest(
            Request(buffer, BuildLoginRequest(buffer, clientId, device.deviceId(), "admin", password)));
        for (const auto& reply : replies) {
          Seed("reply", tag + "-login-" + password, reply.bytes);
          Frame(clientInput, 6, 135, reply.bytes);
        }
      }
      for (uint8_t item : {SET_WORKGROUP, SET_ACCESS_MODE, SET_STATIC_ADDRESS}) {
        buffer.fill(0);
        const auto replies = device.HandleRequest(Request(
            buffer, BuildSetRequest(buffer, clientId, device.deviceId(), item, "255.255.255.0",
                                    "192.168.1.1", item == SET_STATIC_ADDRESS ? "192.168.1.101" : "rw")));
        for (const auto& reply : replies) {
          Seed("reply", tag + "-s" + std::to_string(item), reply.bytes);
          Frame(clientInput, 2, 200, reply.bytes);
        }
      }
      Seed("client", tag, clientInput);
    }
  }

  Seed("share_list", "dup", std::string("HDD_1::HDD_1:USB_1:"));
  Seed("safe_text", "utf8", std::string("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xbe \xc2\x9b \xed\xa0\x80 \xc0\xaf"));
  for (const char* text : {"192.168.1.100", "0x0A.0.0.1", "012.0.0.1", "167772161", "10.1",
                           "255.255.255.0\x01\x02\x03\x0f\x0f\x0f", "10.0.0.1 "}) {
    Seed("address", std::to_string(n++), std::string(text));
  }
  Seed("connection_table", "table",
       platform::FormatConnectionTable(
           {{"K:", "\\\\nas1\\Volume_1", "/run/user/1000/gvfs/smb-share:server=nas1,share=volume_1"},
            {"Z:", "\\\\10.0.0.9\\HDD_1", ""}}) +
           "# a comment\r\nk:\t\\\\nas2\\x\t/mnt\r\nbad line\n");
  for (const char* exec : {"firefox-esr %u", "\"/opt/My Browser/browser\" --new-window %U",
                           "sh -c 'echo $HOME' \\\"quoted\\\"", "env A=\"b \\\\ \\$c\" prog %% %f %i %c %k"}) {
    Seed("exec_line", std::to_string(n++), std::string(exec));
  }
  return 0;
}
