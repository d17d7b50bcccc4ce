#pragma once

#include <QPagedPaintDevice>

#include "puzzle.h"

// The puzzle printed as a composer hands it in: on the first page the empty
// numbered grid and under it the clues, "Poziomo" and "Pionowo" (going on to
// further pages when they are long); on a page of its own the solution, the
// grid with its letters. Paints on any paged device (a PDF file, a printer),
// A4 sizes in millimetres and points.
void paintPuzzle(QPagedPaintDevice& device, const wypelniak::Puzzle& puzzle);

// The margin of every side of the page, in millimetres.
inline constexpr qreal kPuzzleMarginMm = 15.0;

// The same as the bytes of an A4 PDF document.
QByteArray puzzlePdf(const wypelniak::Puzzle& puzzle);
