#include "puzzleprinting.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <filesystem>
#include <string_view>

#include "common.h"
#include "gridfile.h"
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
  // Printing to a file writes the PDF export's bytes the way every file is
  // written: a new file, synced, renamed into place.
  if (!printer.outputFileName().isEmpty()) return writePuzzlePdf(printer.outputFileName(), puzzle, parent);
  printer.setDocName(documentName(puzzle));
  printer.setCreator(QStringLiteral("Wypełniak"));
  paintPuzzle(printer, puzzle);
  if (printer.printerState() != QPrinter::Error) return true;
  const QString name = printer.printerName().isEmpty()
                           ? QStringLiteral("Drukarka")
                           : QStringLiteral("Drukarka „%1”").arg(printer.printerName());
  showMessage(parent,
              (name + QStringLiteral(" nie przyjęła krzyżówki. Sprawdź, czy jest włączona i podłączona, "
                                     "albo zapisz krzyżówkę poleceniem Plik › Eksportuj do PDF."))
                  .toStdString(),
              "", wypelniak::MessageIcon::Exclamation);
  return false;
}

bool writePuzzlePdf(const QString& path, const wypelniak::Puzzle& puzzle, QWidget* parent) {
  const QByteArray pdf = puzzlePdf(puzzle);
  const wypelniak::GridFileResult written =
      wypelniak::WritePuzzleFile(std::filesystem::path(path.toStdU16String()),
                                 std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  if (written.error == wypelniak::GridFileError::None) return true;
  showMessage(parent, wypelniak::DescribeGridFileError(written), "", wypelniak::MessageIcon::Exclamation);
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
