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

// Draws the pages onto a printer's device context between StartDoc and
// EndDoc; false when the printer refused a page.
bool PaintPuzzlePages(HDC dc, const wypelniak::Puzzle& puzzle);
