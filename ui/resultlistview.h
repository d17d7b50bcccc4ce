#pragma once

#include <QAbstractItemView>

// A one-column list of rows of equal height that keeps nothing per row: a
// row's place follows from its number, so a list of hundreds of thousands of
// words costs no more memory than a list of ten. Scrolls a row at a time;
// every row is as wide as the first.
class ResultListView : public QAbstractItemView {
  Q_OBJECT

 public:
  explicit ResultListView(QWidget* parent = nullptr);

  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;

 protected:
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex& index) const override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void paintEvent(QPaintEvent* event) override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
  void reset() override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  int rowCount() const;
  // The first row's size, which every row takes.
  QSize rowSize() const;
  // Rows that fit whole in the viewport, at least one.
  int rowsPerPage() const;
  int firstRow() const;  // the top row shown
  // The rectangle of a row, in viewport coordinates (may lie outside it).
  QRect rowRect(int row) const;
  // Recomputes the row size and the scroll bars, later when the rows change.
  void relayout();

  mutable QSize rowSize_;  // cached; empty until measured
};
