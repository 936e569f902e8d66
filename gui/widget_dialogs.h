#pragma once
// The Widget command's two questions: the widget engine notice, and the
// model choice for a device whose model the program does not know.

#include <QDialog>

#include "ui/dialog_template.h"

namespace kfw::gui {

// Written when WidgetEngineDialog closes: 1 "Download", 0 "Next" (also Esc).
extern int widgetEngineAnswer;
// Written when ModelPickDialog closes: the checked model's index (0, 1, 2),
// or -1 for Cancel, Esc or no model checked.
extern int modelPickAnswer;

class WidgetEngineDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kDownload = 1, kNext = 2 };
  explicit WidgetEngineDialog(QWidget* parent = nullptr);
  static ui::DialogLayout Template();
  void done(int result) override;
};

class ModelPickDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { kOk = 1, kCancel = 2, kKvr210 = 1028, kKvr220 = 1029, kKvr400 = 1030 };
  explicit ModelPickDialog(QWidget* parent = nullptr);
  static ui::DialogLayout Template();
  void done(int result) override;
};

}  // namespace kfw::gui
