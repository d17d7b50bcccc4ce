#pragma once

#include <string>
#include <vector>

#include "grid.h"

// A crossword as a grid file keeps it: the grid with its letters, the clues
// of its slots and the few words about it that a publisher needs.
namespace wypelniak {

// The clue of one slot: its direction and the number printed in its first
// cell (as FindSlots numbers the grid).
struct Clue {
  Direction direction = Direction::Across;
  int number = 0;
  std::string text;  // UTF-8
  bool operator==(const Clue&) const = default;
};

struct Puzzle {
  Grid grid;
  std::vector<Clue> clues;
  std::string title, author, copyright, notes;  // UTF-8, empty when not given
  bool operator==(const Puzzle&) const = default;
};

}  // namespace wypelniak
