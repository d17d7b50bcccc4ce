#include "diagramview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "liveview.h"

using wypelniak::Direction;
using wypelniak::GridEdit;

namespace {

const QColor kBlock(20, 20, 20);
const QColor kDeadSlot(255, 214, 214);
const QColor kCurrentSlot(90, 150, 255, 70);
const QColor kSelection(60, 170, 60, 70);
const QColor kCursor(255, 200, 0, 150);
const QColor kDeadCell(210, 0, 0);
const QColor kLine(60, 60, 60);

}  // namespace

DiagramView::DiagramView(GridEdit* edit, QWidget* parent) : QWidget(parent), edit_(edit) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QString DiagramView::rows() const {
  return QString::fromStdString(edit_->Text());
}

void DiagramView::setLiveView(const wypelniak::LiveView* view) {
  live_ = view;
  update();
}

qreal DiagramView::cellSide() const {
  const wypelniak::Grid& grid = edit_->GetGrid();
  const qreal side = std::min((width() - 2.0) / grid.Width(), (height() - 2.0) / grid.Height());
  return std::max<qreal>(side, 4.0);
}

QPointF DiagramView::origin() const {
  const wypelniak::Grid& grid = edit_->GetGrid();
  const qreal side = cellSide();
  return {(width() - side * grid.Width()) / 2, (height() - side * grid.Height()) / 2};
}

bool DiagramView::cellAt(const QPointF& point, int& row, int& column) const {
  const QPointF p = (point - origin()) / cellSide();
  if (p.x() < 0 || p.y() < 0) return false;
  row = static_cast<int>(p.y());
  column = static_cast<int>(p.x());
  return edit_->GetGrid().Contains(row, column);
}

void DiagramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const wypelniak::Grid& grid = edit_->GetGrid();
  std::vector<int> numbers(static_cast<std::size_t>(grid.CellCount()), 0);
  for (const wypelniak::Slot& slot : edit_->Slots())
    numbers[static_cast<std::size_t>(slot.cells.front())] = slot.number;
  const int current = edit_->CurrentSlot();
  for (int r = 0; r < grid.Height(); ++r)
    for (int c = 0; c < grid.Width(); ++c) paintCell(painter, r, c, numbers, current);
  // The outline over the cells' edges.
  const qreal side = cellSide();
  painter.setPen(QPen(kLine, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(origin(), QSizeF(side * grid.Width(), side * grid.Height())));
}

void DiagramView::paintCell(QPainter& painter, int row, int column, const std::vector<int>& numbers,
                            int currentSlot) const {
  const wypelniak::Grid& grid = edit_->GetGrid();
  const qreal side = cellSide();
  const QRectF rect(origin() + QPointF(column * side, row * side), QSizeF(side, side));
  const int cell = grid.Index(row, column);
  painter.setPen(QPen(kLine, 1));
  if (grid.IsBlock(cell)) {
    painter.setBrush(kBlock);
    painter.drawRect(rect);
  } else {
    const bool deadSlot =
        live_ &&
        ((edit_->SlotAt(cell, Direction::Across) >= 0 &&
          live_->Dead(edit_->SlotAt(cell, Direction::Across))) ||
         (edit_->SlotAt(cell, Direction::Down) >= 0 && live_->Dead(edit_->SlotAt(cell, Direction::Down))));
    painter.setBrush(deadSlot ? kDeadSlot : QColor(Qt::white));
    painter.drawRect(rect);
  }
  painter.setPen(Qt::NoPen);
  if (currentSlot >= 0) {
    const std::vector<int>& cells = edit_->Slots()[static_cast<std::size_t>(currentSlot)].cells;
    if (std::find(cells.begin(), cells.end(), cell) != cells.end()) painter.fillRect(rect, kCurrentSlot);
  }
  if (edit_->Selection().Contains(row, column)) painter.fillRect(rect, kSelection);
  if (row == edit_->Row() && column == edit_->Column())
    painter.fillRect(rect.adjusted(1, 1, -1, -1), kCursor);
  const bool deadCell = live_ && !grid.IsBlock(cell) && live_->DeadCell(cell);
  if (deadCell) {
    painter.setPen(QPen(kDeadCell, std::max<qreal>(2, side / 12)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(2, 2, -2, -2));
  }
  if (const int number = numbers[static_cast<std::size_t>(cell)]; number > 0) {
    QFont font = painter.font();
    font.setPixelSize(std::max(6, static_cast<int>(side * 0.26)));
    painter.setFont(font);
    painter.setPen(grid.IsBlock(cell) ? Qt::white : Qt::black);
    painter.drawText(rect.adjusted(side * 0.06, side * 0.02, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(number));
  }
  if (grid.HasLetter(cell)) {
    QFont font = painter.font();
    font.setPixelSize(std::max(7, static_cast<int>(side * 0.55)));
    painter.setFont(font);
    painter.setPen(deadCell ? kDeadCell : QColor(Qt::black));
    std::string text;
    wypelniak::AppendLetterUtf8(grid.At(cell), text, true);
    painter.drawText(rect.adjusted(0, side * 0.12, 0, 0), Qt::AlignCenter, QString::fromStdString(text));
  }
}

void DiagramView::keyPressEvent(QKeyEvent* event) {
  if (readOnly_) return QWidget::keyPressEvent(event);
  switch (event->key()) {
    case Qt::Key_Left: edit_->Arrow(0, -1); break;
    case Qt::Key_Right: edit_->Arrow(0, 1); break;
    case Qt::Key_Up: edit_->Arrow(-1, 0); break;
    case Qt::Key_Down: edit_->Arrow(1, 0); break;
    case Qt::Key_Backspace: edit_->Backspace(); break;
    case Qt::Key_Delete: edit_->Delete(); break;
    case Qt::Key_Space: edit_->ToggleDirection(); break;
    case Qt::Key_Period: edit_->ToggleBlock(); break;
    default: {
      const QString text = event->text();
      if (text.size() != 1 || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        return QWidget::keyPressEvent(event);
      }
      const wypelniak::LetterCode letter = wypelniak::LetterOfChar(text.at(0).unicode());
      if (letter == wypelniak::kNoLetter) return QWidget::keyPressEvent(event);
      edit_->Type(letter);
    }
  }
  edit_->Select({});
  update();
  emit edited();
}

void DiagramView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  int row = 0, column = 0;
  if (readOnly_ || !cellAt(event->position(), row, column)) return;
  if (event->button() == Qt::RightButton) {
    edit_->MoveTo(row, column);
    edit_->ToggleBlock();
    update();
    emit edited();
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  pressRow_ = row;
  pressColumn_ = column;
  dragging_ = false;
}

void DiagramView::mouseMoveEvent(QMouseEvent* event) {
  int row = 0, column = 0;
  if (pressRow_ < 0 || !cellAt(event->position(), row, column)) return;
  if (!dragging_ && row == pressRow_ && column == pressColumn_) return;
  dragging_ = true;
  edit_->Select({std::min(row, pressRow_), std::min(column, pressColumn_), std::max(row, pressRow_),
                 std::max(column, pressColumn_)});
  update();
}

void DiagramView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pressRow_ < 0) return;
  if (!dragging_) {
    edit_->Select({});
    edit_->Click(pressRow_, pressColumn_);
  }
  pressRow_ = pressColumn_ = -1;
  update();
  emit edited();
}
