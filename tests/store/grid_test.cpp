#include <gtest/gtest.h>

#include "gridtestutil.h"

#include <string>
#include <vector>

#include "grid.h"

using namespace wypelniak;

namespace {

using wypelniak::testing::GridOf;

// The slots in order, each "<number><A|D>@<row>,<column>+<length>".
std::string SlotList(const Grid& grid) {
  std::string out;
  for (const Slot& s : FindSlots(grid)) {
    if (!out.empty()) out += ' ';
    out += std::to_string(s.number) + (s.direction == Direction::Across ? "A@" : "D@") +
           std::to_string(s.row) + "," + std::to_string(s.column) + "+" + std::to_string(s.length);
  }
  return out;
}

}  // namespace

TEST(GridSlots, odd_grids_are_numbered_left_to_right_top_to_bottom) {
  const struct {
    const char* grid;
    const char* slots;
  } cases[] = {
      {"##\n##\n", ""},                                            // all blocks
      {".\n", ""},                                                 // one lone cell
      {"....\n", "1A@0,0+4"},                                      // one row
      {".\n.\n.\n", "1D@0,0+3"},                                   // one column
      {"..\n.#\n", "1A@0,0+2 1D@0,0+2"},                           // a number shared
      {".#.\n...\n.#.\n", "3A@1,0+3 1D@0,0+3 2D@0,2+3"},           // cells of runs of one
      {"#..\n.#.\n..#\n", "1A@0,1+2 4A@2,0+2 2D@0,2+2 3D@1,0+2"},  // unchecked corners
      {"...\n.#.\n...\n", "1A@0,0+3 3A@2,0+3 1D@0,0+3 2D@0,2+3"},  // a ring
      {"..#..\n.....\n#...#\n",
       "1A@0,0+2 3A@0,3+2 5A@1,0+5 7A@2,1+3 1D@0,0+2 2D@0,1+3 3D@0,3+3 4D@0,4+2 6D@1,2+2"},
  };
  for (const auto& c : cases) EXPECT_EQ(SlotList(GridOf(c.grid)), c.slots) << c.grid;
}

TEST(GridSlots, cells_map_to_their_slots_and_unchecked_cells_to_none) {
  const Grid grid = GridOf("#..\n.#.\n..#\n");
  const std::vector<Slot> slots = FindSlots(grid);
  const CellSlots map = MapCellSlots(grid, slots);
  // (0,1) is in 1 across only; (0,2) in 1 across and 2 down; (1,1) is a block.
  EXPECT_EQ(map.across[1], 0);
  EXPECT_EQ(map.down[1], -1);
  EXPECT_EQ(map.across[2], 0);
  EXPECT_EQ(map.down[2], 2);
  EXPECT_EQ(map.across[4], -1);
  EXPECT_EQ(map.down[4], -1);
  EXPECT_EQ(slots[2].cells, (std::vector<int>{2, 5}));
}

TEST(GridText, bad_text_is_refused_with_its_place) {
  const struct {
    std::string text;
    GridTextError error;
    int row, column;
    const char* said;  // a piece of the message
  } cases[] = {
      {"", GridTextError::Empty, 0, 0, "pusty"},
      {"\n \n", GridTextError::Empty, 0, 0, "pusty"},
      {"..\n...\n", GridTextError::Ragged, 2, 0, "wiersz 2"},
      {"..\n\n..\n", GridTextError::EmptyRow, 2, 0, "wiersz 2 jest pusty"},
      {"\n..\n", GridTextError::EmptyRow, 1, 0, "wiersz 1 jest pusty"},
      {std::string(41, '.'), GridTextError::TooLarge, 1, 41, "40 × 40"},
      {[] {
         std::string s;
         for (int i = 0; i < 41; ++i) s += "..\n";
         return s;
       }(),
       GridTextError::TooLarge, 41, 0, "40 × 40"},
      {"a1\n", GridTextError::BadCharacter, 1, 2, "„1”"},
      {".é\n", GridTextError::BadCharacter, 1, 2, "„é”"},
      {"ą\xFF\n", GridTextError::NotUtf8, 1, 2, "UTF-8"},
  };
  for (const auto& c : cases) {
    const GridTextResult r = ParseGridText(c.text);
    EXPECT_EQ(r.error, c.error) << c.text;
    EXPECT_EQ(r.row, c.row) << c.text;
    EXPECT_EQ(r.column, c.column) << c.text;
    EXPECT_NE(DescribeGridTextError(r).find(c.said), std::string::npos) << DescribeGridTextError(r);
  }
}

TEST(GridText, letters_in_either_case_read_back_from_the_written_form) {
  const GridTextResult r = ParseGridText(
      "\xEF\xBB\xBF"
      "ąĆ#\r\nx.Ż\r\n\r\n");
  ASSERT_EQ(r.error, GridTextError::None);
  EXPECT_EQ(r.grid.At(0, 0), LetterOfChar(U'ą'));
  EXPECT_EQ(r.grid.At(0, 1), LetterOfChar(U'ć'));
  EXPECT_TRUE(r.grid.IsBlock(2));
  EXPECT_EQ(r.grid.At(1, 1), kEmpty);
  EXPECT_EQ(GridText(r.grid), "ąć#\nx.ż\n");
  EXPECT_EQ(GridText(r.grid, true), "ĄĆ#\nX.Ż\n");
  EXPECT_EQ(ParseGridText(GridText(r.grid, true)).grid, r.grid);
}
