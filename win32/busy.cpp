#include "win32/busy.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <thread>

namespace kfw::win32 {
namespace {

thread_local int busyDepth = 0;

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         // The title bar's buttons too: a close request would stop the
         // network under the running exchange.
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace

bool Busy() { return busyDepth > 0; }

void RunBusy(const std::function<void()>& work) {
  const UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) {
    work();
    return;
  }
  ++busyDepth;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  std::thread worker([&] {
    work();
    SetEvent(done.get());
  });

  std::optional<int> quit;
  HANDLE handles[] = {done.get()};
  while (MsgWaitForMultipleObjectsEx(1, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
         WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = static_cast<int>(msg.wParam);  // for the loop outside, once the work is over
      } else if (!IsUserInput(msg.message)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
  worker.join();
  --busyDepth;
  if (quit) PostQuitMessage(*quit);
  // A move of the mouse to where it is makes the window under it set its
  // own cursor again.
  POINT at;
  if (!Busy() && GetCursorPos(&at)) SetCursorPos(at.x, at.y);
}

}  // namespace kfw::win32
