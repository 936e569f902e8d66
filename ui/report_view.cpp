#include "ui/report_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kfw::ui {
namespace {
// Where a cell keeps the bytes it was given.
constexpr int kBytesRole = Qt::UserRole + 1;
}  // namespace

ReportView::ReportView(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ReportView::SetColumns(const std::vector<Column>& columns) {
  QStringList titles;
  for (const Column& column : columns) titles << column.title;
  setColumnCount(static_cast<int>(columns.size()));
  setHeaderLabels(titles);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    header()->setSectionResizeMode(static_cast<int>(i), QHeaderView::Interactive);
    setColumnWidth(static_cast<int>(i), columns[i].width);
  }
}

void ReportView::AddRow(const std::vector<std::string>& cells) {
  auto* row = new QTreeWidgetItem(this);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const int column = static_cast<int>(i);
    row->setText(column, QString::fromLocal8Bit(cells[i].data(), static_cast<qsizetype>(cells[i].size())));
    row->setData(column, kBytesRole, QByteArray(cells[i].data(), static_cast<qsizetype>(cells[i].size())));
  }
}

std::string ReportView::CellText(const QTreeWidgetItem* row, int column) {
  if (row == nullptr || column < 0 || column >= row->columnCount()) return {};
  const QByteArray bytes = row->data(column, kBytesRole).toByteArray();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QTreeWidgetItem* ReportView::SelectedRow() const {
  const QList<QTreeWidgetItem*> rows = selectedItems();
  return rows.isEmpty() ? nullptr : rows.front();
}

void ReportView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    // Every press starts a click of its own, whatever came before it.
    pressed_ = true;
    doubleClick_ = false;
    // A click below the rows leaves no row selected.
    if (itemAt(event->position().toPoint()) == nullptr) clearSelection();
  }
  QTreeWidget::mousePressEvent(event);
}

void ReportView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is not a click of its own. The flag is
  // set first: where the view treats the second press as a plain press (on
  // empty space, or on another row than the first), that press clears it
  // again and its release counts as a click.
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    doubleClick_ = true;
  }
  QTreeWidget::mouseDoubleClickEvent(event);
}

void ReportView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !pressed_) return;
  const bool click = !doubleClick_;
  pressed_ = false;
  doubleClick_ = false;
  if (click) emit mouseClicked();
}

void ReportView::keyPressEvent(QKeyEvent* event) {
  const QTreeWidgetItem* before = SelectedRow();
  QTreeWidget::keyPressEvent(event);
  const QTreeWidgetItem* after = SelectedRow();
  if (after == nullptr || after == before) return;
  // Each row passed while a key repeats would otherwise ask its device.
  if (event->isAutoRepeat()) {
    keyMovePending_ = true;
  } else {
    keyMovePending_ = false;
    emit keyboardSelected();
  }
}

void ReportView::keyReleaseEvent(QKeyEvent* event) {
  QTreeWidget::keyReleaseEvent(event);
  if (event->isAutoRepeat() || !keyMovePending_) return;
  keyMovePending_ = false;
  if (SelectedRow() != nullptr) emit keyboardSelected();
}

}  // namespace kfw::ui
