#include <gtest/gtest.h>

#include "gridtestutil.h"

#include <functional>
#include <string>

#include "gridedit.h"

using namespace wypelniak;

namespace {

using wypelniak::testing::GridOf;

GridEdit Opened(std::string_view text) {
  GridEdit edit;
  Puzzle p;
  p.grid = GridOf(text);
  edit.Open(p);
  return edit;
}

// Types UTF-8 letters one after another.
void TypeText(GridEdit& edit, std::string_view utf8) {
  std::basic_string<LetterCode> codes;
  ASSERT_TRUE(WordCodes(utf8, codes));
  for (LetterCode c : codes) edit.Type(c);
}

std::string Cursor(const GridEdit& edit) {
  return std::to_string(edit.Row()) + "," + std::to_string(edit.Column()) +
         (edit.GetDirection() == Direction::Across ? "A" : "D");
}

}  // namespace

TEST(GridEdit, keys_change_cells_and_move_the_cursor_within_the_slot) {
  const struct {
    const char* name;
    const char* grid;
    std::function<void(GridEdit&)> keys;
    const char* text;    // the grid afterwards
    const char* cursor;  // where the cursor is afterwards
  } cases[] = {
      {"opened on its first open cell, across", "#...\n....\n", [](GridEdit&) {}, "#...\n....\n", "0,1A"},
      {"typing goes on and stops at the slot's end", "...#\n....\n",
       [](GridEdit& e) { TypeText(e, "kotek"); }, "KOK#\n....\n", "0,2A"},
      {"Polish letters shown in capitals", "...\n...\n...\n", [](GridEdit& e) { TypeText(e, "żół"); },
       "ŻÓŁ\n...\n...\n", "0,2A"},
      {"typing down follows the column", "...\n...\n...\n",
       [](GridEdit& e) {
         e.Click(0, 1);
         e.Click(0, 1);
         TypeText(e, "ab");
       },
       ".A.\n.B.\n...\n", "2,1D"},
      {"Backspace on a letter clears it and steps back", "...\n...\n...\n",
       [](GridEdit& e) {
         TypeText(e, "abc");
         e.Backspace();
       },
       "AB.\n...\n...\n", "0,1A"},
      {"Backspace on an empty cell clears the one before", "....\n....\n....\n",
       [](GridEdit& e) {
         TypeText(e, "ab");
         e.Backspace();
       },
       "A...\n....\n....\n", "0,1A"},
      {"Delete clears and stays", "...\n...\n...\n",
       [](GridEdit& e) {
         TypeText(e, "ab");
         e.Click(0, 0);
         e.Delete();
       },
       ".B.\n...\n...\n", "0,0A"},
      {"typing on a block changes nothing", "#..\n...\n...\n",
       [](GridEdit& e) {
         e.MoveTo(0, 0);
         TypeText(e, "a");
       },
       "#..\n...\n...\n", "0,0A"},
      {"arrows take the direction of their axis and stop at the edge", "...\n...\n...\n",
       [](GridEdit& e) {
         e.Arrow(1, 0);
         e.Arrow(1, 0);
         e.Arrow(1, 0);
       },
       "...\n...\n...\n", "2,0D"},
  };
  for (const auto& c : cases) {
    GridEdit edit = Opened(c.grid);
    c.keys(edit);
    EXPECT_EQ(edit.Text(), c.text) << c.name;
    EXPECT_EQ(Cursor(edit), c.cursor) << c.name;
  }
}

TEST(GridEdit, a_block_takes_the_cell_the_symmetry_pairs_with_it) {
  const struct {
    Symmetry symmetry;
    int row, column;
    const char* text;
  } cases[] = {
      {Symmetry::None, 0, 1, ".#..\n....\n....\n"},
      {Symmetry::Point, 0, 1, ".#..\n....\n..#.\n"},
      {Symmetry::Mirror, 0, 1, ".##.\n....\n....\n"},
      {Symmetry::Point, 1, 1, "....\n.##.\n....\n"},  // beside the centre: its partner is (1,2)
  };
  for (const auto& c : cases) {
    GridEdit edit;
    edit.NewGrid(4, 3, c.symmetry);
    edit.MoveTo(c.row, c.column);
    edit.ToggleBlock();
    EXPECT_EQ(edit.Text(), c.text) << SymmetryName(c.symmetry);
    edit.ToggleBlock();  // and open again, both cells
    EXPECT_EQ(edit.Text(), "....\n....\n....\n") << SymmetryName(c.symmetry);
  }
}

TEST(GridEdit, new_grid_sides_are_kept_within_3_to_40) {
  GridEdit edit;
  edit.NewGrid(1, 99, Symmetry::None);
  EXPECT_EQ(edit.GetGrid().Width(), 3);
  EXPECT_EQ(edit.GetGrid().Height(), 40);
}

TEST(GridEdit, undo_and_redo_round_trip_every_change) {
  GridEdit edit = Opened("...\n...\n...\n");
  const std::string start = edit.Text();
  EXPECT_FALSE(edit.Modified());
  TypeText(edit, "ab");
  edit.ToggleBlock();  // (0,2) becomes a block
  edit.SetClue(0, "Pierwsze");
  const std::string end = edit.Text();
  const std::string clue = edit.ClueOf(0);
  int steps = 0;
  while (edit.Undo()) ++steps;
  EXPECT_EQ(steps, 4);
  EXPECT_EQ(edit.Text(), start);
  EXPECT_EQ(edit.ClueOf(0), "");
  EXPECT_FALSE(edit.Modified());
  while (edit.Redo()) {
  }
  EXPECT_EQ(edit.Text(), end);
  EXPECT_EQ(edit.ClueOf(0), clue);
  EXPECT_TRUE(edit.Modified());
  edit.MarkSaved();
  edit.Undo();
  EXPECT_TRUE(edit.Modified());  // saved, then one step taken back
  edit.Redo();
  EXPECT_FALSE(edit.Modified());
  edit.Undo();
  edit.SetClue(0, "Inne");  // a new change forgets what could be redone
  EXPECT_FALSE(edit.CanRedo());
}

TEST(GridEdit, clues_stay_with_their_slot_when_numbers_change) {
  GridEdit edit = Opened("....\n....\n....\n");
  // 6 across is the last row; a block at (0,0) makes it 5 across.
  const int last = 2;
  ASSERT_EQ(edit.Slots()[last].number, 6);
  edit.SetClue(last, "Ostatni wiersz");
  edit.MoveTo(0, 0);
  edit.ToggleBlock();
  bool found = false;
  for (std::size_t s = 0; s < edit.Slots().size(); ++s) {
    const Slot& slot = edit.Slots()[s];
    if (slot.direction == Direction::Across && slot.row == 2) {
      EXPECT_NE(slot.number, 6);
      EXPECT_EQ(edit.ClueOf(static_cast<int>(s)), "Ostatni wiersz");
      found = true;
    }
  }
  EXPECT_TRUE(found);
  // Saved under the new number, and read back to the same slot.
  const Puzzle saved = edit.ToPuzzle();
  GridEdit again;
  again.Open(saved);
  EXPECT_EQ(again.ToPuzzle(), saved);
}

TEST(GridEdit, a_fill_is_one_step_and_only_over_the_grid_it_started_from) {
  GridEdit edit = Opened("A..\n...\n...\n");
  const Grid base = edit.GetGrid();
  const Grid filled = GridOf("ABC\nDEF\nGHI\n");
  EXPECT_FALSE(edit.ApplyFill(base, GridOf("XBC\nDEF\nGHI\n")));  // a placed letter changed
  EXPECT_FALSE(edit.ApplyFill(base, GridOf("A#C\nDEF\nGHI\n")));  // a block added
  TypeText(edit, "a");                                       // the same letter: no change
  EXPECT_TRUE(edit.ApplyFill(base, filled));
  EXPECT_EQ(edit.Text(), "ABC\nDEF\nGHI\n");
  edit.Undo();
  EXPECT_EQ(edit.GetGrid(), base);
  edit.MoveTo(2, 2);
  TypeText(edit, "z");
  EXPECT_FALSE(edit.ApplyFill(base, filled));  // the grid changed while it ran
}

TEST(GridEdit, words_placed_and_areas_selected) {
  GridEdit edit = Opened("...\n.#.\n...\n");
  std::basic_string<LetterCode> kot;
  ASSERT_TRUE(WordCodes("kot", kot));
  EXPECT_FALSE(edit.PlaceWord(0, kot.substr(0, 2)));
  EXPECT_TRUE(edit.PlaceWord(0, kot));
  EXPECT_EQ(edit.Text(), "KOT\n.#.\n...\n");
  // Slots: 1A, 3A (row 2), 1D, 2D(col 2): a corner cell touches two.
  EXPECT_EQ(edit.SlotsInArea({2, 2, 2, 2}), (std::vector<char>{0, 1, 0, 1}));
  EXPECT_EQ(edit.SlotsInArea({1, 1, 1, 1}), (std::vector<char>{0, 0, 0, 0}));
}

TEST(ClueSheet, lists_across_then_down_by_number) {
  Puzzle p;
  p.grid = GridOf("..#\n...\n");
  p.clues = {{Direction::Down, 1, "Kot"}, {Direction::Across, 3, "Pies"}, {Direction::Across, 9, "Brak"}};
  EXPECT_EQ(ClueSheetText(MakeClueSheet(p)), "Poziomo\n1.\n3. Pies\n\nPionowo\n1. Kot\n2.\n");
}
