#include "ui/address_field.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QValidator>

namespace kfw::ui {
namespace {

// An octet takes up to three digits and never a value above 255: a key that
// would make it larger is refused.
class OctetValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    if (input.isEmpty()) return Acceptable;
    if (input.size() > 3) return Invalid;
    for (const QChar c : input) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
    }
    return input.toInt() <= 255 ? Acceptable : Invalid;
  }
};

bool IsOctetText(const QString& part) {
  if (part.isEmpty() || part.size() > 3) return false;
  for (const QChar c : part) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  return part.toInt() <= 255;
}

}  // namespace

AddressField::AddressField(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_Hover);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(3, 1, 3, 1);
  layout->setSpacing(0);

  // The edits are drawn on the field's own panel, which turns grey as a
  // whole when the field is disabled.
  QPalette clear;
  clear.setColor(QPalette::Base, Qt::transparent);
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    auto* edit = new QLineEdit(this);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaxLength(3);
    edit->setValidator(new OctetValidator(edit));
    edit->setPalette(clear);
    edit->setObjectName(QStringLiteral("octet%1").arg(i));
    edit->setMinimumWidth(8);
    edit->installEventFilter(this);
    // One Tab stop for the field: only the first octet takes the focus from
    // the keyboard's Tab; the others are reached with '.', the arrows or a
    // click.
    edit->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
    edits_[i] = edit;
    layout->addWidget(edit, 1);
    if (i < dots_.size()) {
      auto* dot = new QLabel(QStringLiteral("."), this);
      dot->setForegroundRole(QPalette::Text);
      dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
      dots_[i] = dot;
      layout->addWidget(dot, 0);
    }
    // Three digits complete an octet: typing goes on in the next one.
    connect(edit, &QLineEdit::textEdited, this, [this, i, edit](const QString& text) {
      if (i + 1 < edits_.size() && text.size() == 3 && edit->cursorPosition() == 3) {
        FocusOctet(static_cast<int>(i + 1));
      }
    });
  }
  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(edits_[0]);
}

core::FieldOctets AddressField::Octets() const {
  core::FieldOctets field;
  field.blank = IsBlank();
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    field.octets[i] = edits_[i]->text().isEmpty() ? 0 : edits_[i]->text().toInt();
  }
  return field;
}

bool AddressField::IsBlank() const {
  for (const QLineEdit* edit : edits_) {
    if (!edit->text().isEmpty()) return false;
  }
  return true;
}

bool AddressField::IsOctetBlank(int octet) const { return OctetEdit(octet)->text().isEmpty(); }

QString AddressField::OctetText(int octet) const { return OctetEdit(octet)->text(); }

void AddressField::SetText(const QString& dotted) {
  const QStringList parts = dotted.trimmed().split(QLatin1Char('.'));
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    const QString part = i < static_cast<std::size_t>(parts.size()) ? parts[static_cast<int>(i)] : QString();
    edits_[i]->setText(IsOctetText(part) ? QString::number(part.toInt()) : QString());
  }
}

QString AddressField::Text() const {
  if (IsBlank()) return {};
  const core::FieldOctets field = Octets();
  return QStringLiteral("%1.%2.%3.%4")
      .arg(field.octets[0])
      .arg(field.octets[1])
      .arg(field.octets[2])
      .arg(field.octets[3]);
}

void AddressField::Clear() {
  for (QLineEdit* edit : edits_) edit->clear();
}

void AddressField::FocusOctet(int octet) {
  QLineEdit* edit = OctetEdit(octet);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

void AddressField::SetFieldName(const QString& name) {
  setAccessibleName(name);
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    edits_[i]->setAccessibleName(QStringLiteral("%1 octet %2").arg(name).arg(i + 1));
  }
}

int AddressField::IndexOf(const QObject* edit) const {
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    if (edits_[i] == edit) return static_cast<int>(i);
  }
  return -1;
}

bool AddressField::HasOctetFocus() const {
  for (const QLineEdit* edit : edits_) {
    if (edit->hasFocus()) return true;
  }
  return false;
}

bool AddressField::eventFilter(QObject* watched, QEvent* event) {
  const int index = IndexOf(watched);
  if (index < 0) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    update();  // the panel shows the focus of the field as a whole
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;

  const auto* key = static_cast<QKeyEvent*>(event);
  QLineEdit* edit = edits_[static_cast<std::size_t>(index)];
  const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
  const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();
  switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
      // The separator the user types closes the octet and moves on; in an
      // empty octet (just reached by typing three digits) it is dropped, so
      // a whole address can be typed as it is written.
      if (index < 3 && !edit->text().isEmpty()) FocusOctet(index + 1);
      return true;
    case Qt::Key_Left:
    case Qt::Key_Backspace:
      if (atStart && index > 0) {
        QLineEdit* previous = edits_[static_cast<std::size_t>(index - 1)];
        previous->setFocus(Qt::OtherFocusReason);
        previous->setCursorPosition(static_cast<int>(previous->text().size()));
        return true;
      }
      return false;
    case Qt::Key_Right:
      if (atEnd && index < 3) {
        QLineEdit* next = edits_[static_cast<std::size_t>(index + 1)];
        next->setFocus(Qt::OtherFocusReason);
        next->setCursorPosition(0);
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool AddressField::focusNextPrevChild(bool next) {
  // Walk the window's focus chain from the field's ends, passing over the
  // field's own octets, to the next control that takes the Tab.
  QWidget* start = next ? static_cast<QWidget*>(edits_[3]) : static_cast<QWidget*>(this);
  QWidget* top = window();
  for (QWidget* w = next ? start->nextInFocusChain() : start->previousInFocusChain(); w && w != start;
       w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
    if (w == this || isAncestorOf(w) || w->window() != top) continue;
    if (!w->isEnabled() || !w->isVisibleTo(top) || !(w->focusPolicy() & Qt::TabFocus)) continue;
    w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
  }
  return QWidget::focusNextPrevChild(next);
}

void AddressField::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionFrame panel;
  panel.initFrom(this);
  panel.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, this);
  panel.midLineWidth = 0;
  panel.state |= QStyle::State_Sunken;
  if (HasOctetFocus()) panel.state |= QStyle::State_HasFocus;
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
}

}  // namespace kfw::ui
