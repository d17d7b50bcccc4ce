#include "puzzleprinting.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "common.h"
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

bool printPuzzle(QPrinter& printer, const wypelniak::Puzzle& puzzle, QWidget* parent) {
  printer.setDocName(documentName(puzzle));
  printer.setCreator(QStringLiteral("Wypełniak"));
  paintPuzzle(printer, puzzle);
  if (printer.printerState() != QPrinter::Error) return true;
  const QString text = printer.outputFileName().isEmpty()
                           ? QStringLiteral(
                                 "Drukarka „%1” nie przyjęła krzyżówki. Sprawdź, czy jest włączona i "
                                 "podłączona, albo zapisz krzyżówkę poleceniem Plik › Eksportuj do PDF.")
                                 .arg(printer.printerName())
                           : QStringLiteral(
                                 "Nie można zapisać wydruku do pliku %1. Wybierz w oknie drukowania plik w "
                                 "folderze, który istnieje i do którego można pisać.")
                                 .arg(QDir::toNativeSeparators(printer.outputFileName()));
  showMessage(parent, text.toStdString(), "", wypelniak::MessageIcon::Exclamation);
  return false;
}

bool printPuzzleChosen(QWidget* parent, const wypelniak::Puzzle& puzzle) {
  QPrinter printer(QPrinter::HighResolution);
  setPuzzlePage(printer);
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("Drukuj krzyżówkę"));
  if (dialog.exec() != QDialog::Accepted) return false;
  return printPuzzle(printer, puzzle, parent);
}

void previewPuzzle(QWidget* parent, const wypelniak::Puzzle& puzzle) {
  QPrinter printer(QPrinter::HighResolution);
  setPuzzlePage(printer);
  QPrintPreviewDialog dialog(&printer, parent);
  dialog.setObjectName(QStringLiteral("PodgladWydruku"));
  dialog.setWindowTitle(QStringLiteral("Podgląd wydruku – ") + documentName(puzzle));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                   [&puzzle, &dialog](QPrinter* target) { printPuzzle(*target, puzzle, &dialog); });
  dialog.resize(800, 900);
  dialog.exec();
}
