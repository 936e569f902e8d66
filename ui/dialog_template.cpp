#include "ui/dialog_template.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <cmath>

#include "ui/address_field.h"
#include "ui/group_frame.h"
#include "ui/report_view.h"

namespace kfw::ui {

using forms::ControlEntry;
using forms::ControlKind;
namespace style = forms::style;

namespace {

// a * b / c rounded to the nearest integer, halves away from zero: the
// rounding dialog-unit conversions use.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

constexpr const char* kSortedProperty = "kfwSorted";
// The size of the icon a dialog shows.
constexpr int kIconSize = 32;

QWidget* CreateControl(QWidget& dialog, const ControlEntry& entry) {
  const QString text = QString::fromStdString(entry.text);
  switch (entry.kind) {
    case ControlKind::Label: {
      auto* label = new QLabel(text, &dialog);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::GroupBox: {
      return new GroupFrame(text, &dialog);
    }
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
      auto* button = new QPushButton(text, &dialog);
      if (entry.kind == ControlKind::DefaultButton) button->setDefault(true);
      return button;
    }
    case ControlKind::RadioButton:
      return new QRadioButton(text, &dialog);
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(&dialog);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(text, &dialog);
      if (entry.style & style::kPassword) edit->setEchoMode(QLineEdit::Password);
      return edit;
    }
    case ControlKind::DropDownList: {
      auto* list = new QComboBox(&dialog);
      list->setEditable(false);
      list->setProperty(kSortedProperty, (entry.style & style::kSorted) != 0);
      return list;
    }
    case ControlKind::ReportView:
      return new ReportView(&dialog);
    case ControlKind::AddressField:
      return new AddressField(&dialog);
    case ControlKind::Icon: {
      auto* icon = new QLabel(&dialog);
      icon->setPixmap(QPixmap(text).scaled(kIconSize, kIconSize, Qt::KeepAspectRatio,
                                           Qt::SmoothTransformation));
      icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return icon;
    }
  }
  return nullptr;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width of the 52 Latin letters, rounded to the nearest pixel.
  const int extent =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = (extent / 26 + 1) / 2;
  baseY_ = metrics.height();
}

int DialogUnits::X(int units) const { return MulDiv(units, baseX_, 4); }
int DialogUnits::Y(int units) const { return MulDiv(units, baseY_, 8); }

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

QFont DialogFont(const std::string& face, int pointSize) {
  QFont font(QString::fromStdString(face));
  font.setStyleHint(QFont::SansSerif);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize * dpi / 72.0))));
  return font;
}

QString ControlName(int id) { return QStringLiteral("id%1").arg(id); }

DialogUnits BuildDialog(QWidget& dialog, const forms::DialogLayout& layout) {
  dialog.setWindowTitle(QString::fromStdString(layout.caption));
  dialog.setFont(DialogFont(layout.fontFace, layout.pointSize));
  const DialogUnits units(dialog.font());
  dialog.setFixedSize(units.X(layout.width), units.Y(layout.height));

  QWidget* previous = nullptr;
  for (const ControlEntry& c : layout.controls) {
    QWidget* control = CreateControl(dialog, c);
    control->setObjectName(ControlName(c.id));
    QRect rect = units.ToPixels(c.x, c.y, c.width, c.height);
    if (c.kind == ControlKind::DropDownList) {
      // The height given is that of the open list; closed, the control is
      // as tall as its text needs.
      rect.setHeight(std::min(rect.height(), control->sizeHint().height()));
    } else if (c.kind == ControlKind::Icon) {
      rect.setSize(QSize(kIconSize, kIconSize));
    } else if (c.kind == ControlKind::Label) {
      // The dialogs were laid out for a face whose widths ours only nearly
      // matches: a text a few pixels too long may use the room up to the
      // dialog's edge rather than lose its last letters.
      const int room = units.X(layout.width) - rect.x() - units.X(2);
      rect.setWidth(std::max(rect.width(), std::min(control->sizeHint().width(), room)));
    }
    control->setGeometry(rect);
    if (!c.accessibleName.empty()) {
      if (auto* field = qobject_cast<AddressField*>(control)) {
        field->SetFieldName(QString::fromStdString(c.accessibleName));
      } else {
        control->setAccessibleName(QString::fromStdString(c.accessibleName));
      }
    }
    if (c.style & style::kDisabled) control->setEnabled(false);
    if (c.style & style::kHidden) control->setVisible(false);

    if (control->focusPolicy() & Qt::TabFocus) {
      if (previous != nullptr) QWidget::setTabOrder(previous, control);
      previous = control;
    }
  }
  return units;
}

int AddListItem(QComboBox& list, const QString& text) {
  int index = list.count();
  if (list.property(kSortedProperty).toBool()) {
    index = 0;
    while (index < list.count() &&
           QString::compare(list.itemText(index), text, Qt::CaseInsensitive) <= 0) {
      ++index;
    }
  }
  list.insertItem(index, text);
  return index;
}

}  // namespace kfw::ui
