#include "ui/busy.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <memory>

namespace kfw::ui {
namespace {

bool IsUserInput(const QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
      return true;
    // A close request from the window's title bar would stop the network
    // under the running exchange.
    case QEvent::Close:
      return event->spontaneous();
    default:
      return false;
  }
}

}  // namespace

void ThreadedBusyRunner::Run(const std::function<void()>& work) {
  if (QThread::currentThread() != thread()) {
    // Already on the worker (a busy step inside another): just run it.
    work();
    return;
  }
  ++depth_;
  const bool wasBlocking = blocking_;
  if (!blocking_) BlockInput();

  QEventLoop loop;
  std::unique_ptr<QThread> worker(QThread::create([&work] { work(); }));
  // `finished` is queued to this thread, so it cannot be lost even when the
  // work ends before the loop starts.
  connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
  worker->start();
  loop.exec();
  worker->wait();

  if (!wasBlocking) AllowInput();
  --depth_;
}

void ThreadedBusyRunner::BlockInput() {
  blocking_ = true;
  qApp->installEventFilter(this);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void ThreadedBusyRunner::AllowInput() {
  blocking_ = false;
  qApp->removeEventFilter(this);
  QGuiApplication::restoreOverrideCursor();
}

bool ThreadedBusyRunner::eventFilter(QObject* watched, QEvent* event) {
  if (blocking_ && watched->isWidgetType() && IsUserInput(event)) {
    event->ignore();  // a refused close leaves the window open
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kfw::ui
