#pragma once
// Waits on the network without freezing the window: the work runs on a
// worker thread while this thread goes on dispatching its messages, so the
// windows keep painting and their timers fire, but keyboard and mouse input
// is dropped and the cursor shows the wait.
//
// Input is dropped rather than held back: a click made while a discovery
// runs would otherwise be replayed afterwards, on a list that has changed
// under it.

#include <functional>

namespace kfw::win32 {

// Returns once `work` (which must touch no window) has ended.
void RunBusy(const std::function<void()>& work);

// Whether this thread is inside RunBusy: the dialogs then show the wait cursor.
bool Busy();

}  // namespace kfw::win32
