// korvex-findway.exe: the window program on Windows.

#include <windows.h>

#include "core/main_window_model.h"
#include "platform/clock.h"
#include "platform/native.h"
#include "protocol/management_client.h"
#include "win32/dialog.h"
#include "win32/dialog_template.h"
#include "win32/main_window.h"
#include "win32/win32_interaction.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  using namespace kfw;
  win32::InitCommonControlClasses();
  platform::NativeSocketLayer sockets;
  platform::SystemClock clock;
  protocol::ManagementClient client(sockets, clock);
  win32::Win32Interaction interaction;
  // Without the sockets there is nothing the program can do.
  if (!client.StartNetwork()) {
    win32::ShowMessageBox(nullptr, {"", "The network could not be started.", core::MessageIcon::Stop});
    return 1;
  }
  platform::NativeNetworkDrives drives;
  platform::NativeSystemInfo system;
  platform::NativeProgramStarter programs;
  platform::NativeDefaultBrowser browser;
  platform::NativeReachability reachability;
  platform::NativeShareFiles files;
  // A desktop widget finds the selected device's address here.
  win32::MainWindow window({client, drives, system, programs, browser, reachability, clock, files, "C:\\ip.txt"},
                           interaction);
  // The first discovery runs here, before the window is shown.
  HWND shown = window.Open();
  if (shown == nullptr) return 1;
  ShowWindow(shown, show);
  return win32::RunMessageLoop(shown);
}
