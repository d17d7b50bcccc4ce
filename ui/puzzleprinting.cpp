#include "puzzleprinting.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "puzzleprint.h"

namespace {

QString documentName(const wypelniak::Puzzle& puzzle) {
  return puzzle.title.empty() ? QStringLiteral("Krzyżówka") : QString::fromStdString(puzzle.title);
}

}  // namespace

void setPuzzlePage(QPrinter& printer) {
  printer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                  QMarginsF(kPuzzleMarginMm, kPuzzleMarginMm, kPuzzleMarginMm, kPuzzleMarginMm),
                  QPageLayout::Millimeter));
}

void printPuzzle(QPrinter& printer, const wypelniak::Puzzle& puzzle) {
  printer.setDocName(documentName(puzzle));
  printer.setCreator(QStringLiteral("Wypełniak"));
  paintPuzzle(printer, puzzle);
}

bool printPuzzleChosen(QWidget* parent, const wypelniak::Puzzle& puzzle) {
  QPrinter printer(QPrinter::HighResolution);
  setPuzzlePage(printer);
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("Drukuj krzyżówkę"));
  if (dialog.exec() != QDialog::Accepted) return false;
  printPuzzle(printer, puzzle);
  return true;
}

void previewPuzzle(QWidget* parent, const wypelniak::Puzzle& puzzle) {
  QPrinter printer(QPrinter::HighResolution);
  setPuzzlePage(printer);
  QPrintPreviewDialog dialog(&printer, parent);
  dialog.setObjectName(QStringLiteral("PodgladWydruku"));
  dialog.setWindowTitle(QStringLiteral("Podgląd wydruku – ") + documentName(puzzle));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                   [&puzzle](QPrinter* target) { printPuzzle(*target, puzzle); });
  dialog.resize(800, 900);
  dialog.exec();
}
