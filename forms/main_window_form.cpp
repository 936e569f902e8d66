#include "forms/main_window_form.h"

namespace kfw::forms {

DialogLayout MainWindowForm() {
  using namespace main_window;
  return DialogLayout{
      102, "Korvex Findway Utility", "Arial", 8, 285, 262,
      {
          {ControlKind::GroupBox, kNoId, "Network Storage Device", 3, 2, 277, 87},
          {ControlKind::ReportView, kDeviceList, "", 8, 13, 216, 68, 0, "Network Storage Device"},
          {ControlKind::Button, kRefresh, "Refresh", 227, 48, 45, 14},
          {ControlKind::Button, kConfiguration, "Configuration", 227, 67, 45, 14},
          {ControlKind::Button, kLanguage, "Language", 227, 49, 45, 14, style::kHidden},
          {ControlKind::Button, kBitTorrent, "BitTorrent", 227, 49, 45, 14, style::kHidden},
          {ControlKind::Button, kWidget, "Widget", 227, 67, 45, 14, style::kHidden},
          {ControlKind::GroupBox, kNoId, "LAN", 3, 93, 277, 67},
          {ControlKind::Label, kNoId, "I P :", 13, 109, 14, 8},
          {ControlKind::AddressField, kAddress, "", 55, 105, 100, 13, 0, "IP"},
          {ControlKind::Label, kNoId, "Netmask :", 13, 127, 32, 8},
          {ControlKind::AddressField, kNetmask, "", 55, 123, 100, 13, 0, "Netmask"},
          {ControlKind::Label, kNoId, "Gateway :", 13, 145, 38, 8},
          {ControlKind::AddressField, kGateway, "", 55, 142, 100, 13, 0, "Gateway"},
          {ControlKind::Label, kNoId, "Receive DHCP :", 162, 109, 51, 8},
          {ControlKind::DropDownList, kReceiveDhcp, "", 213, 107, 59, 49, style::kSorted, "Receive DHCP"},
          {ControlKind::Button, kApply, "Apply", 222, 136, 50, 14},
          {ControlKind::GroupBox, kNoId, "Drive Mapping", 3, 163, 277, 77},
          {ControlKind::ReportView, kShareList, "", 8, 182, 164, 51, 0, "Drive Mapping"},
          {ControlKind::Label, kNoId, "Available Drive Letters :", 182, 181, 78, 8},
          {ControlKind::DropDownList, kDriveLetters, "", 181, 191, 91, 110, 0, "Available Drive Letters"},
          {ControlKind::Button, kConnect, "Connect", 182, 217, 43, 14},
          {ControlKind::Button, kDisconnect, "Disconnect", 230, 217, 43, 14},
          {ControlKind::Button, kAbout, "About", 4, 246, 45, 15},
          {ControlKind::Button, kExit, "Exit", 234, 246, 43, 15},
      }};
}

}  // namespace kfw::forms
