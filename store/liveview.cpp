#include "liveview.h"

namespace wypelniak {

LiveView::LiveView(const Grid& grid, IndexSet indexes)
    : indexes_(std::move(indexes)), slots_(FindSlots(grid)),
      dead_(slots_.size(), 0), deadCells_(static_cast<std::size_t>(grid.CellCount()), 0) {
  network_ = std::make_unique<SlotNetwork>(grid, slots_, indexes_);
  // Each dead slot is left out and the rest propagated again from the start.
  network_->Save();
  while (!network_->PropagateAll()) {
    const int s = network_->FailedSlot();
    network_->Restore();
    dead_[static_cast<std::size_t>(s)] = 1;
    network_->Exclude(s);
    network_->Save();
  }
  network_->DropSave();
  for (std::size_t s = 0; s < slots_.size(); ++s)
    if (dead_[s]) MarkBlockingCells(grid, static_cast<int>(s));
}

std::uint32_t LiveView::Count(int slot) const {
  return Dead(slot) ? 0 : network_->DomainSize(slot);
}

std::string LiveView::CandidateText(int slot, std::uint32_t n, bool upper) const {
  return WordUtf8(IndexOf(slot).Word(Candidate(slot, n)), upper);
}

void LiveView::MarkBlockingCells(const Grid& grid, int slot) {
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (s.length < MinWordLength || s.length > MaxWordLength) {
    for (int cell : s.cells) deadCells_[static_cast<std::size_t>(cell)] = 1;
    return;
  }
  const WordIndex& index = network_->IndexOf(slot);
  std::vector<LetterSet> masks = network_->SlotMasks(slot);
  std::vector<WordId> found;
  bool any = false;
  for (int p = 0; p < s.length; ++p) {
    // A cell blocks the slot when, with any letter there, a word would fit.
    const LetterSet kept = masks[static_cast<std::size_t>(p)];
    masks[static_cast<std::size_t>(p)] = kAllLetters;
    found.clear();
    index.Match(masks.data(), found);
    masks[static_cast<std::size_t>(p)] = kept;
    if (found.empty()) continue;
    deadCells_[static_cast<std::size_t>(s.cells[static_cast<std::size_t>(p)])] = 1;
    any = true;
  }
  // No single cell to blame: every cell with a letter shares the blame.
  if (!any)
    for (int cell : s.cells)
      if (grid.HasLetter(cell)) deadCells_[static_cast<std::size_t>(cell)] = 1;
}

}  // namespace wypelniak
