#pragma once
// The IPv4 address field: four octet edits of 0 to 255 in one framed control.
// It is one control to the rest of the program: one Tab stop, enabled and
// disabled as a whole, read as four octets with blank detection.

#include <QWidget>
#include <QString>
#include <array>
#include <string>

#include "core/address_validation.h"

class QLineEdit;
class QLabel;

namespace kfw::ui {

class AddressField : public QWidget {
  Q_OBJECT

 public:
  explicit AddressField(QWidget* parent = nullptr);

  // The four octets as the validation reads them: a blank octet of a field
  // that is not blank reads as 0; the field is blank when all four are.
  core::FieldOctets Octets() const;
  bool IsBlank() const;
  bool IsOctetBlank(int octet) const;
  QString OctetText(int octet) const;

  // Shows a dotted text; parts beyond the fourth are ignored, a part that is
  // not a number up to 255 leaves its octet blank.
  void SetText(const QString& dotted);
  // "a.b.c.d" of the octets as shown ("" when the field is blank).
  QString Text() const;
  void Clear();

  // Puts the focus on one octet (0 is the leftmost) and selects its text.
  void FocusOctet(int octet);

  // The name assistive technology announces; each octet is announced as
  // "<name> octet <n>".
  void SetFieldName(const QString& name);

  QLineEdit* OctetEdit(int octet) const { return edits_.at(static_cast<std::size_t>(octet)); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Tab leaves the whole field, from whichever octet has the focus.
  bool focusNextPrevChild(bool next) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int IndexOf(const QObject* edit) const;
  bool HasOctetFocus() const;

  std::array<QLineEdit*, 4> edits_{};
  std::array<QLabel*, 3> dots_{};
};

}  // namespace kfw::ui
