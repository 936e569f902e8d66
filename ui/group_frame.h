#pragma once
// A group box as dialogs draw it: an etched frame with its title set into
// the top line. It only frames other controls, which are its siblings, and
// never takes the focus.

#include <QString>
#include <QWidget>

namespace kfw::ui {

class GroupFrame : public QWidget {
  Q_OBJECT

 public:
  explicit GroupFrame(const QString& title, QWidget* parent = nullptr);
  const QString& title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString title_;
};

}  // namespace kfw::ui
