#include "gridedit.h"

#include <algorithm>

namespace wypelniak {

namespace {

// Undo keeps this many steps; the oldest go first.
constexpr std::size_t kUndoSteps = 2000;

int Clamp(int side) {
  return std::clamp(side, kMinEditSide, kMaxEditSide);
}

}  // namespace

GridEdit::GridEdit() {
  NewGrid(15, 15, Symmetry::None);
}

void GridEdit::NewGrid(int width, int height, Symmetry symmetry) {
  symmetry_ = symmetry;
  about_ = {};
  clues_.clear();
  Reset(Grid(Clamp(width), Clamp(height)));
}

void GridEdit::Open(const Puzzle& puzzle) {
  about_ = puzzle;
  about_.grid = {};
  about_.clues.clear();
  clues_.clear();
  Reset(puzzle.grid);
  for (const Clue& clue : puzzle.clues) {
    for (const Slot& slot : slots_) {
      if (slot.direction == clue.direction && slot.number == clue.number) clues_[KeyOf(slot)] = clue.text;
    }
  }
}

void GridEdit::Reset(const Grid& grid) {
  grid_ = grid;
  undo_.clear();
  redo_.clear();
  selection_ = {};
  revision_ = savedRevision_ = 0;
  GridChanged();
  FirstOpenCell();
}

void GridEdit::GridChanged() {
  slots_ = FindSlots(grid_);
  cellSlots_ = MapCellSlots(grid_, slots_);
}

void GridEdit::FirstOpenCell() {
  direction_ = Direction::Across;
  row_ = column_ = 0;
  for (int i = 0; i < grid_.CellCount(); ++i) {
    if (grid_.IsOpen(i)) {
      row_ = i / grid_.Width();
      column_ = i % grid_.Width();
      return;
    }
  }
}

int GridEdit::SlotAt(int cell, Direction direction) const {
  if (cell < 0 || cell >= grid_.CellCount()) return -1;
  const std::vector<int>& map = direction == Direction::Across ? cellSlots_.across : cellSlots_.down;
  return map[static_cast<std::size_t>(cell)];
}

int GridEdit::CurrentSlot() const {
  return SlotAt(grid_.Index(row_, column_), direction_);
}

Puzzle GridEdit::ToPuzzle() const {
  Puzzle puzzle = about_;
  puzzle.grid = grid_;
  for (const Slot& slot : slots_) {
    auto it = clues_.find(KeyOf(slot));
    puzzle.clues.push_back({slot.direction, slot.number, it == clues_.end() ? std::string() : it->second});
  }
  return puzzle;
}

// ---- The cursor -------------------------------------------------------------

void GridEdit::MoveTo(int row, int column) {
  if (!grid_.Contains(row, column)) return;
  row_ = row;
  column_ = column;
}

void GridEdit::Click(int row, int column) {
  if (row == row_ && column == column_) {
    ToggleDirection();
  } else {
    MoveTo(row, column);
  }
}

void GridEdit::Arrow(int dRow, int dColumn) {
  if (dRow != 0) direction_ = Direction::Down;
  if (dColumn != 0) direction_ = Direction::Across;
  MoveTo(row_ + dRow, column_ + dColumn);
}

void GridEdit::ToggleDirection() {
  direction_ = direction_ == Direction::Across ? Direction::Down : Direction::Across;
}

int GridEdit::StepInSlot(int step) const {
  const int slot = CurrentSlot();
  if (slot < 0) return -1;
  const std::vector<int>& cells = slots_[static_cast<std::size_t>(slot)].cells;
  const auto at = std::find(cells.begin(), cells.end(), grid_.Index(row_, column_));
  const long next = (at - cells.begin()) + step;
  if (next < 0 || next >= static_cast<long>(cells.size())) return -1;
  return cells[static_cast<std::size_t>(next)];
}

// ---- Changes ------------------------------------------------------------------

GridEdit::State GridEdit::Snapshot() const {
  return {grid_, clues_, row_, column_, direction_, revision_};
}

void GridEdit::Restore(const State& state) {
  grid_ = state.grid;
  clues_ = state.clues;
  row_ = state.row;
  column_ = state.column;
  direction_ = state.direction;
  revision_ = state.revision;
  GridChanged();
}

void GridEdit::BeginChange() {
  undo_.push_back(Snapshot());
  if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
  redo_.clear();
  revision_ = nextRevision_++;
}

bool GridEdit::Undo() {
  if (undo_.empty()) return false;
  redo_.push_back(Snapshot());
  Restore(undo_.back());
  undo_.pop_back();
  return true;
}

bool GridEdit::Redo() {
  if (redo_.empty()) return false;
  undo_.push_back(Snapshot());
  Restore(redo_.back());
  redo_.pop_back();
  return true;
}

void GridEdit::SetCell(int index, CellValue value) {
  if (grid_.At(index) == value) return;
  BeginChange();
  grid_.Set(index, value);
}

bool GridEdit::Type(LetterCode letter) {
  const int cell = grid_.Index(row_, column_);
  if (grid_.IsBlock(cell) || letter >= kLetterCount) return false;
  SetCell(cell, letter);
  if (const int next = StepInSlot(1); next >= 0) MoveTo(next / grid_.Width(), next % grid_.Width());
  return true;
}

void GridEdit::Backspace() {
  int cell = grid_.Index(row_, column_);
  if (grid_.IsBlock(cell)) return;
  if (!grid_.HasLetter(cell)) {
    const int back = StepInSlot(-1);
    if (back < 0) return;
    cell = back;
    MoveTo(cell / grid_.Width(), cell % grid_.Width());
    SetCell(cell, kEmpty);
    return;
  }
  SetCell(cell, kEmpty);
  if (const int back = StepInSlot(-1); back >= 0) MoveTo(back / grid_.Width(), back % grid_.Width());
}

void GridEdit::Delete() {
  const int cell = grid_.Index(row_, column_);
  if (grid_.HasLetter(cell)) SetCell(cell, kEmpty);
}

void GridEdit::ToggleBlock() {
  const CellValue value = grid_.IsBlock(grid_.Index(row_, column_)) ? kEmpty : kBlock;
  std::vector<int> cells = {grid_.Index(row_, column_)};
  const int lastRow = grid_.Height() - 1, lastColumn = grid_.Width() - 1;
  if (symmetry_ == Symmetry::Point) cells.push_back(grid_.Index(lastRow - row_, lastColumn - column_));
  if (symmetry_ == Symmetry::Mirror) cells.push_back(grid_.Index(row_, lastColumn - column_));
  BeginChange();
  for (int cell : cells) grid_.Set(cell, value);
  GridChanged();
}

bool GridEdit::PlaceWord(int slot, const std::basic_string<LetterCode>& word) {
  if (slot < 0 || slot >= static_cast<int>(slots_.size())) return false;
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (static_cast<int>(word.size()) != s.length) return false;
  if (std::any_of(word.begin(), word.end(), [](LetterCode c) { return c >= kLetterCount; })) return false;
  if (SlotValues(grid_, s) == word) return true;
  BeginChange();
  for (int i = 0; i < s.length; ++i)
    grid_.Set(s.cells[static_cast<std::size_t>(i)], word[static_cast<std::size_t>(i)]);
  return true;
}

bool GridEdit::ApplyFill(const Grid& base, const Grid& filled) {
  if (!(grid_ == base) || filled.Width() != base.Width() || filled.Height() != base.Height()) return false;
  for (int i = 0; i < base.CellCount(); ++i) {
    if (base.IsBlock(i) != filled.IsBlock(i)) return false;
    if (base.HasLetter(i) && base.At(i) != filled.At(i)) return false;
  }
  if (filled == base) return true;
  BeginChange();
  grid_ = filled;
  return true;
}

void GridEdit::SetClue(int slot, const std::string& text) {
  if (slot < 0 || slot >= static_cast<int>(slots_.size())) return;
  const ClueKey key = KeyOf(slots_[static_cast<std::size_t>(slot)]);
  auto it = clues_.find(key);
  if ((it == clues_.end() && text.empty()) || (it != clues_.end() && it->second == text)) return;
  BeginChange();
  clues_[key] = text;
}

std::string GridEdit::ClueOf(int slot) const {
  if (slot < 0 || slot >= static_cast<int>(slots_.size())) return {};
  auto it = clues_.find(KeyOf(slots_[static_cast<std::size_t>(slot)]));
  return it == clues_.end() ? std::string() : it->second;
}

std::vector<char> GridEdit::SlotsInArea(const CellArea& area) const {
  std::vector<char> flags(slots_.size(), 0);
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    for (int cell : slots_[s].cells) {
      if (area.Contains(cell / grid_.Width(), cell % grid_.Width())) flags[s] = 1;
    }
  }
  return flags;
}

// ---- The clue sheet -----------------------------------------------------------

ClueSheet MakeClueSheet(const Puzzle& puzzle) {
  ClueSheet sheet;
  for (const Slot& slot : FindSlots(puzzle.grid)) {
    std::string text;
    for (const Clue& clue : puzzle.clues) {
      if (clue.direction == slot.direction && clue.number == slot.number) text = clue.text;
    }
    std::string line = std::to_string(slot.number) + ".";
    if (!text.empty()) line += " " + text;
    (slot.direction == Direction::Across ? sheet.across : sheet.down).push_back(std::move(line));
  }
  return sheet;
}

std::string ClueSheetText(const ClueSheet& sheet) {
  std::string out = "Poziomo\n";
  for (const std::string& line : sheet.across) out += line + "\n";
  out += "\nPionowo\n";
  for (const std::string& line : sheet.down) out += line + "\n";
  return out;
}

std::string SymmetryName(Symmetry symmetry) {
  switch (symmetry) {
    case Symmetry::Point: return "środkowa";
    case Symmetry::Mirror: return "lustrzana";
    case Symmetry::None: break;
  }
  return "brak";
}

}  // namespace wypelniak
