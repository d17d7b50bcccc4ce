#pragma once

#include <string>
#include <string_view>

#include "puzzle.h"

// The .ipuz form of a crossword (the open JSON crossword format, version 2):
// reading a file's text into a Puzzle, with a plain answer for any damaged
// or hostile file, and writing a Puzzle as that text.
//
// What is written, and how it is read back:
// - "puzzle" holds the shape: "#" a block, the slot number where a slot
//   starts, 0 for any other open cell. The grid's letters are the answer, not
//   letters shown to a solver, so they stand only in "solution".
// - "solution" holds the letters in upper case (Polish letters as they are,
//   UTF-8), "#" for a block and 0 (the "empty" value) for a cell not filled
//   in yet; the Python ipuz package takes 0 as a valid value there.
// - "clues": "Across" and "Down", each a list of [number, text] pairs, the
//   numbers those of FindSlots.
// - "block" is "#" and "empty" is 0, written out though they are the defaults.
// Reading is more lenient: other "block" and "empty" values, clues as
// {"number": ..., "clue": ...} objects, numbers given as text, cells as
// {"cell": ..., "value": ...} objects (a "value" letter of a "puzzle" cell is
// taken where "solution" gives none), null for a missing solution letter and
// for a cell outside the puzzle (read as a block), and a file without
// "solution" (an empty grid). Directions other than across and down are
// skipped. The file's slot numbers are not kept: the grid is numbered anew;
// the clues keep the file's numbers.
namespace wypelniak {

// Limits that keep a hostile file from costing more than a real one could.
inline constexpr int kMaxJsonDepth = 32;
inline constexpr int kMaxClueNumber = 9999;

enum class IpuzError {
  None,
  NotUtf8,         // a byte that is not UTF-8 (line)
  NotJson,         // not valid JSON (line, column)
  TooDeep,         // nested deeper than kMaxJsonDepth (line)
  NumberTooLarge,  // a number beyond any floating-point value (text)
  NotObject,       // the text is JSON, but not an object
  NotCrossword,    // "kind" is missing or names no crossword (text: what it names)
  MissingField,    // a field the grid cannot do without (field)
  WrongType,       // a field of the wrong type (field)
  BadDimensions,   // a width or height that is no whole number from 1 on (field, text)
  TooLarge,        // wider or higher than kMaxGridSide (field, text)
  RowCount,        // "puzzle" or "solution" has another number of rows than "height" (field, row: the count)
  RowLength,       // a row of another length than "width" (field, row, column: its length)
  BadCell,         // a cell value the format does not allow (field, row, column, text)
  NotALetter,      // a solution cell that is no letter of the alphabet (row, column, text)
  Rebus,           // a solution cell of more than one letter (row, column, text)
  Mismatch,        // a block in one of "puzzle" and "solution", a letter in the other (row, column)
  BadClue,         // a clue that is not [number, text] (field: its list, row: its place, text)
  OutOfMemory,
};

struct IpuzResult {
  IpuzError error = IpuzError::None;
  std::string field;  // the field at fault, as in the file ("dimensions.width", "clues.Across")
  int row = 0;        // where, counted from 1
  int column = 0;
  int expected = 0;  // RowCount, RowLength: the height or width the rows should have
  std::string text;  // the value at fault as the file writes it, shortened
  Puzzle puzzle;     // when error is None
};

// Whether text looks like an .ipuz file rather than a text grid: it starts
// (after a byte order mark and blanks) with "{", or with "name(" of a JSONP
// callback wrapping the JSON, as some writers write it.
bool LooksLikeIpuz(std::string_view text);

// Reads the text of an .ipuz file, bare JSON or wrapped in a JSONP callback.
// Never throws.
IpuzResult ParseIpuz(std::string_view text);

// The .ipuz text of a puzzle (UTF-8, ended by a line end).
std::string IpuzText(const Puzzle& puzzle);

// The Polish description of an error, saying where in the file it is.
std::string DescribeIpuzError(const IpuzResult& result);

}  // namespace wypelniak
