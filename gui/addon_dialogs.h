#pragma once
// The add-on installs' dialogs: the Language choice, the Loading notice the
// install runs behind, and the Restart wait with its progress bar.

#include <QDialog>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "core/interaction.h"
#include "forms/addon_forms.h"
#include "ui/prompts.h"

class QProgressBar;

namespace kfw::gui {

// A caption bar without a title or a system menu, and no way for the user to
// dismiss the dialog: Enter, Escape and a close request do nothing.
class UnclosableDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;
  void reject() override {}
  // Closes the dialog from the program's side.
  void Finish() { QDialog::done(QDialog::Rejected); }

 protected:
  void keyPressEvent(class QKeyEvent* event) override;
  void closeEvent(class QCloseEvent* event) override;
};

class LanguageDialog : public QDialog {
  Q_OBJECT

 public:
  using enum forms::language::Id;
  LanguageDialog(const core::LanguageQuestion& question, ui::Prompts& prompts, QWidget* parent = nullptr);
  // The language chosen at OK; nothing after Cancel or a close request.
  std::optional<int> answer() const { return answer_; }
  void accept() override;

 private:
  core::LanguageQuestion question_;
  ui::Prompts& prompts_;
  std::optional<int> answer_;
};

// Shown while an install runs: `work` starts `delay` after the dialog
// appears, and the dialog closes when it has ended.
class LoadingDialog : public UnclosableDialog {
  Q_OBJECT

 public:
  explicit LoadingDialog(QWidget* parent = nullptr);
};

// Shown while the device restarts: a filler thread counts the bar from 1 to
// 100, and the dialog closes when its time is up and the filler has ended,
// so `filled` has always run when the caller goes on.
class RestartDialog : public UnclosableDialog {
  Q_OBJECT

 public:
  using enum forms::restart::Id;
  RestartDialog(const core::RestartWait& wait, QWidget* parent = nullptr);
  ~RestartDialog() override;
  int exec() override;

 private:
  void Fill();
  void ShowFiller();
  void CloseWhenBothEnded();

  core::RestartWait wait_;
  QPointer<QProgressBar> bar_;
  std::thread filler_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::atomic<int> stepsMade_{0};
  std::atomic<bool> fillerDone_{false};
  bool timeUp_ = false;
  bool fillerEnded_ = false;
};

}  // namespace kfw::gui
