#include "slotnetwork.h"

#include <algorithm>
#include <limits>

namespace wypelniak {

namespace {

const WordIndex& EmptyIndex() {
  static const WordIndex empty;
  return empty;
}

LetterSet CellMask(CellValue value) {
  if (value == kBlock) return 0;
  if (value == kEmpty) return kAllLetters;
  return LetterBit(value);
}

}  // namespace

SlotNetwork::SlotNetwork(const Grid& grid, const std::vector<Slot>& slots, const IndexSet& indexes,
                         const std::vector<std::size_t>& limits) {
  cells_.resize(static_cast<std::size_t>(grid.CellCount()));
  for (int i = 0; i < grid.CellCount(); ++i) cells_[static_cast<std::size_t>(i)] = CellMask(grid.At(i));
  const CellSlots map = MapCellSlots(grid, slots);
  slots_.resize(slots.size());
  domains_.resize(slots.size());
  queued_.assign(slots.size(), 0);
  for (std::size_t s = 0; s < slots.size(); ++s) {
    NetSlot& ns = slots_[s];
    ns.slot = &slots[s];
    const int length = slots[s].length;
    const bool listed = length >= MinWordLength && length <= MaxWordLength && indexes[static_cast<std::size_t>(length)];
    ns.index = listed ? indexes[static_cast<std::size_t>(length)].get() : &EmptyIndex();
    ns.seen = static_cast<std::uint32_t>(seen_.size());
    seen_.insert(seen_.end(), static_cast<std::size_t>(length), kAllLetters);
    for (int p = 0; p < length; ++p) support_.push_back(listed ? ns.index->PositionLetters(p) : 0);
    ns.counts = static_cast<std::uint32_t>(counts_.size());
    counts_.resize(counts_.size() + static_cast<std::size_t>(length) * kLetterCount);
    const auto& other = slots[s].direction == Direction::Across ? map.down : map.across;
    for (int cell : slots[s].cells) {
      const int t = other[static_cast<std::size_t>(cell)];
      ns.crossing.push_back(t);
      const auto& cells = t >= 0 ? slots[static_cast<std::size_t>(t)].cells : slots[s].cells;
      ns.crossingAt.push_back(t >= 0 ? static_cast<int>(std::find(cells.begin(), cells.end(), cell) - cells.begin()) : -1);
    }
    std::size_t size = listed ? ns.index->Size() : 0;
    if (s < limits.size()) size = std::min(size, limits[s]);
    domains_[s] = {0, static_cast<std::uint32_t>(size), true};
  }
  // A huge page from the start: the words copied up fault once per 2 MiB
  // instead of once per page, even on a small grid.
  arena_.reserve(KeptPieceBytes / sizeof(WordId));
  leaving_.reserve(KeptPieceBytes / sizeof(WordId));
}

void SlotNetwork::Enqueue(int s) {
  if (s < 0 || queued_[static_cast<std::size_t>(s)] || slots_[static_cast<std::size_t>(s)].excluded) return;
  queued_[static_cast<std::size_t>(s)] = 1;
  queue_.push_back(s);
}

bool SlotNetwork::PropagateAll() {
  for (int s = 0; s < SlotCount(); ++s) Enqueue(s);
  return Propagate();
}

bool SlotNetwork::Propagate() {
  failed_ = -1;
  for (std::size_t head = 0; head < queue_.size(); ++head) {
    const int s = queue_[head];
    queued_[static_cast<std::size_t>(s)] = 0;
    if (!Revise(s)) {
      for (std::size_t rest = head + 1; rest < queue_.size(); ++rest) queued_[static_cast<std::size_t>(queue_[rest])] = 0;
      queue_.clear();
      failed_ = s;
      return false;
    }
  }
  queue_.clear();
  return true;
}

void SlotNetwork::FilterDomain(int s, const LetterSet* masks, const int* changed, int changes) {
  Domain& d = domains_[static_cast<std::size_t>(s)];
  const WordIndex& index = *slots_[static_cast<std::size_t>(s)].index;
  // A domain a saved state owns is copied up as it is filtered (only the
  // words that stay); the slot's own domain is filtered in place.
  const std::uint32_t from = d.begin;
  if (d.begin < arenaFloor_) {
    d.begin = static_cast<std::uint32_t>(arena_.size());
    arena_.resize(arena_.size() + d.size);
  }
  const WordId* in = arena_.data() + from;
  WordId* out = arena_.data() + d.begin;
  const LetterCode* columns[kMaxGridSide];
  LetterSet wanted[kMaxGridSide];
  for (int k = 0; k < changes; ++k) columns[k] = index.Column(changed[k]), wanted[k] = masks[changed[k]];
  // Without branches: each word is written to both sides and counted on one,
  // as a word's fate is a coin toss to the processor.
  leaving_.resize(d.size);
  WordId* gone = leaving_.data();
  std::uint32_t kept = 0, left = 0;
  for (std::uint32_t i = 0; i < d.size; ++i) {
    const WordId id = in[i];
    LetterSet fits = 1;
    for (int k = 0; k < changes; ++k) fits &= wanted[k] >> columns[k][id];
    out[kept] = id;
    gone[left] = id;
    kept += static_cast<std::uint32_t>(fits & 1);
    left += static_cast<std::uint32_t>(~fits & 1);
  }
  leaving_.resize(left);
  if (d.begin != from) {
    // When no word left, the saved words are still the domain, read where they lie.
    arena_.resize(kept == d.size ? d.begin : d.begin + kept);
    if (kept == d.size) d.begin = from;
  }
  d.size = kept;
}

std::uint32_t* SlotNetwork::OwnCounts(int s) {
  NetSlot& ns = slots_[static_cast<std::size_t>(s)];
  const std::size_t size = static_cast<std::size_t>(ns.slot->length) * kLetterCount;
  if (depth_ > 0 && ns.countsDepth != depth_) {
    trail_.push_back({s, ns.countsDepth, trailCounts_.size()});
    trailCounts_.insert(trailCounts_.end(), counts_.begin() + ns.counts, counts_.begin() + ns.counts + static_cast<std::ptrdiff_t>(size));
    ns.countsDepth = depth_;
  }
  return counts_.data() + ns.counts;
}

void SlotNetwork::Recount(int s) {
  const NetSlot& ns = slots_[static_cast<std::size_t>(s)];
  const Domain& d = domains_[static_cast<std::size_t>(s)];
  const int length = ns.slot->length;
  std::uint32_t* counts = OwnCounts(s);
  std::fill_n(counts, static_cast<std::size_t>(length) * kLetterCount, 0u);
  const WordId* ids = arena_.data() + d.begin;
  LetterSet* support = support_.data() + ns.seen;
  for (int p = 0; p < length; ++p) {
    std::uint32_t* at = counts + static_cast<std::size_t>(p) * kLetterCount;
    const LetterCode* column = ns.index->Column(p);
    LetterSet letters = 0;
    for (std::uint32_t i = 0; i < d.size; ++i) {
      const LetterCode c = column[ids[i]];
      ++at[c];
      letters |= LetterBit(c);
    }
    support[p] = letters;
  }
}

void SlotNetwork::NarrowCells(int s, const LetterSet* masks) {
  const NetSlot& ns = slots_[static_cast<std::size_t>(s)];
  LetterSet* seen = seen_.data() + ns.seen;
  const LetterSet* support = support_.data() + ns.seen;
  for (int p = 0; p < ns.slot->length; ++p) {
    const LetterSet u = masks[p] & support[p];
    seen[p] = u;
    if (u == masks[p]) continue;
    cells_[static_cast<std::size_t>(ns.slot->cells[static_cast<std::size_t>(p)])] = u;
    Enqueue(ns.crossing[static_cast<std::size_t>(p)]);
  }
}

bool SlotNetwork::Revise(int s) {
  NetSlot& ns = slots_[static_cast<std::size_t>(s)];
  if (ns.excluded) return true;
  const Slot& slot = *ns.slot;
  const WordIndex& index = *ns.index;
  Domain& d = domains_[static_cast<std::size_t>(s)];
  const LetterSet* seen = seen_.data() + ns.seen;
  const int length = slot.length;
  if (d.size == 0) return false;

  LetterSet masks[kMaxGridSide];
  int changed[kMaxGridSide];
  int changes = 0;
  bool restrictive = false;
  for (int p = 0; p < length; ++p) {
    masks[p] = cells_[static_cast<std::size_t>(slot.cells[static_cast<std::size_t>(p)])];
    if (masks[p] != seen[p]) changed[changes++] = p;
    restrictive |= (index.PositionLetters(p) & ~masks[p]) != 0;
  }
  if (d.full && restrictive) {
    scratch_.clear();
    index.Match(masks, d.size, scratch_);
    d = {static_cast<std::uint32_t>(arena_.size()), static_cast<std::uint32_t>(scratch_.size()), false};
    arena_.insert(arena_.end(), scratch_.begin(), scratch_.end());
    if (d.size == 0) return false;
    Recount(s);
  } else if (!d.full && changes > 0) {
    FilterDomain(s, masks, changed, changes);
    const std::uint32_t kept = d.size;
    if (kept == 0) return false;
    // The counts follow the words that left, or are made again from the
    // words that stay, whichever are fewer.
    if (leaving_.size() > kept) {
      Recount(s);
    } else if (!leaving_.empty()) {
      std::uint32_t* counts = OwnCounts(s);
      LetterSet* support = support_.data() + ns.seen;
      for (const WordId id : leaving_)
        for (int p = 0; p < length; ++p) {
          const LetterCode c = index.Letter(id, p);
          if (--counts[static_cast<std::size_t>(p) * kLetterCount + c] == 0) support[p] &= ~LetterBit(c);
        }
    }
  }
  NarrowCells(s, masks);
  return true;
}

bool SlotNetwork::Assign(int s, WordId word) {
  const NetSlot& ns = slots_[static_cast<std::size_t>(s)];
  const int length = ns.slot->length;
  Domain& d = domains_[static_cast<std::size_t>(s)];
  d = {static_cast<std::uint32_t>(arena_.size()), 1, false};
  arena_.push_back(word);
  std::uint32_t* counts = OwnCounts(s);
  std::fill_n(counts, static_cast<std::size_t>(length) * kLetterCount, 0u);
  LetterSet* seen = seen_.data() + ns.seen;
  LetterSet* support = support_.data() + ns.seen;
  for (int p = 0; p < length; ++p) {
    const int cell = ns.slot->cells[static_cast<std::size_t>(p)];
    const LetterCode c = ns.index->Letter(word, p);
    counts[static_cast<std::size_t>(p) * kLetterCount + c] = 1;
    support[p] = seen[p] = LetterBit(c);
    LetterSet& mask = cells_[static_cast<std::size_t>(cell)];
    if ((mask & LetterBit(c)) == 0) {
      failed_ = s;
      return false;
    }
    if (mask == LetterBit(c)) continue;
    mask = LetterBit(c);
    Enqueue(ns.crossing[static_cast<std::size_t>(p)]);
  }
  return Propagate();
}

void SlotNetwork::Exclude(int s) { slots_[static_cast<std::size_t>(s)].excluded = true; }

void SlotNetwork::Save() {
  if (frames_.size() <= depth_) frames_.emplace_back();
  Frame& f = frames_[depth_++];
  f.arena = arena_.size();
  f.trail = trail_.size();
  f.cells = cells_;
  f.domains = domains_;
  f.seen = seen_;
  f.support = support_;
  arenaFloor_ = arena_.size();
}

void SlotNetwork::Restore() {
  Frame& f = frames_[--depth_];
  arena_.resize(f.arena);
  cells_.swap(f.cells);
  domains_.swap(f.domains);
  seen_.swap(f.seen);
  support_.swap(f.support);
  while (trail_.size() > f.trail) {
    const TrailEntry& e = trail_.back();
    NetSlot& ns = slots_[static_cast<std::size_t>(e.slot)];
    const std::size_t size = static_cast<std::size_t>(ns.slot->length) * kLetterCount;
    std::copy_n(trailCounts_.begin() + static_cast<std::ptrdiff_t>(e.at), size, counts_.begin() + ns.counts);
    ns.countsDepth = e.countsDepth;
    trailCounts_.resize(e.at);
    trail_.pop_back();
  }
  arenaFloor_ = depth_ > 0 ? frames_[depth_ - 1].arena : 0;
}

void SlotNetwork::DropSave() {
  // The changes since the save stay; their copies aside belong to the save
  // before it now, unless that one has copies of its own.
  --depth_;
  arenaFloor_ = depth_ > 0 ? frames_[depth_ - 1].arena : 0;
  std::size_t kept = frames_[depth_].trail;
  for (std::size_t i = frames_[depth_].trail; i < trail_.size(); ++i) {
    NetSlot& ns = slots_[static_cast<std::size_t>(trail_[i].slot)];
    if (depth_ > 0 && trail_[i].countsDepth != depth_) {
      trail_[kept++] = trail_[i];
      ns.countsDepth = depth_;
    } else {
      ns.countsDepth = trail_[i].countsDepth;
    }
  }
  trail_.resize(kept);
  if (depth_ == 0) trailCounts_.clear();
}

std::vector<LetterSet> SlotNetwork::SlotMasks(int s) const {
  std::vector<LetterSet> masks;
  for (int cell : SlotAt(s).cells) masks.push_back(CellLetters(cell));
  return masks;
}

}  // namespace wypelniak
