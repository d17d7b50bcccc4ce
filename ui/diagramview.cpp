#include "diagramview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVector>

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

// The cells' backgrounds first, then the lines between them, then the texts:
// each text laid out once for a cell size and kept (drawing a laid-out text is
// a copy of its glyphs), so a repaint of a whole 15x15 grid stays well under
// a millisecond.
void DiagramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const wypelniak::Grid& grid = edit_->GetGrid();
  const qreal side = cellSide();
  const QPointF corner = origin();
  const QRectF whole(corner, QSizeF(side * grid.Width(), side * grid.Height()));
  for (int r = 0; r < grid.Height(); ++r)
    for (int c = 0; c < grid.Width(); ++c) paintCellBackground(painter, r, c);
  paintCurrentSlot(painter);

  painter.setRenderHint(QPainter::Antialiasing);
  QVector<QLineF> lines;
  for (int r = 1; r < grid.Height(); ++r)
    lines.append(QLineF(whole.left(), corner.y() + r * side, whole.right(), corner.y() + r * side));
  for (int c = 1; c < grid.Width(); ++c)
    lines.append(QLineF(corner.x() + c * side, whole.top(), corner.x() + c * side, whole.bottom()));
  painter.setPen(QPen(kLine, 1));
  painter.drawLines(lines);
  if (live_) {
    painter.setPen(QPen(kDeadCell, std::max<qreal>(2, side / 12)));
    painter.setBrush(Qt::NoBrush);
    for (int cell = 0; cell < grid.CellCount(); ++cell)
      if (!grid.IsBlock(cell) && live_->DeadCell(cell)) painter.drawRect(cellRect(cell).adjusted(2, 2, -2, -2));
  }
  // The outline over the cells' edges.
  painter.setPen(QPen(kLine, 2));
  painter.drawRect(whole);
  paintTexts(painter);
}

QRectF DiagramView::cellRect(int cell) const {
  const wypelniak::Grid& grid = edit_->GetGrid();
  const qreal side = cellSide();
  const int row = cell / grid.Width(), column = cell % grid.Width();
  return {origin() + QPointF(column * side, row * side), QSizeF(side, side)};
}

void DiagramView::paintCellBackground(QPainter& painter, int row, int column) const {
  const wypelniak::Grid& grid = edit_->GetGrid();
  const int cell = grid.Index(row, column);
  const QRectF rect = cellRect(cell);
  if (grid.IsBlock(cell)) {
    painter.fillRect(rect, kBlock);
  } else {
    const auto dead = [&](Direction direction) {
      const int slot = edit_->SlotAt(cell, direction);
      return slot >= 0 && live_->Dead(slot);
    };
    painter.fillRect(rect, live_ && (dead(Direction::Across) || dead(Direction::Down)) ? kDeadSlot
                                                                                          : QColor(Qt::white));
  }
  if (edit_->Selection().Contains(row, column)) painter.fillRect(rect, kSelection);
}

void DiagramView::paintCurrentSlot(QPainter& painter) const {
  const wypelniak::Grid& grid = edit_->GetGrid();
  const int current = edit_->CurrentSlot();
  if (current >= 0) {
    for (int cell : edit_->Slots()[static_cast<std::size_t>(current)].cells)
      painter.fillRect(cellRect(cell), kCurrentSlot);
  }
  if (grid.Contains(edit_->Row(), edit_->Column()))
    painter.fillRect(cellRect(grid.Index(edit_->Row(), edit_->Column())).adjusted(1, 1, -1, -1), kCursor);
}

void DiagramView::paintTexts(QPainter& painter) {
  const wypelniak::Grid& grid = edit_->GetGrid();
  const qreal side = cellSide();
  if (side != textSide_ || font() != textBase_) {
    textSide_ = side;
    textBase_ = font();
    letterTexts_.clear();
    numberTexts_.clear();
    letterFont_ = numberFont_ = font();
    letterFont_.setPixelSize(std::max(7, static_cast<int>(side * 0.55)));
    numberFont_.setPixelSize(std::max(6, static_cast<int>(side * 0.26)));
  }
  painter.setFont(numberFont_);
  painter.setPen(Qt::black);
  // An across and a down slot starting in one cell share its number.
  std::vector<char> numbered(static_cast<std::size_t>(grid.CellCount()), 0);
  for (const wypelniak::Slot& slot : edit_->Slots()) {
    const int cell = slot.cells.front();
    if (slot.number <= 0 || numbered[static_cast<std::size_t>(cell)]) continue;
    numbered[static_cast<std::size_t>(cell)] = 1;
    const QRectF rect = cellRect(cell);
    painter.drawStaticText(rect.topLeft() + QPointF(side * 0.06, side * 0.02),
                           laidOut(numberTexts_, slot.number, QString::number(slot.number), numberFont_));
  }
  painter.setFont(letterFont_);
  for (int cell = 0; cell < grid.CellCount(); ++cell) {
    if (!grid.HasLetter(cell)) continue;
    std::string letter;
    wypelniak::AppendLetterUtf8(grid.At(cell), letter, true);
    const QStaticText& text =
        laidOut(letterTexts_, grid.At(cell), QString::fromStdString(letter), letterFont_);
    const QRectF rect = cellRect(cell);
    // Centred in the cell below the number's corner.
    const QPointF centre(rect.center().x(), rect.top() + side * 0.12 + side * 0.44);
    painter.setPen(live_ && live_->DeadCell(cell) ? kDeadCell : QColor(Qt::black));
    painter.drawStaticText(centre - QPointF(text.size().width() / 2, text.size().height() / 2), text);
  }
}

const QStaticText& DiagramView::laidOut(std::map<int, QStaticText>& texts, int key, const QString& text,
                                        const QFont& font) {
  auto [it, added] = texts.try_emplace(key, text);
  if (added) {
    it->second.setTextFormat(Qt::PlainText);
    it->second.setPerformanceHint(QStaticText::AggressiveCaching);
    it->second.prepare(QTransform(), font);
  }
  return it->second;
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
