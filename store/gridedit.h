#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "grid.h"
#include "puzzle.h"

// The crossword being composed, as the grid windows of both front ends edit
// it: the puzzle, the cursor and its direction, the selected area, the
// symmetry blocks follow, the clue of every slot (kept by the slot's
// direction and first cell, so that a clue stays with its word when the
// numbers around it change), undo and redo of every change to the grid and
// the clues, and whether there are changes not saved yet. Also the text of
// the clue sheet. A front end only draws this and forwards keys and clicks.
namespace wypelniak {

inline constexpr int kMinEditSide = 3;
inline constexpr int kMaxEditSide = kMaxGridSide;

// Which cells a block takes with it: none, the cell turned half a turn about
// the centre, or the cell mirrored left to right.
enum class Symmetry : std::uint8_t { None, Point, Mirror };

// A rectangle of cells, both corners included.
struct CellArea {
  int top = 0, left = 0, bottom = -1, right = -1;
  bool Empty() const { return bottom < top || right < left; }
  bool Contains(int row, int column) const {
    return row >= top && row <= bottom && column >= left && column <= right;
  }
};

class GridEdit {
 public:
  // A 15 × 15 grid of empty cells, no symmetry.
  GridEdit();

  // A new grid of empty cells (sides clamped to 3 ... 40); forgets the undo
  // history and counts as saved.
  void NewGrid(int width, int height, Symmetry symmetry);
  // A puzzle read from a file: its clues go to the slots their numbers name.
  void Open(const Puzzle& puzzle);

  // ---- What is shown --------------------------------------------------------
  const Grid& GetGrid() const { return grid_; }
  const std::vector<Slot>& Slots() const { return slots_; }
  int Row() const { return row_; }
  int Column() const { return column_; }
  Direction GetDirection() const { return direction_; }
  Symmetry GetSymmetry() const { return symmetry_; }
  void SetSymmetry(Symmetry symmetry) { symmetry_ = symmetry; }
  // The slot through the cursor in its direction (index into Slots()), or
  // -1 when the cursor's cell has none that way.
  int CurrentSlot() const;
  // The slot of a cell in a direction, or -1.
  int SlotAt(int cell, Direction direction) const;
  // The grid's text form with letters in capitals: what the user sees.
  std::string Text() const { return GridText(grid_, true); }
  // The puzzle as it is to be saved: the grid, the clue of every slot in
  // the order of FindSlots, and what the opened file said about it.
  Puzzle ToPuzzle() const;

  // ---- The cursor ---------------------------------------------------------------
  // A click on a cell: the cursor goes there; a click on the cell it is on
  // switches across and down.
  void Click(int row, int column);
  // An arrow: one cell that way (blocks included, so that they can be
  // opened again); the direction follows the arrow's axis.
  void Arrow(int dRow, int dColumn);
  void ToggleDirection();
  // Puts the cursor on a cell, keeping the direction.
  void MoveTo(int row, int column);

  // ---- Changes (each one undo step) ----------------------------------------
  // A letter into the cursor's cell, then the cursor goes on to the next cell
  // of the slot; it stays on the slot's last cell. False on a block.
  bool Type(LetterCode letter);
  // Clears the cursor's cell and steps back within the slot; on an empty cell
  // it steps back first and clears the cell it steps to.
  void Backspace();
  // Clears the cursor's cell; the cursor stays.
  void Delete();
  // Turns the cursor's cell into a block, or a block into an empty cell, and
  // the cells the symmetry pairs with it the same way.
  void ToggleBlock();
  // A word (codes, the slot's length) into a slot; false when it does not fit
  // the slot's length.
  bool PlaceWord(int slot, const std::basic_string<LetterCode>& word);
  // A fill's grid in place of base, as one step; false (nothing changed) when
  // the grid is no longer base or the fill changed the blocks.
  bool ApplyFill(const Grid& base, const Grid& filled);
  // The clue of a slot; the same text again is no change.
  void SetClue(int slot, const std::string& text);
  std::string ClueOf(int slot) const;

  // ---- The selected area -----------------------------------------------------
  void Select(const CellArea& area) { selection_ = area; }
  const CellArea& Selection() const { return selection_; }
  // One flag per slot: the slots with a cell in the area (for the fill of a
  // selection).
  std::vector<char> SlotsInArea(const CellArea& area) const;

  // ---- Undo, redo, saving ------------------------------------------------------
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  bool Undo();
  bool Redo();
  bool Modified() const { return revision_ != savedRevision_; }
  void MarkSaved() { savedRevision_ = revision_; }
  // Counts the grid as never saved, whatever is undone (a grid taken from a
  // recovery copy).
  void MarkUnsaved() { savedRevision_ = ~std::uint64_t{0}; }

 private:
  // A clue's key: the slot's direction and its first cell.
  using ClueKey = std::pair<Direction, int>;
  // What undo brings back: the grid, the clues, and where the cursor was.
  struct State {
    Grid grid;
    std::map<ClueKey, std::string> clues;
    int row = 0, column = 0;
    Direction direction = Direction::Across;
    std::uint64_t revision = 0;
  };

  State Snapshot() const;
  void Restore(const State& state);
  // Before a change: the state as it is goes on the undo stack.
  void BeginChange();
  void Reset(const Grid& grid);
  void GridChanged();
  void FirstOpenCell();
  // The cell after (step 1) or before (step -1) the cursor in the current
  // slot, or -1.
  int StepInSlot(int step) const;
  void SetCell(int index, CellValue value);
  ClueKey KeyOf(const Slot& slot) const { return {slot.direction, slot.cells.front()}; }

  Grid grid_;
  std::vector<Slot> slots_;
  CellSlots cellSlots_;
  std::map<ClueKey, std::string> clues_;
  Puzzle about_;  // title, author, copyright and notes of the opened file
  int row_ = 0, column_ = 0;
  Direction direction_ = Direction::Across;
  Symmetry symmetry_ = Symmetry::None;
  CellArea selection_;
  std::vector<State> undo_, redo_;
  std::uint64_t revision_ = 0, savedRevision_ = 0, nextRevision_ = 1;
};

// The clue sheet as it is printed: "Poziomo" and "Pionowo", each with its
// "number. clue" lines in the order of the numbers.
struct ClueSheet {
  std::vector<std::string> across, down;
};
ClueSheet MakeClueSheet(const Puzzle& puzzle);
// The sheet as text: "Poziomo", its lines, a blank line, "Pionowo", its lines.
std::string ClueSheetText(const ClueSheet& sheet);

// The symmetry's Polish name ("brak", "środkowa", "lustrzana").
std::string SymmetryName(Symmetry symmetry);

}  // namespace wypelniak
