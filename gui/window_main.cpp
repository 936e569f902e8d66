// korvex-findway: finds the storage devices on every local network, lists
// them and changes their settings. Reads no command line of its own.

#include <QApplication>
#include <QDir>

#include "gui/main_window.h"
#include "platform/clock.h"
#include "platform/linux/linux_network_drives.h"
#include "platform/linux/linux_programs.h"
#include "platform/linux/linux_reachability.h"
#include "platform/linux/smb_share_files.h"
#include "platform/linux/linux_socket_layer.h"
#include "platform/linux/linux_system_info.h"
#include "protocol/management_client.h"
#include "ui/busy.h"
#include "ui/look.h"
#include "ui/prompts.h"

int main(int argc, char** argv) {
  using namespace kfw;
  QApplication application(argc, argv);
  // Lets the desktop tie the window to its desktop entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("korvex-findway"));

  platform::LinuxSocketLayer sockets;
  platform::SystemClock clock;
  platform::LinuxNetworkDrives drives;
  platform::LinuxSystemInfo system;
  protocol::ManagementClient client(sockets, clock);
  // Without the sockets there is nothing the program can do.
  if (!client.StartNetwork()) return 1;

  ui::ApplyDialogLook(application);
  ui::QtPrompts prompts;
  ui::ThreadedBusyRunner busy;
  // The first discovery runs here, before the window is shown.
  platform::LinuxProgramStarter programs;
  platform::LinuxDefaultBrowser browser;
  platform::LinuxReachability reachability;
  // A desktop widget finds the device's address in the user's home folder.
  const std::filesystem::path addressFile = QDir::homePath().toStdString() + "/ip.txt";
  platform::SmbShareFiles files;
  gui::MainWindow window({client, drives, system, programs, browser, reachability, clock, files, addressFile},
                         prompts, busy);
  prompts.SetOwner(&window);
  window.exec();
  return 0;
}
