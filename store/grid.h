#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "alphabet.h"

// The crossword grid: a rectangle of cells, each a block, an empty cell or a
// cell holding a letter; the slots (maximal runs of two or more open cells
// across or down, each holding one word) and their numbers; the grid's text
// form, one row a line: '#' a block, '.' an empty cell, a letter a letter.
namespace wypelniak {

inline constexpr int kMinGridSide = 1;
inline constexpr int kMaxGridSide = 40;

// A cell: kBlock, kEmpty, or a letter's code.
using CellValue = std::uint8_t;
inline constexpr CellValue kBlock = 0xFE;
inline constexpr CellValue kEmpty = kNoLetter;

enum class Direction : std::uint8_t { Across, Down };

struct Slot {
  Direction direction = Direction::Across;
  int number = 0;  // the number printed in its first cell
  int row = 0;     // its first cell
  int column = 0;
  int length = 0;
  std::vector<int> cells;  // cell indices (row * width + column), in reading order
};

class Grid {
 public:
  Grid() = default;
  // A grid of empty cells; sides are clamped to 1 ... kMaxGridSide.
  Grid(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int CellCount() const { return width_ * height_; }
  int Index(int row, int column) const { return row * width_ + column; }
  bool Contains(int row, int column) const {
    return row >= 0 && column >= 0 && row < height_ && column < width_;
  }

  CellValue At(int index) const { return cells_[static_cast<std::size_t>(index)]; }
  CellValue At(int row, int column) const { return At(Index(row, column)); }
  void Set(int index, CellValue value) { cells_[static_cast<std::size_t>(index)] = value; }
  void Set(int row, int column, CellValue value) { Set(Index(row, column), value); }
  bool IsBlock(int index) const { return At(index) == kBlock; }
  bool IsOpen(int index) const { return At(index) != kBlock; }
  bool HasLetter(int index) const { return At(index) < kLetterCount; }

  const std::vector<CellValue>& Cells() const { return cells_; }
  bool operator==(const Grid&) const = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<CellValue> cells_;
};

// The grid's slots, numbered left to right, top to bottom: a cell that starts
// an across or a down slot takes the next number, shared by both. Across slots
// come first, then down slots, each in the order of their numbers.
std::vector<Slot> FindSlots(const Grid& grid);

// For each cell, the index in slots of its across and of its down slot, -1
// where it has none (a block, or a cell of a run of one: an unchecked cell).
struct CellSlots {
  std::vector<int> across;
  std::vector<int> down;
};
CellSlots MapCellSlots(const Grid& grid, const std::vector<Slot>& slots);

// The letters of a slot as they stand, kEmpty where a cell is empty.
std::basic_string<CellValue> SlotValues(const Grid& grid, const Slot& slot);

// ---- The text form ---------------------------------------------------------

enum class GridTextError {
  None,
  Empty,         // no row at all
  Ragged,        // rows of different lengths (row: the first that differs)
  EmptyRow,      // a blank row among the rows (row)
  TooLarge,      // wider or higher than kMaxGridSide
  BadCharacter,  // a character that is no letter, '#' or '.' (row, column)
  NotUtf8,       // bytes that are not UTF-8 (row, column)
};

struct GridTextResult {
  GridTextError error = GridTextError::None;
  int row = 0;  // where, counted from 1
  int column = 0;
  char32_t character = 0;  // the character of BadCharacter
  Grid grid;
};

// Reads the text form: one row a line (LF or CR LF; blank lines at the end
// are ignored), '#' a block, '.' an empty cell, a letter in either case a
// letter; a UTF-8 byte order mark is skipped.
GridTextResult ParseGridText(std::string_view text);

// The text form, each line ended by '\n'; letters in upper case when upper.
std::string GridText(const Grid& grid, bool upper = false);

// The Polish description of a text-form error, naming row and column.
std::string DescribeGridTextError(const GridTextResult& result);

}  // namespace wypelniak
