#include "gui/widget_dialogs.h"

#include <QPushButton>
#include <QRadioButton>

namespace kfw::gui {

using ui::ControlKind;

namespace {

// A caption and a modal frame, no system menu.
void PlainDialog(QDialog& dialog, const ui::DialogLayout& layout, int ok, int cancel) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  ui::BuildDialog(dialog, layout);
  QObject::connect(ui::Control<QPushButton>(dialog, ok), &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(ui::Control<QPushButton>(dialog, cancel), &QPushButton::clicked, &dialog,
                   &QDialog::reject);
}

}  // namespace

WidgetEngineDialog::WidgetEngineDialog(QWidget* parent) : QDialog(parent) {
  PlainDialog(*this, Template(), kDownload, kNext);
}

ui::DialogLayout WidgetEngineDialog::Template() {
  return ui::DialogLayout{
      231, "", "Arial", 8, 350, 111,
      {
          {ControlKind::DefaultButton, kDownload, "Download", 235, 90, 50, 14},
          {ControlKind::Button, kNext, "Next", 293, 90, 50, 14},
          {ControlKind::Label, ui::kNoId, "You need to first download and install YAHOO! Widgets Engine.", 21, 14,
           206, 8},
          {ControlKind::Label, ui::kNoId,
           "If you wish to download and install YAHOO! Widgets Engine, please click on the \"Download\" button.",
           21, 34, 321, 8},
          {ControlKind::Label, ui::kNoId,
           "If you have already installed YAHOO! Widgets Engine, please click on the \"Next\" button to", 21, 54,
           287, 8},
          {ControlKind::Label, ui::kNoId, " proceed to the next step.", 21, 74, 84, 8},
      }};
}

void WidgetEngineDialog::done(int result) {
  answer_ = result == QDialog::Accepted ? core::WidgetEngineAnswer::Download : core::WidgetEngineAnswer::Next;
  QDialog::done(result);
}

ModelPickDialog::ModelPickDialog(QWidget* parent) : QDialog(parent) {
  PlainDialog(*this, Template(), kOk, kCancel);
}

ui::DialogLayout ModelPickDialog::Template() {
  return ui::DialogLayout{232, "", "Arial", 8, 163, 113,
                          {
                              {ControlKind::DefaultButton, kOk, "OK", 20, 92, 50, 14},
                              {ControlKind::Button, kCancel, "Cancel", 95, 92, 50, 14},
                              {ControlKind::RadioButton, kKvr210, "KVR-210", 21, 39, 45, 10},
                              {ControlKind::RadioButton, kKvr220, "KVR-220", 21, 54, 45, 10},
                              {ControlKind::RadioButton, kKvr400, "KVR-400", 21, 69, 45, 10},
                              {ControlKind::Label, ui::kNoId, "The model type cannot be recognized.", 20, 11, 127, 8},
                              {ControlKind::Label, ui::kNoId, "Please select:", 20, 22, 72, 8},
                          }};
}

void ModelPickDialog::done(int result) {
  answer_.reset();
  if (result == QDialog::Accepted) {
    const std::pair<int, core::WidgetModel> models[] = {
        {kKvr210, core::WidgetModel::Kvr210}, {kKvr220, core::WidgetModel::Kvr220}, {kKvr400, core::WidgetModel::Kvr400}};
    for (const auto& [id, model] : models) {
      if (ui::Control<QRadioButton>(*this, id)->isChecked()) answer_ = model;
    }
  }
  QDialog::done(result);
}

}  // namespace kfw::gui
