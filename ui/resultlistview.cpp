#include "resultlistview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

ResultListView::ResultListView(QWidget* parent) : QAbstractItemView(parent) {
  setVerticalScrollMode(ScrollPerItem);
  setHorizontalScrollMode(ScrollPerPixel);
  setSelectionBehavior(SelectRows);
}

int ResultListView::rowCount() const {
  return model() ? model()->rowCount(rootIndex()) : 0;
}

QSize ResultListView::rowSize() const {
  if (rowSize_.isEmpty()) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = rowCount() > 0 ? model()->index(0, 0, rootIndex()) : QModelIndex();
    QSize size = first.isValid() ? itemDelegateForIndex(first)->sizeHint(option, first) : QSize();
    // An empty list still scrolls and pages by the height of a line.
    if (size.height() <= 0) size.setHeight(fontMetrics().height());
    size.setWidth(std::max(size.width(), 0));
    rowSize_ = size;
  }
  return rowSize_;
}

int ResultListView::rowsPerPage() const {
  return std::max(1, viewport()->height() / rowSize().height());
}

int ResultListView::firstRow() const {
  return verticalScrollBar()->value();
}

QRect ResultListView::rowRect(int row) const {
  const QSize size = rowSize();
  const long long top = static_cast<long long>(row - firstRow()) * size.height();
  const int y = static_cast<int>(std::clamp<long long>(top, INT_MIN / 2, INT_MAX / 2));
  return QRect(-horizontalOffset(), y, std::max(size.width(), viewport()->width()), size.height());
}

QRect ResultListView::visualRect(const QModelIndex& index) const {
  if (!index.isValid() || index.parent() != rootIndex() || index.column() != 0) return QRect();
  return rowRect(index.row());
}

void ResultListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid() || index.parent() != rootIndex()) return;
  const int row = index.row();
  const int page = rowsPerPage();
  const int first = firstRow();
  int top = first;
  switch (hint) {
    case PositionAtTop: top = row; break;
    case PositionAtBottom: top = row - page + 1; break;
    case PositionAtCenter: top = row - page / 2; break;
    case EnsureVisible:
      if (row < first)
        top = row;
      else if (row >= first + page)
        top = row - page + 1;
      break;
  }
  verticalScrollBar()->setValue(top);
}

QModelIndex ResultListView::indexAt(const QPoint& point) const {
  if (point.y() < 0 || !model()) return QModelIndex();
  const long long row = static_cast<long long>(firstRow()) + point.y() / rowSize().height();
  if (row >= rowCount()) return QModelIndex();
  return model()->index(static_cast<int>(row), 0, rootIndex());
}

QModelIndex ResultListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
  const int rows = rowCount();
  if (rows == 0) return QModelIndex();
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return model()->index(0, 0, rootIndex());
  const int row = current.row();
  // A page moves by one row less than the viewport holds, so the row last
  // seen stays in sight.
  const int page = std::max(1, rowsPerPage() - 1);
  int target = row;
  switch (cursorAction) {
    case MoveUp:
    case MovePrevious: target = row - 1; break;
    case MoveDown:
    case MoveNext: target = row + 1; break;
    case MovePageUp: target = row - page; break;
    case MovePageDown: target = row + page; break;
    case MoveHome: target = 0; break;
    case MoveEnd: target = rows - 1; break;
    case MoveLeft:
    case MoveRight: break;
  }
  return model()->index(std::clamp(target, 0, rows - 1), 0, rootIndex());
}

int ResultListView::horizontalOffset() const {
  return horizontalScrollBar()->value();
}

int ResultListView::verticalOffset() const {
  const long long offset = static_cast<long long>(firstRow()) * rowSize().height();
  return static_cast<int>(std::min<long long>(offset, INT_MAX));
}

bool ResultListView::isIndexHidden(const QModelIndex&) const {
  return false;
}

void ResultListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
  const int rows = rowCount();
  if (rows == 0 || !selectionModel()) return;
  const QRect area = rect.normalized();
  const int height = rowSize().height();
  const long long first = firstRow();
  const int top = static_cast<int>(std::clamp<long long>(first + area.top() / height, 0, rows - 1));
  const int bottom = static_cast<int>(std::clamp<long long>(first + area.bottom() / height, 0, rows - 1));
  if (area.top() >= static_cast<long long>(rows - first) * height) {
    selectionModel()->select(QItemSelection(), command);
    return;
  }
  const QItemSelection selection(model()->index(top, 0, rootIndex()), model()->index(bottom, 0, rootIndex()));
  selectionModel()->select(selection, command);
}

QRegion ResultListView::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  const int first = firstRow();
  const int last = first + rowsPerPage();
  for (const QItemSelectionRange& range : selection) {
    if (range.parent() != rootIndex() || range.left() > 0) continue;
    const int top = std::max(range.top(), first);
    const int bottom = std::min(range.bottom(), last);
    if (top > bottom) continue;
    region += rowRect(top).united(rowRect(bottom));
  }
  return region;
}

void ResultListView::updateGeometries() {
  rowSize_ = QSize();
  const QSize size = rowSize();
  const int rows = rowCount();
  const int page = rowsPerPage();
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(page);
  verticalScrollBar()->setRange(0, std::max(0, rows - page));
  const int width = rows > 0 ? size.width() : 0;
  horizontalScrollBar()->setSingleStep(std::max(1, size.height()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  QAbstractItemView::updateGeometries();
}

void ResultListView::paintEvent(QPaintEvent* event) {
  const int rows = rowCount();
  if (rows == 0) return;
  QPainter painter(viewport());
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const int height = rowSize().height();
  const QRect area = event->rect();
  const int first = firstRow();
  const int from = first + std::max(0, area.top()) / height;
  const int to = std::min<long long>(rows - 1, static_cast<long long>(first) + area.bottom() / height);
  const QModelIndex current = currentIndex();
  const bool focused = hasFocus();
  const QItemSelectionModel* selection = selectionModel();
  for (int row = from; row <= to; ++row) {
    const QModelIndex index = model()->index(row, 0, rootIndex());
    QStyleOptionViewItem item = option;
    item.rect = rowRect(row);
    if (selection && selection->isSelected(index)) item.state |= QStyle::State_Selected;
    if (focused && index == current) item.state |= QStyle::State_HasFocus;
    itemDelegateForIndex(index)->paint(&painter, item, index);
  }
}

void ResultListView::relayout() {
  updateGeometries();
  viewport()->update();
}

void ResultListView::rowsInserted(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsInserted(parent, start, end);
  relayout();
}

void ResultListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
  QMetaObject::invokeMethod(this, &ResultListView::relayout, Qt::QueuedConnection);
}

void ResultListView::reset() {
  QAbstractItemView::reset();
  verticalScrollBar()->setValue(0);
  relayout();
}

void ResultListView::scrollContentsBy(int dx, int dy) {
  // Rows are repainted from their numbers; nothing is moved by pixels.
  Q_UNUSED(dx);
  Q_UNUSED(dy);
  viewport()->update();
}
