#pragma once
// The Widget command's two questions: the widget engine notice, and the
// model choice for a device whose model the program does not know.

#include <QDialog>

#include <optional>

#include "core/interaction.h"
#include "forms/widget_forms.h"

namespace kfw::gui {

class WidgetEngineDialog : public QDialog {
  Q_OBJECT

 public:
  using enum forms::widget_engine::Id;
  explicit WidgetEngineDialog(QWidget* parent = nullptr);
  void done(int result) override;
  // Set when the dialog closes: "Download", or "Next" (also Esc).
  core::WidgetEngineAnswer answer() const { return answer_; }

 private:
  core::WidgetEngineAnswer answer_ = core::WidgetEngineAnswer::Next;
};

class ModelPickDialog : public QDialog {
  Q_OBJECT

 public:
  using enum forms::model_pick::Id;
  explicit ModelPickDialog(QWidget* parent = nullptr);
  void done(int result) override;
  // Set when the dialog closes: the checked model at OK; nothing for
  // Cancel, Esc or no model checked.
  std::optional<core::WidgetModel> answer() const { return answer_; }

 private:
  std::optional<core::WidgetModel> answer_;
};

}  // namespace kfw::gui
