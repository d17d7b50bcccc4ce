#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "puzzle.h"

// Printing a crossword through the Windows print dialog: the empty numbered
// grid and the clues (the core's clue sheet) on A4, the solution on a page of
// its own. Drawn with GDI in the printer's own units.

// Asks for a printer and prints; false when nothing was printed, with a
// Polish message in problem when that was not the user's choice.
bool PrintPuzzle(HWND owner, const wypelniak::Puzzle& puzzle, std::string& problem);

// Where the pages go: a printer's pages, or a picture a page.
class PageTarget {
 public:
  virtual ~PageTarget() = default;
  // The device context to draw a new page on; null when it was refused.
  virtual HDC StartPage() = 0;
  // Ends the page started last; false when it was refused.
  virtual bool EndPage() = 0;
};

// Draws the pages: the empty numbered grid and the clues (going on to further
// pages when they are long), then the solution on a page of its own; false as
// soon as a page is refused.
bool PaintPuzzlePages(PageTarget& target, const wypelniak::Puzzle& puzzle);
