#include "gui/addon_dialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include "core/addon_install.h"
#include "ui/dialog_template.h"

namespace kfw::gui {
namespace {

void CaptionOnly(QDialog& dialog) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

}  // namespace

void UnclosableDialog::keyPressEvent(QKeyEvent* event) {
  // QDialog would press the default button on Enter and reject on Escape.
  event->accept();
}

// Only Finish, which hides the dialog without a close request, ends it.
void UnclosableDialog::closeEvent(QCloseEvent* event) { event->ignore(); }

LanguageDialog::LanguageDialog(const core::LanguageQuestion& question, ui::Prompts& prompts, QWidget* parent)
    : QDialog(parent), question_(question), prompts_(prompts) {
  CaptionOnly(*this);
  ui::BuildDialog(*this, forms::LanguageForm());
  auto* list = ui::Control<QComboBox>(*this, kLanguageList);
  for (int i = 0; i < core::kLanguageCount; ++i) list->addItem(QString::fromUtf8(core::LanguageText(i)));
  list->setCurrentIndex(question.preselected);
  connect(list, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (auto refusal = core::LanguageRefusal(index, question_.allCodepages)) prompts_.Message(*refusal);
  });
  connect(ui::Control<QPushButton>(*this, kOk), &QPushButton::clicked, this, &QDialog::accept);
  connect(ui::Control<QPushButton>(*this, kCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void LanguageDialog::accept() {
  const int index = ui::Control<QComboBox>(*this, kLanguageList)->currentIndex();
  if (index < 0) return;
  if (auto refusal = core::LanguageRefusal(index, question_.allCodepages)) {
    prompts_.Message(*refusal);
    return;
  }
  answer_ = index;
  QDialog::accept();
}

LoadingDialog::LoadingDialog(QWidget* parent) : UnclosableDialog(parent) {
  CaptionOnly(*this);
  ui::BuildDialog(*this, forms::LoadingForm());
}

RestartDialog::RestartDialog(const core::RestartWait& wait, QWidget* parent)
    : UnclosableDialog(parent), wait_(wait) {
  CaptionOnly(*this);
  ui::BuildDialog(*this, forms::RestartForm());
  bar_ = ui::Control<QProgressBar>(*this, kProgress);
  bar_->setRange(1, 100);
  bar_->setValue(1);
}

RestartDialog::~RestartDialog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (filler_.joinable()) filler_.join();
}

int RestartDialog::exec() {
  filler_ = std::thread([this] { Fill(); });
  // The filler never touches a widget: it counts its steps, and this timer
  // shows the count on the window's thread.
  auto* show = new QTimer(this);
  connect(show, &QTimer::timeout, this, &RestartDialog::ShowFiller);
  show->start(std::clamp(wait_.stepInterval, std::chrono::milliseconds{1}, std::chrono::milliseconds{100}));
  QTimer::singleShot(wait_.total, this, [this] {
    timeUp_ = true;
    CloseWhenBothEnded();
  });
  return UnclosableDialog::exec();
}

void RestartDialog::Fill() {
  for (int step = 0; step < wait_.steps; ++step) {
    stepsMade_.fetch_add(1, std::memory_order_release);
    std::unique_lock lock(mutex_);
    if (wake_.wait_for(lock, wait_.stepInterval, [this] { return stopping_; })) return;
  }
  fillerDone_.store(true, std::memory_order_release);
}

void RestartDialog::ShowFiller() {
  if (fillerEnded_) return;
  // Read "done" first: once it is set, every step has been counted.
  const bool done = fillerDone_.load(std::memory_order_acquire);
  bar_->setValue(1 + stepsMade_.load(std::memory_order_acquire));
  if (!done) return;
  // `filled` belongs to the command that waits: it runs on the window's
  // thread, as everything the command touches does.
  fillerEnded_ = true;
  if (wait_.filled) wait_.filled();
  CloseWhenBothEnded();
}

void RestartDialog::CloseWhenBothEnded() {
  if (timeUp_ && fillerEnded_) Finish();
}

}  // namespace kfw::gui
