#pragma once
// The Widget command's two questions: the widget engine notice, and the
// model choice for a device whose model the program does not know.

#include <QDialog>

#include <optional>

#include "core/interaction.h"
#include "ui/dialog_template.h"

namespace kfw::gui {

class WidgetEngineDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kDownload = 1, kNext = 2 };
  explicit WidgetEngineDialog(QWidget* parent = nullptr);
  static ui::DialogLayout Template();
  void done(int result) override;
  // Set when the dialog closes: "Download", or "Next" (also Esc).
  core::WidgetEngineAnswer answer() const { return answer_; }

 private:
  core::WidgetEngineAnswer answer_ = core::WidgetEngineAnswer::Next;
};

class ModelPickDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kOk = 1, kCancel = 2, kKvr210 = 1028, kKvr220 = 1029, kKvr400 = 1030 };
  explicit ModelPickDialog(QWidget* parent = nullptr);
  static ui::DialogLayout Template();
  void done(int result) override;
  // Set when the dialog closes: the checked model at OK; nothing for
  // Cancel, Esc or no model checked.
  std::optional<core::WidgetModel> answer() const { return answer_; }

 private:
  std::optional<core::WidgetModel> answer_;
};

}  // namespace kfw::gui
