// A receive socket that cannot be tied to its interface is not opened at all:
// bound to the wildcard address alone it would hear every interface.

#include <gtest/gtest.h>

#include "platform/linux/linux_socket_layer.h"

namespace kfw::platform {
namespace {

TEST(LinuxSocketLayer, ReceiveSocketWithoutItsInterfaceStaysClosed) {
  LinuxSocketLayer sockets;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(sockets.OpenReceiveSocket("198.51.100.77", 13579, "224.0.0.1"), kNoSocket);
  EXPECT_EQ(sockets.OpenReceiveSocketOn("kfw-nosuch0", "198.51.100.77", 13579, "224.0.0.1"), kNoSocket);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
  EXPECT_NE(said.find("kfw-nosuch0"), std::string::npos) << said;
}

}  // namespace
}  // namespace kfw::platform
