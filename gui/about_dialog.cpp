#include "gui/about_dialog.h"

#include <QPushButton>

#include "gui/app_resources.h"
#include "ui/dialog_template.h"

namespace kfw::gui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui::BuildDialog(*this, forms::AboutForm(AppIconPath().toStdString()));
  setWindowIcon(AppIcon());
  connect(ui::Control<QPushButton>(*this, kOk), &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kfw::gui
