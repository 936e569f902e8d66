// korvex-findway-win32-screens: the program's Win32 windows, over simulated
// devices in the process, captured from the screen with their frames into
// 24-bit BMP files for review.
//
//   korvex-findway-win32-screens [OUTPUT_DIR]     (default: the current folder)
//
// Writes windows-main.bmp (a device clicked), windows-login.bmp (the
// administrator's Login over the window) and windows-about.bmp.

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "forms/about_form.h"
#include "forms/login_form.h"
#include "platform/clock.h"
#include "protocol/management_client.h"
#include "sim/simulated_network.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/fake_programs.h"
#include "tests/support/fake_share_files.h"
#include "tests/support/screen_scene.h"
#include "tests/support/fake_system_info.h"
#include "tests/support/win32_shown_dialog.h"
#include "win32/dialog_template.h"
#include "win32/main_window.h"
#include "win32/win32_interaction.h"

namespace {

using namespace kfw;
using win32::ShownDialog;
using namespace std::chrono_literals;

// Runs the thread's queued messages, as the program's loop would.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    const HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && IsDialogMessageW(top, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Paints what is pending and gives wine the time to hand its drawing to
// the display, so that the screen shows the window as it now is.
void Settle(HWND window) {
  for (int round = 0; round < 5; ++round) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    GdiFlush();
    std::this_thread::sleep_for(60ms);
  }
  Pump();
}

// The window's rectangle on the screen, frame included, as a bottom-up
// 24-bit BMP file.
bool Capture(HWND window, const std::string& path) {
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  info.bmiHeader.biSizeImage = stride * static_cast<DWORD>(height);

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr && bits != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != 0;
    GdiFlush();
    SelectObject(memory, old);
  }
  if (ok) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + info.bmiHeader.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
    out.write(static_cast<const char*>(bits), info.bmiHeader.biSizeImage);
    ok = static_cast<bool>(out);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", path.c_str(), width, height);
  std::fflush(stdout);
  return ok;
}

// Acts on the next dialog this thread shows over `window` while a modal
// loop runs: `act` once it is up (typing, say), then, a moment later, the
// capture and `close`. A dialog that never comes ends the wait after a few
// seconds, so the run cannot hang.
class NextDialog {
 public:
  NextDialog(HWND window, std::function<void(HWND)> act, std::string path, std::function<void(HWND)> close)
      : window_(window), act_(std::move(act)), path_(std::move(path)), close_(std::move(close)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &NextDialog::Tick);
  }
  ~NextDialog() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool captured() const { return captured_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    NextDialog* self = current_;
    if (!self || self->done_) return;
    ++self->ticks_;
    if (!self->dialog_) {
      const HWND found = ShownDialog(self->window_);
      if (found) {
        self->dialog_ = found;
        self->ticks_ = 0;
        if (self->act_) self->act_(found);
      } else if (self->ticks_ > 100) {
        self->done_ = true;  // no dialog came
      }
      return;
    }
    // A few ticks for the dialog to paint what was typed.
    if (self->ticks_ < 6) return;
    self->done_ = true;
    Settle(self->dialog_);
    self->captured_ = Capture(self->dialog_, self->path_);
    self->close_(self->dialog_);
  }

  static inline NextDialog* current_ = nullptr;
  HWND window_;
  std::function<void(HWND)> act_;
  std::string path_;
  std::function<void(HWND)> close_;
  UINT_PTR timer_ = 0;
  HWND dialog_ = nullptr;
  int ticks_ = 0;
  bool done_ = false;
  bool captured_ = false;
};

void PressButton(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// A left click on the row's middle, as the mouse sends it.
void ClickRow(HWND list, int row) {
  RECT bounds{};
  ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
  const LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  Pump();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: korvex-findway-win32-screens [OUTPUT_DIR]\n");
    return 2;
  }
  std::string dir = argc == 2 ? argv[1] : ".";
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  CreateDirectoryA(dir.c_str(), nullptr);
  win32::InitCommonControlClasses();

  // The devices and drive letters of the Linux pictures, so both show the same.
  platform::FakeClock clock;
  sim::SimulatedNetwork network(clock);
  testing::AddScreenDevices(network);

  std::ostringstream diagnostics;
  protocol::ManagementClient client(network, clock);
  client.SetDiagnostics(&diagnostics);
  if (!client.StartNetwork()) return 1;

  platform::FakeNetworkDrives drives;
  testing::SetScreenLetters(drives);
  platform::FakeSystem system;
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  platform::FakeReachability reachability;
  platform::FakeShareFiles files;
  // A message box would wait for a user nobody plays: messages are printed.
  win32::Win32Interaction interaction(nullptr, [](const core::UserMessage& message) {
    std::fprintf(stderr, "message: %s\n", message.text.c_str());
  });
  win32::MainWindow window({client, drives, system, programs, browser, reachability, clock, files, dir + "ip.txt"},
                           interaction);
  const HWND shown = window.Open();
  if (shown == nullptr) {
    std::fprintf(stderr, "the main window could not be made\n");
    return 1;
  }
  ShowWindow(shown, SW_SHOWNORMAL);
  // With no window manager wine activates the window before it is the
  // foreground one and draws its caption inactive; coming back to it, as
  // from another window, draws it as the user would see it.
  SetForegroundWindow(GetDesktopWindow());
  SetForegroundWindow(shown);
  Pump();

  bool ok = true;
  const HWND devices = window.Control(win32::MainWindow::kDeviceList);
  ClickRow(devices, 0);
  // The picture is of a found device the click selected, its shares listed.
  if (ListView_GetItemCount(devices) != 4 || ListView_GetNextItem(devices, -1, LVNI_SELECTED) != 0 ||
      ListView_GetItemCount(window.Control(win32::MainWindow::kShareList)) == 0) {
    std::fprintf(stderr, "the click selected no device\n");
    ok = false;
  }
  Settle(shown);
  ok &= Capture(shown, dir + "windows-main.bmp");

  {
    // The administrator's password asked for over the window, typed in.
    NextDialog login(
        shown,
        [](HWND dialog) {
          const HWND password = GetDlgItem(dialog, forms::login::kPassword);
          for (const wchar_t c : std::wstring(L"secret")) SendMessageW(password, WM_CHAR, c, 1);
        },
        dir + "windows-login.bmp", [](HWND dialog) { PressButton(dialog, forms::login::kCancel); });
    interaction.AskLogin({core::LoginMode::Administrator, "admin"});
    ok &= login.captured();
  }
  Pump();

  {
    // The About button, as the user presses it.
    NextDialog about(shown, nullptr, dir + "windows-about.bmp",
                     [](HWND dialog) { PressButton(dialog, forms::about::kOk); });
    PressButton(shown, win32::MainWindow::kAbout);
    ok &= about.captured();
  }
  Pump();
  return ok ? 0 : 1;
}
