#pragma once
// A list in report style: columns of fixed pixel widths, one selected row at
// most, whole rows selected, the selection kept visible without the focus.
// Cells keep the exact bytes they were given, so reading a row back gives the
// text that was put in, whatever the display made of it.

#include <QTreeWidget>
#include <string>
#include <utility>
#include <vector>

namespace kfw::ui {

class ReportView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit ReportView(QWidget* parent = nullptr);

  struct Column {
    QString title;
    int width;  // pixels
  };
  void SetColumns(const std::vector<Column>& columns);

  // Appends a row; cells are 8-bit texts of the system's character set.
  void AddRow(const std::vector<std::string>& cells);
  // A cell's text as it was given; "" for a missing row or column.
  static std::string CellText(const QTreeWidgetItem* row, int column);
  // The selected row, or nullptr.
  QTreeWidgetItem* SelectedRow() const;

 signals:
  // A left-button click anywhere in the list, rows and empty space alike,
  // after the click has updated the selection.
  void mouseClicked();
  // A key moved the selection to another row. While a held key repeats,
  // this waits for the row where it stops.
  void keyboardSelected();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  bool pressed_ = false;
  bool doubleClick_ = false;
  bool keyMovePending_ = false;
};

}  // namespace kfw::ui
