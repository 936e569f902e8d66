#pragma once
// Commands that wait on the network: the window keeps painting and shows
// that it is busy (wait cursor, no input taken) while the exchange runs, and
// the command's steps stay in their order because the command waits for the
// work to end before it goes on.

#include <QObject>
#include <functional>

namespace kfw::ui {

class BusyRunner {
 public:
  virtual ~BusyRunner() = default;
  // Runs `work` (which must not touch any widget) and returns when it ends.
  virtual void Run(const std::function<void()>& work) = 0;
};

// Runs everything at once on the calling thread: for tests that drive the
// window step by step.
class InlineBusyRunner final : public BusyRunner {
 public:
  void Run(const std::function<void()>& work) override { work(); }
};

// Runs the work on a worker thread while the window's thread spins a local
// event loop: painting and timers go on, user input to every window is
// dropped and the cursor shows that the program is busy.
//
// Input is dropped rather than held back: a click made while a discovery
// runs would otherwise be replayed afterwards, on a list that has changed
// under it.
class ThreadedBusyRunner final : public QObject, public BusyRunner {
  Q_OBJECT

 public:
  void Run(const std::function<void()>& work) override;
  bool busy() const { return depth_ > 0; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BlockInput();
  void AllowInput();

  int depth_ = 0;
  bool blocking_ = false;
};

}  // namespace kfw::ui
