#pragma once

#include <QFont>
#include <QStaticText>
#include <QWidget>

#include <map>

#include "gridedit.h"

namespace wypelniak {
class LiveView;
}

// The crossword grid on screen: draws the grid being edited (blocks, letters
// in capitals, slot numbers, the cursor and its slot, the selected area, and
// in red the cells and slots nothing fits any more), scaled to the widget,
// and forwards keys and mouse to the edit. Every decision is the edit's.
class DiagramView : public QWidget {
  Q_OBJECT
  // The grid as the user sees it, in the text form: one row a line, '#' a
  // block, '.' an empty cell, letters in capitals.
  Q_PROPERTY(QString rows READ rows)

 public:
  DiagramView(wypelniak::GridEdit* edit, QWidget* parent = nullptr);

  QString rows() const;
  // What fits, for the red marks; null while the word list is not in.
  void setLiveView(const wypelniak::LiveView* view);
  // While a fill runs the grid only shows.
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

  QSize sizeHint() const override { return {480, 480}; }
  QSize minimumSizeHint() const override { return {150, 150}; }

 signals:
  // After every key or click: the grid, its clues or the cursor may have changed.
  void edited();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }  // Tab stays in the grid

 private:
  // The side of a cell and the grid's top-left corner, in device-independent pixels.
  qreal cellSide() const;
  QPointF origin() const;
  // The cell under a point; false outside the grid.
  bool cellAt(const QPointF& point, int& row, int& column) const;
  QRectF cellRect(int cell) const;
  void paintCellBackground(QPainter& painter, int row, int column) const;
  void paintCurrentSlot(QPainter& painter) const;
  void paintTexts(QPainter& painter);
  // A text laid out once in a font and kept under its key.
  static const QStaticText& laidOut(std::map<int, QStaticText>& texts, int key, const QString& text,
                                    const QFont& font);

  wypelniak::GridEdit* edit_;
  const wypelniak::LiveView* live_ = nullptr;
  bool readOnly_ = false;
  // A press on a cell: a drag from it selects an area, a release on it is a click.
  int pressRow_ = -1, pressColumn_ = -1;
  bool dragging_ = false;
  // The letters (by letter code) and the slot numbers, laid out for cells of
  // side textSide_ in the widget's font textBase_.
  qreal textSide_ = 0;
  QFont textBase_, letterFont_, numberFont_;
  std::map<int, QStaticText> letterTexts_, numberTexts_;
};
