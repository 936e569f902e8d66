#include "gui/widget_dialogs.h"

#include <QPushButton>
#include <QRadioButton>

#include "ui/dialog_template.h"

namespace kfw::gui {

namespace {

// A caption and a modal frame, no system menu.
void PlainDialog(QDialog& dialog, const forms::DialogLayout& layout, int ok, int cancel) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  ui::BuildDialog(dialog, layout);
  QObject::connect(ui::Control<QPushButton>(dialog, ok), &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(ui::Control<QPushButton>(dialog, cancel), &QPushButton::clicked, &dialog,
                   &QDialog::reject);
}

}  // namespace

WidgetEngineDialog::WidgetEngineDialog(QWidget* parent) : QDialog(parent) {
  PlainDialog(*this, forms::WidgetEngineForm(), kDownload, kNext);
}

void WidgetEngineDialog::done(int result) {
  answer_ = result == QDialog::Accepted ? core::WidgetEngineAnswer::Download : core::WidgetEngineAnswer::Next;
  QDialog::done(result);
}

ModelPickDialog::ModelPickDialog(QWidget* parent) : QDialog(parent) {
  PlainDialog(*this, forms::ModelPickForm(), kOk, kCancel);
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
