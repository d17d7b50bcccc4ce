#pragma once

#include "grid.h"
#include "puzzle.h"

namespace wypelniak::testing {

// Every Polish letter, typed in lower and in upper case, q, v and x, blocks,
// empty cells, and clues and texts with what JSON must escape.
inline Puzzle PolishPuzzle() {
  Puzzle p;
  p.grid = ParseGridText("ąćęłńóśźż\nĄĆĘŁŃÓŚŹŻ\n#..#qvx.#\n").grid;
  p.clues = {{Direction::Across, 1, "Źdźbło „trawy” z \"cudzysłowem\" i \\ ukośnikiem"},
             {Direction::Across, 10, ""},
             {Direction::Down, 1, "Wiersz\ndrugi\ttab"},
             {Direction::Down, 2, "ŻÓŁW"}};
  p.title = "Krzyżówka";
  p.author = "Łucja Ćwik";
  p.copyright = "© 2024";
  p.notes = "<b>nie</b> HTML";
  return p;
}

}  // namespace wypelniak::testing
