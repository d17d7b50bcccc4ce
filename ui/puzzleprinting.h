#pragma once

#include "puzzle.h"

class QPrinter;
class QString;
class QWidget;

// Printing the puzzle from the grid window: the printer dialog and the print
// preview, both on A4 with the margins of the PDF export, painting the same
// pages (paintPuzzle): the empty numbered grid with the clues, then the
// solution on a page of its own.

// Sets the printer to A4, portrait, with the PDF export's margins.
void setPuzzlePage(QPrinter& printer);
// Prints the puzzle on a printer already set up (by the dialog or a caller);
// printing to a file writes the PDF export (writePuzzlePdf). False after a
// message (to parent) when the printer or the file fails.
bool printPuzzle(QPrinter& printer, const wypelniak::Puzzle& puzzle, QWidget* parent);
// Writes the A4 PDF of the puzzle to path (a new file, synced, renamed into
// place); false after a message naming the file.
bool writePuzzlePdf(const QString& path, const wypelniak::Puzzle& puzzle, QWidget* parent);
// Asks for the printer, then prints; false when the user cancels.
bool printPuzzleChosen(QWidget* parent, const wypelniak::Puzzle& puzzle);
// Shows the pages in the print preview, from which they can also be printed.
void previewPuzzle(QWidget* parent, const wypelniak::Puzzle& puzzle);
