#include "grid.h"

#include <algorithm>

#include "cp1250.h"

namespace wypelniak {

Grid::Grid(int width, int height)
    : width_(std::clamp(width, kMinGridSide, kMaxGridSide)),
      height_(std::clamp(height, kMinGridSide, kMaxGridSide)),
      cells_(static_cast<std::size_t>(width_ * height_), kEmpty) {}

namespace {

bool OpenAt(const Grid& grid, int row, int column) {
  return grid.Contains(row, column) && grid.IsOpen(grid.Index(row, column));
}

// The length of the run of open cells from (row, column) on in direction d.
int RunLength(const Grid& grid, int row, int column, Direction d) {
  int n = 0;
  while (OpenAt(grid, row, column)) {
    ++n;
    (d == Direction::Across ? column : row) += 1;
  }
  return n;
}

// Whether a slot in direction d starts at (row, column): an open cell with no
// open cell before it and at least one after it.
bool StartsSlot(const Grid& grid, int row, int column, Direction d) {
  const int pr = d == Direction::Down ? row - 1 : row;
  const int pc = d == Direction::Across ? column - 1 : column;
  return OpenAt(grid, row, column) && !OpenAt(grid, pr, pc) && RunLength(grid, row, column, d) >= 2;
}

Slot MakeSlot(const Grid& grid, int row, int column, Direction d, int number) {
  Slot slot{d, number, row, column, RunLength(grid, row, column, d), {}};
  for (int i = 0; i < slot.length; ++i)
    slot.cells.push_back(d == Direction::Across ? grid.Index(row, column + i) : grid.Index(row + i, column));
  return slot;
}

}  // namespace

std::vector<Slot> FindSlots(const Grid& grid) {
  std::vector<Slot> across, down;
  int number = 0;
  for (int r = 0; r < grid.Height(); ++r) {
    for (int c = 0; c < grid.Width(); ++c) {
      const bool a = StartsSlot(grid, r, c, Direction::Across);
      const bool d = StartsSlot(grid, r, c, Direction::Down);
      if (!a && !d) continue;
      ++number;
      if (a) across.push_back(MakeSlot(grid, r, c, Direction::Across, number));
      if (d) down.push_back(MakeSlot(grid, r, c, Direction::Down, number));
    }
  }
  across.insert(across.end(), std::make_move_iterator(down.begin()), std::make_move_iterator(down.end()));
  return across;
}

CellSlots MapCellSlots(const Grid& grid, const std::vector<Slot>& slots) {
  CellSlots map{std::vector<int>(static_cast<std::size_t>(grid.CellCount()), -1),
                std::vector<int>(static_cast<std::size_t>(grid.CellCount()), -1)};
  for (std::size_t s = 0; s < slots.size(); ++s) {
    auto& side = slots[s].direction == Direction::Across ? map.across : map.down;
    for (int cell : slots[s].cells) side[static_cast<std::size_t>(cell)] = static_cast<int>(s);
  }
  return map;
}

std::basic_string<CellValue> SlotValues(const Grid& grid, const Slot& slot) {
  std::basic_string<CellValue> values;
  for (int cell : slot.cells) values.push_back(grid.At(cell));
  return values;
}

// ---- The text form ---------------------------------------------------------

namespace {

std::vector<std::string_view> SplitRows(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string_view> rows;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view row = text.substr(0, end);
    if (row.ends_with('\r')) row.remove_suffix(1);
    rows.push_back(row);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  while (!rows.empty() && rows.back().find_first_not_of(" \t") == std::string_view::npos) rows.pop_back();
  return rows;
}

// Reads one row's cells into values; an error names the column.
GridTextResult ParseRow(std::string_view row, int rowNumber, std::vector<CellValue>& values) {
  GridTextResult result;
  std::size_t pos = 0;
  char32_t ch = 0;
  int column = 0;
  while (pos < row.size()) {
    const std::size_t at = pos;
    NextUtf8Char(row, pos, ch);
    ++column;
    CellValue value = kEmpty;
    if (ch == 0xFFFD && row.substr(at, 3) != "\xEF\xBF\xBD") {
      return {GridTextError::NotUtf8, rowNumber, column, 0, {}};
    } else if (ch == '#') {
      value = kBlock;
    } else if (ch != '.') {
      value = LetterOfChar(ch);
      if (value == kNoLetter) return {GridTextError::BadCharacter, rowNumber, column, ch, {}};
    }
    if (column > kMaxGridSide) return {GridTextError::TooLarge, rowNumber, column, 0, {}};
    values.push_back(value);
  }
  return result;
}

}  // namespace

GridTextResult ParseGridText(std::string_view text) {
  const std::vector<std::string_view> rows = SplitRows(text);
  if (rows.empty()) return {GridTextError::Empty, 0, 0, 0, {}};
  if (rows.size() > static_cast<std::size_t>(kMaxGridSide))
    return {GridTextError::TooLarge, kMaxGridSide + 1, 0, 0, {}};
  std::vector<CellValue> values;
  int width = -1;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::size_t before = values.size();
    GridTextResult row = ParseRow(rows[r], static_cast<int>(r + 1), values);
    if (row.error != GridTextError::None) return row;
    const int w = static_cast<int>(values.size() - before);
    if (width < 0) width = w;
    if (w == 0) return {GridTextError::EmptyRow, static_cast<int>(r + 1), 0, 0, {}};
    if (w != width) return {GridTextError::Ragged, static_cast<int>(r + 1), 0, 0, {}};
  }
  GridTextResult result;
  result.grid = Grid(width, static_cast<int>(rows.size()));
  for (int i = 0; i < result.grid.CellCount(); ++i) result.grid.Set(i, values[static_cast<std::size_t>(i)]);
  return result;
}

std::string GridText(const Grid& grid, bool upper) {
  std::string text;
  for (int r = 0; r < grid.Height(); ++r) {
    for (int c = 0; c < grid.Width(); ++c) {
      const CellValue v = grid.At(r, c);
      if (v == kBlock) text += '#';
      else if (v == kEmpty) text += '.';
      else AppendLetterUtf8(v, text, upper);
    }
    text += '\n';
  }
  return text;
}

std::string DescribeGridTextError(const GridTextResult& result) {
  const std::string at =
      "wiersz " + std::to_string(result.row) + ", kolumna " + std::to_string(result.column);
  switch (result.error) {
    case GridTextError::None: return {};
    case GridTextError::Empty: return "diagram jest pusty (nie ma w nim żadnego wiersza)";
    case GridTextError::Ragged:
      return "wiersz " + std::to_string(result.row) + " ma inną długość niż pierwszy (każdy wiersz "
             "diagramu musi mieć tyle samo pól)";
    case GridTextError::EmptyRow:
      return "wiersz " + std::to_string(result.row) + " jest pusty (usuń pustą linię albo wpisz w niej pola)";
    case GridTextError::TooLarge:
      return "diagram jest większy niż " + std::to_string(kMaxGridSide) + " × " +
             std::to_string(kMaxGridSide) + " pól";
    case GridTextError::BadCharacter: {
      std::string ch;
      AppendUtf8(result.character, ch);
      return at + ": znak „" + ch + "” nie jest literą ani znakiem „#” (czarne pole) lub „.” (puste pole)";
    }
    case GridTextError::NotUtf8: return at + ": tekst nie jest zapisany w UTF-8";
  }
  return {};
}

}  // namespace wypelniak
