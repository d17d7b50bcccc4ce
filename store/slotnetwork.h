#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "grid.h"
#include "keptmemory.h"
#include "lexicon.h"

// The grid as a network of constraints, shared by the fill and the live
// view: each slot's words still possible (its domain) and each cell's letters
// still possible, kept consistent with each other by propagation: a slot
// keeps only the words whose letters its cells still allow, and a cell keeps
// only the letters some word of each of its slots has there, until nothing
// changes (arc consistency). Each slot counts, per position and letter, the
// words of its domain with that letter there, so that a letter's last word
// leaving is seen at once, without going over the words that stay. The state
// can be saved and restored for backtracking: domains live in one arena that
// only grows between a save and its restore, and a slot's counts are copied
// aside the first time they change after a save.
namespace wypelniak {

class SlotNetwork {
 public:
  // limits[s]: how many of the best words of its length slot s may take (a
  // minimum score makes a prefix of the index); none given: all.
  SlotNetwork(const Grid& grid, const std::vector<Slot>& slots, const IndexSet& indexes,
              const std::vector<std::size_t>& limits = {});

  // The domain of a slot: words [0, size) of its index when full, otherwise
  // size ids in the arena from begin, in ascending order.
  struct Domain {
    std::uint32_t begin = 0;
    std::uint32_t size = 0;
    bool full = true;
  };

  int SlotCount() const { return static_cast<int>(slots_.size()); }
  const Slot& SlotAt(int s) const { return *slots_[static_cast<std::size_t>(s)].slot; }
  const WordIndex& IndexOf(int s) const { return *slots_[static_cast<std::size_t>(s)].index; }
  std::uint32_t DomainSize(int s) const { return domains_[static_cast<std::size_t>(s)].size; }
  // The n-th word of a slot's domain.
  WordId DomainWord(int s, std::uint32_t n) const {
    const Domain& d = domains_[static_cast<std::size_t>(s)];
    return d.full ? n : arena_[d.begin + n];
  }
  LetterSet CellLetters(int cell) const { return cells_[static_cast<std::size_t>(cell)]; }

  // Brings every slot and cell to consistency; false when a slot has no word
  // left (FailedSlot says which).
  bool PropagateAll();
  // Makes word the slot's only word and propagates; false on a dead end.
  bool Assign(int s, WordId word);
  int FailedSlot() const { return failed_; }

  // Leaves a slot out: it no longer narrows its cells (the live view's way
  // with a slot that has no word, so that the rest of the grid still shows
  // what fits).
  void Exclude(int s);

  // Saving and restoring the state, last in first out.
  void Save();
  void Restore();
  void DropSave();

  // The slot crossing slot s at its position p, and where in that slot the
  // shared cell lies; {-1, -1} for none.
  std::pair<int, int> Crossing(int s, int p) const {
    const NetSlot& ns = slots_[static_cast<std::size_t>(s)];
    return {ns.crossing[static_cast<std::size_t>(p)], ns.crossingAt[static_cast<std::size_t>(p)]};
  }
  // How many words of the domain of s have letter c at position p (for a
  // full domain, of all the words of its length).
  std::uint32_t SupportCount(int s, int p, LetterCode c) const {
    const NetSlot& ns = slots_[static_cast<std::size_t>(s)];
    if (domains_[static_cast<std::size_t>(s)].full) return ns.index->LetterCount(p, c);
    return counts_[ns.counts + static_cast<std::size_t>(p) * kLetterCount + c];
  }

  // The letters a slot's cells allow now, as masks (for the live view).
  std::vector<LetterSet> SlotMasks(int s) const;

 private:
  struct NetSlot {
    const Slot* slot = nullptr;
    const WordIndex* index = nullptr;
    std::uint32_t seen = 0;  // where the masks it was last filtered with lie in seen_
                             // (and its letters with a word, in support_)
    std::uint32_t counts = 0;  // where its counts lie in counts_ (length * kLetterCount)
    std::size_t countsDepth = SIZE_MAX;  // the save its counts were last copied aside for
    std::vector<int> crossing;    // per position, the slot crossing there, -1 for none
    std::vector<int> crossingAt;  // and the position of the shared cell in it
    bool excluded = false;
  };
  struct Frame {
    std::size_t arena = 0;
    std::size_t trail = 0;
    std::vector<LetterSet> cells;
    std::vector<Domain> domains;
    std::vector<LetterSet> seen;
    std::vector<LetterSet> support;
  };
  // A slot's counts as they were before a save's first change to them.
  struct TrailEntry {
    int slot;
    std::size_t countsDepth;
    std::size_t at;  // where the copy lies in trailCounts_
  };

  bool Propagate();
  bool Revise(int s);
  void Enqueue(int s);
  // Keeps the words of the non-full domain of s that the masks allow at
  // the changed positions; the words that leave go to leaving_.
  void FilterDomain(int s, const LetterSet* masks, const int* changed, int changes);
  // Makes the counts of s changeable after the last save (copying them aside).
  std::uint32_t* OwnCounts(int s);
  // Counts the letters of a domain's words afresh.
  void Recount(int s);
  // Narrows the cells of s to its supported letters; enqueues the crossings.
  void NarrowCells(int s, const LetterSet* masks);

  std::vector<NetSlot> slots_;
  std::vector<LetterSet> cells_;
  std::vector<Domain> domains_;
  std::vector<LetterSet> seen_;
  std::vector<LetterSet> support_;
  std::vector<std::uint32_t> counts_;
  std::vector<TrailEntry> trail_;
  std::vector<std::uint32_t> trailCounts_;
  std::vector<WordId, LargePageAllocator<WordId>> arena_;
  std::vector<int> queue_;
  std::vector<char> queued_;
  std::vector<Frame> frames_;
  std::size_t depth_ = 0;     // frames in use
  std::size_t arenaFloor_ = 0;  // domains below belong to a saved state
  int failed_ = -1;
  std::vector<WordId> scratch_;
  std::vector<WordId, LargePageAllocator<WordId>> leaving_;
};

}  // namespace wypelniak
