#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "grid.h"
#include "lexicon.h"

// The fill: puts a word of the lexicon into every slot of a grid so that
// crossing slots agree, no word stands twice and every letter already in the
// grid stays. A search over the slots, the most constrained first (its
// number of words against how often it has failed), each slot's words in
// order of preference, propagating every choice to a fixpoint before the
// next; restarts with a growing budget of dead ends keep one bad early
// choice from holding it forever, and an exhausted search proves that no
// fill exists. The same seed gives the same fill; another seed another one.
namespace wypelniak {

struct FillOptions {
  std::uint64_t seed = 1;
  std::chrono::milliseconds timeLimit{0};  // 0: none
  int minScore = 0;             // words that score less are never used
  bool preferClueable = true;   // first tries with words that can be clued only
  std::vector<char> fillSlots;  // empty: every slot; else one flag per slot of FindSlots
};

enum class FillOutcome { Filled, Impossible, TimedOut, Cancelled };

enum class ImpossibleReason {
  None,
  SlotTooLong,   // slot: longer than the longest word of the list
  NoWordFits,    // slot: no word has its letters
  NoWordCrosses, // slot: words fit it, but none agrees with its crossings
  RepeatedWord,  // slot: its letters make a word another slot has too
  Exhausted,     // every choice was tried
};

struct FillProgress {
  int filledSlots = 0;  // slots with one word left now
  int bestFilled = 0;   // the most there have been
  int totalSlots = 0;
  std::uint64_t deadEnds = 0;
  double seconds = 0;
};

struct FillResult {
  FillOutcome outcome = FillOutcome::Impossible;
  ImpossibleReason reason = ImpossibleReason::None;
  int slot = -1;  // the slot the reason names, index into FindSlots
  Grid grid;      // the filled grid when Filled
  std::uint64_t deadEnds = 0;
  int restarts = 0;
  double seconds = 0;
};

using ProgressCallback = std::function<void(const FillProgress&)>;

// Fills grid from indexes. cancel, when set, stops it (within milliseconds);
// progress is called at most about twenty times a second.
FillResult FillGrid(const Grid& grid, const IndexSet& indexes, const FillOptions& options,
                    const std::atomic<bool>* cancel = nullptr, const ProgressCallback& progress = {});

// A fill on a thread of its own.
class FillJob {
 public:
  FillJob(Grid grid, IndexSet indexes, FillOptions options, ProgressCallback progress,
          std::function<void(FillResult)> done);
  ~FillJob();
  FillJob(const FillJob&) = delete;
  FillJob& operator=(const FillJob&) = delete;
  // Asks the fill to stop; done is still called, with Cancelled.
  void Cancel() { cancel_.store(true); }
  // Waits for the fill to end.
  void Wait();

 private:
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

// The Polish words for a result that is not a fill: why, naming the slot
// ("3 poziomo") where the reason names one.
std::string DescribeFillResult(const FillResult& result, const std::vector<Slot>& slots);

// "3 poziomo", "12 pionowo".
std::string SlotName(const Slot& slot);

}  // namespace wypelniak
