#include "puzzleprint.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <string>
#include <vector>

#include "gridedit.h"

namespace {

// A cell's side on paper: at most this, less when the grid is wider than the page.
constexpr qreal kCellMm = 8.0;
constexpr qreal kGapMm = 8.0;  // between the grid and the clues, and between the clue columns
constexpr qreal kTitlePt = 14, kNumberPt = 6, kLetterPt = 14, kCluePt = 10;

QFont printFont(qreal points, bool bold = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// Paints on one device: millimetres to device pixels, the page's text area.
class PuzzlePainter {
 public:
  PuzzlePainter(QPagedPaintDevice& device, const wypelniak::Puzzle& puzzle)
      : device_(device), puzzle_(puzzle), painter_(&device) {
    dot_ = device.logicalDpiX() / 25.4;
    page_ = QRectF(0, 0, device.width(), device.height());
  }

  void paint() {
    qreal y = heading(QStringLiteral("Krzyżówka"));
    y = grid(y, false) + mm(kGapMm);
    clues(y);
    device_.newPage();
    y = heading(QStringLiteral("Rozwiązanie"));
    grid(y, true);
  }

 private:
  qreal mm(qreal millimetres) const { return millimetres * dot_; }

  // The title over the page (the puzzle's own when it has one); returns where the page goes on.
  qreal heading(const QString& fallback) {
    const QString title = puzzle_.title.empty()
                              ? fallback
                              : fallback + QStringLiteral(": ") + QString::fromStdString(puzzle_.title);
    painter_.setFont(printFont(kTitlePt, true));
    painter_.setPen(Qt::black);
    const QFontMetricsF metrics(painter_.font(), &device_);
    painter_.drawText(QRectF(0, 0, page_.width(), metrics.height()), Qt::AlignLeft | Qt::AlignTop, title);
    return metrics.height() + mm(4);
  }

  // The grid centred across the page from y; with the letters or with the numbers. Returns its bottom.
  qreal grid(qreal y, bool letters) {
    const wypelniak::Grid& g = puzzle_.grid;
    const qreal side = std::min(mm(kCellMm), page_.width() / g.Width());
    const qreal left = (page_.width() - side * g.Width()) / 2;
    std::vector<int> numbers(static_cast<std::size_t>(g.CellCount()), 0);
    for (const wypelniak::Slot& slot : wypelniak::FindSlots(g))
      numbers[static_cast<std::size_t>(slot.cells.front())] = slot.number;
    painter_.setPen(QPen(Qt::black, mm(0.2)));
    for (int r = 0; r < g.Height(); ++r) {
      for (int c = 0; c < g.Width(); ++c) {
        const QRectF rect(left + c * side, y + r * side, side, side);
        const int cell = g.Index(r, c);
        painter_.setBrush(g.IsBlock(cell) ? QBrush(Qt::black) : QBrush(Qt::white));
        painter_.drawRect(rect);
        if (letters && g.HasLetter(cell)) {
          std::string text;
          wypelniak::AppendLetterUtf8(g.At(cell), text, true);
          painter_.setFont(printFont(std::min(kLetterPt, side / dot_ * 1.6)));
          painter_.drawText(rect, Qt::AlignCenter, QString::fromStdString(text));
        } else if (!letters && numbers[static_cast<std::size_t>(cell)] > 0) {
          painter_.setFont(printFont(kNumberPt));
          painter_.drawText(rect.adjusted(mm(0.5), mm(0.3), 0, 0), Qt::AlignLeft | Qt::AlignTop,
                            QString::number(numbers[static_cast<std::size_t>(cell)]));
        }
      }
    }
    painter_.setBrush(Qt::NoBrush);
    painter_.setPen(QPen(Qt::black, mm(0.5)));
    painter_.drawRect(QRectF(left, y, side * g.Width(), side * g.Height()));
    return y + side * g.Height();
  }

  // The clues in two columns from y, going on to further pages.
  void clues(qreal y) {
    const wypelniak::ClueSheet sheet = wypelniak::MakeClueSheet(puzzle_);
    column_ = 0;
    top_ = y;
    y_ = y;
    block(QStringLiteral("Poziomo"), sheet.across);
    y_ += mm(3);
    block(QStringLiteral("Pionowo"), sheet.down);
  }

  void block(const QString& title, const std::vector<std::string>& lines) {
    line(title, true);
    for (const std::string& text : lines) line(QString::fromStdString(text), false);
  }

  // One line of the clues (wrapped within its column); a full column goes on in the next.
  void line(const QString& text, bool bold) {
    const qreal width = (page_.width() - mm(kGapMm)) / 2;
    painter_.setFont(printFont(kCluePt, bold));
    const QFontMetricsF metrics(painter_.font(), &device_);
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, width, page_.height()), Qt::TextWordWrap, text);
    // A heading keeps a line of its clues under it.
    const qreal needed = bounds.height() + (bold ? metrics.lineSpacing() * 1.5 : 0);
    if (y_ + needed > page_.height() && y_ > top_) {
      if (++column_ == 2) {
        device_.newPage();
        column_ = 0;
        top_ = 0;
      }
      y_ = top_;
    }
    const qreal x = column_ * (width + mm(kGapMm));
    painter_.setPen(Qt::black);
    painter_.drawText(QRectF(x, y_, width, bounds.height()), Qt::TextWordWrap | Qt::AlignLeft, text);
    y_ += bounds.height() + mm(bold ? 1.5 : 0.8);
  }

  QPagedPaintDevice& device_;
  const wypelniak::Puzzle& puzzle_;
  QPainter painter_;
  qreal dot_ = 1;
  QRectF page_;
  int column_ = 0;
  qreal top_ = 0, y_ = 0;
};

}  // namespace

void paintPuzzle(QPagedPaintDevice& device, const wypelniak::Puzzle& puzzle) {
  PuzzlePainter(device, puzzle).paint();
}

QByteArray puzzlePdf(const wypelniak::Puzzle& puzzle) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(300);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(kPuzzleMarginMm, kPuzzleMarginMm, kPuzzleMarginMm, kPuzzleMarginMm),
                    QPageLayout::Millimeter));
    writer.setTitle(puzzle.title.empty() ? QStringLiteral("Krzyżówka")
                                         : QString::fromStdString(puzzle.title));
    writer.setCreator(QStringLiteral("Wypełniak"));
    paintPuzzle(writer, puzzle);
  }
  return bytes;
}
