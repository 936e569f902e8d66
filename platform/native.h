#pragma once
// The services of the system the program is built for, by one name on every
// system, for the front ends that make them.

#ifdef _WIN32
#include "platform/windows/windows_network_drives.h"
#include "platform/windows/windows_programs.h"
#include "platform/windows/windows_share_files.h"
#include "platform/windows/windows_socket_layer.h"
#include "platform/windows/windows_system_info.h"
#else
#include "platform/linux/linux_network_drives.h"
#include "platform/linux/linux_programs.h"
#include "platform/linux/linux_reachability.h"
#include "platform/linux/linux_socket_layer.h"
#include "platform/linux/linux_system_info.h"
#include "platform/linux/smb_share_files.h"
#endif

namespace kfw::platform {

#ifdef _WIN32
using NativeSocketLayer = WindowsSocketLayer;
using NativeNetworkDrives = WindowsNetworkDrives;
using NativeProgramStarter = WindowsProgramStarter;
using NativeDefaultBrowser = WindowsDefaultBrowser;
using NativeReachability = WindowsReachability;
using NativeSystemInfo = WindowsSystemInfo;
using NativeShareFiles = WindowsShareFiles;
#else
using NativeSocketLayer = LinuxSocketLayer;
using NativeNetworkDrives = LinuxNetworkDrives;
using NativeProgramStarter = LinuxProgramStarter;
using NativeDefaultBrowser = LinuxDefaultBrowser;
using NativeReachability = LinuxReachability;
using NativeSystemInfo = LinuxSystemInfo;
using NativeShareFiles = SmbShareFiles;
#endif

}  // namespace kfw::platform
