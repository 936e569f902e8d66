#pragma once
// The main window: the device list, the LAN settings, the drive mapping and
// the command buttons.

#include "forms/dialog_table.h"

namespace kfw::forms {

namespace main_window {
enum Id : int {
  kDeviceList = 1000,
  kShareList = 1001,
  kRefresh = 1002,
  kConnect = 1003,
  kDisconnect = 1004,
  kAddress = 1006,
  kApply = 1007,
  kConfiguration = 1008,
  kExit = 1009,
  kNetmask = 1010,
  kGateway = 1011,
  kDriveLetters = 1013,
  kReceiveDhcp = 1015,
  kAbout = 1021,
  kLanguage = 1022,
  kBitTorrent = 1025,
  kWidget = 1026,
};
}  // namespace main_window

DialogLayout MainWindowForm();

}  // namespace kfw::forms
