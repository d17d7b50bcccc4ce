#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid.h"
#include "lexicon.h"
#include "slotnetwork.h"

// What still fits a grid being composed: for every slot the words that fit it
// and leave each crossing slot at least one word (after propagation to a
// fixpoint), for every cell the letters still possible there. A slot no word
// fits is dead and marked; it then no longer narrows its cells, so that the
// rest of the grid still shows what fits around it, and the cells whose
// letters keep it dead (those whose change alone would give it a word) are
// marked too.
namespace wypelniak {

class LiveView {
 public:
  // Computes the view of grid from indexes; the indexes must outlive the
  // view (the front ends keep the lexicon's IndexSet beside it).
  LiveView(const Grid& grid, IndexSet indexes);

  const std::vector<Slot>& Slots() const { return slots_; }
  // Words that fit a slot; 0 for a dead slot.
  std::uint32_t Count(int slot) const;
  // The n-th of them, best first.
  WordId Candidate(int slot, std::uint32_t n) const { return network_->DomainWord(slot, n); }
  std::string CandidateText(int slot, std::uint32_t n, bool upper = false) const;
  const WordIndex& IndexOf(int slot) const { return network_->IndexOf(slot); }
  bool Dead(int slot) const { return dead_[static_cast<std::size_t>(slot)] != 0; }
  // Letters still possible in a cell (a lettered cell: its letter, when
  // anything fits it).
  LetterSet Letters(int cell) const { return network_->CellLetters(cell); }
  // A cell that no letter can fill any more, or whose letter keeps a slot
  // from any word.
  bool DeadCell(int cell) const { return deadCells_[static_cast<std::size_t>(cell)] != 0; }

 private:
  void MarkBlockingCells(const Grid& grid, int slot);

  IndexSet indexes_;
  std::vector<Slot> slots_;
  std::unique_ptr<SlotNetwork> network_;
  std::vector<char> dead_;
  std::vector<char> deadCells_;
};

}  // namespace wypelniak
