#include "fill.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "slotnetwork.h"

namespace wypelniak {
namespace {

using Clock = std::chrono::steady_clock;

// A small fast generator, the same on every system for a given seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }

 private:
  std::uint64_t state_;
};

// The Luby sequence 1 1 2 1 1 2 4 1 1 2 ...: the budgets of the restarts.
std::uint64_t Luby(std::uint64_t i) {
  for (std::uint64_t k = 1;; ++k) {
    const std::uint64_t full = (std::uint64_t{1} << k) - 1;
    if (i == full) return std::uint64_t{1} << (k - 1);
    if (i < full) return Luby(i - (full >> 1));
  }
}

enum class Step { Found, Failed, Restart, Stop };

// Dead ends after which the try with words that can be clued only gives up.
constexpr std::uint64_t kCluedOnlyTries = 64;
// How many of a slot's best words are weighed before trying them.
constexpr std::uint32_t kWeighed = 512;
// A clueable word counts as this many halvings of its crossings' words.
constexpr double kClueableBonus = 4.0;
// The seed's share in the weight.
constexpr double kNoise = 1.0;

class Search {
 public:
  Search(const Grid& grid, const std::vector<Slot>& slots, const IndexSet& indexes, const FillOptions& options,
         const std::atomic<bool>* cancel, const ProgressCallback& progress)
      : grid_(grid), slots_(slots), indexes_(indexes), options_(options), cancel_(cancel),
        progress_(progress), random_(options.seed), start_(Clock::now()) {
    if (options.timeLimit.count() > 0) deadline_ = start_ + options.timeLimit;
    toFill_.resize(slots.size(), 1);
    orders_.resize(slots.size() + 1);  // never resized later: Dive holds references into it
    for (std::size_t s = 0; s < slots.size() && s < options.fillSlots.size(); ++s) toFill_[s] = options.fillSlots[s];
  }

  FillResult Run();

 private:
  // For each slot, how many of the best words of its length score at least
  // minScore.
  std::vector<std::size_t> Limits(int minScore) const;
  // Checks what can be told before any search; fills result when it tells.
  bool Precheck(FillResult& result);
  // Runs restarts within one tier until it fills, proves there is none, or
  // its budget of dead ends runs out (budget 0: none).
  Step RunTier(const std::vector<std::size_t>& limits, std::uint64_t budget, int& failedSlot);
  Step Dive(SlotNetwork& net);
  int Choose(const SlotNetwork& net) const;
  // The first words of the domain of s in the order to try them; the rest
  // follow in the domain's order. Kept per depth: the vector stays valid
  // while deeper levels order their own.
  const std::vector<WordId>& OrderWords(const SlotNetwork& net, int s);
  bool WordsDistinct(const SlotNetwork& net);
  bool UsedElsewhere(const SlotNetwork& net, int s, WordId id) const;
  bool ShouldStop();
  void Report(const SlotNetwork& net);
  void Keep(const SlotNetwork& net);

  const Grid& grid_;
  const std::vector<Slot>& slots_;
  const IndexSet& indexes_;
  const FillOptions& options_;
  const std::atomic<bool>* cancel_;
  const ProgressCallback& progress_;
  Random random_;
  Clock::time_point start_;
  Clock::time_point deadline_ = Clock::time_point::max();
  Clock::time_point lastReport_{};
  std::vector<char> toFill_;
  std::vector<double> weight_;
  std::vector<std::pair<int, WordId>> singles_;
  std::vector<std::vector<WordId>> orders_;  // per depth
  std::vector<std::pair<double, WordId>> ranked_;
  std::size_t depth_ = 0;  // (length, word) of slots with one word
  std::uint64_t deadEnds_ = 0;
  std::uint64_t restartAt_ = 0;  // dead ends at which the current run gives up
  std::uint64_t tierEnd_ = 0;    // dead ends at which the current tier gives up
  int restarts_ = 0;
  int bestFilled_ = 0;
  bool stopped_ = false;
  FillOutcome stopReason_ = FillOutcome::Cancelled;
  Grid solution_;
};

std::vector<std::size_t> Search::Limits(int minScore) const {
  std::vector<std::size_t> limits(slots_.size(), 0);
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    const int n = slots_[s].length;
    if (n >= MinWordLength && n <= MaxWordLength && indexes_[static_cast<std::size_t>(n)])
      limits[s] = indexes_[static_cast<std::size_t>(n)]->CountAtLeast(minScore);
  }
  return limits;
}

bool Search::Precheck(FillResult& result) {
  const auto fail = [&](ImpossibleReason reason, int slot) {
    result.outcome = FillOutcome::Impossible;
    result.reason = reason;
    result.slot = slot;
    return true;
  };
  const std::vector<std::size_t> limits = Limits(options_.minScore);
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    const Slot& slot = slots_[s];
    if (slot.length > MaxWordLength) return fail(ImpossibleReason::SlotTooLong, static_cast<int>(s));
    const WordIndex& index = *indexes_[static_cast<std::size_t>(slot.length)];
    LetterSet masks[kMaxGridSide];
    bool given = false;
    for (int p = 0; p < slot.length; ++p) {
      const CellValue v = grid_.At(slot.cells[static_cast<std::size_t>(p)]);
      masks[p] = v == kEmpty ? kAllLetters : LetterBit(v);
      given |= v != kEmpty;
    }
    const std::size_t limit = std::min(limits[s], index.Size());
    std::vector<WordId> found;
    if (given) index.Match(masks, limit, found);
    if (given ? found.empty() : limit == 0) return fail(ImpossibleReason::NoWordFits, static_cast<int>(s));
  }
  // Two slots whose letters are all given and spell the same word.
  std::vector<std::pair<std::basic_string<CellValue>, int>> whole;
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    auto values = SlotValues(grid_, slots_[s]);
    if (values.find(kEmpty) == std::basic_string<CellValue>::npos) whole.emplace_back(std::move(values), static_cast<int>(s));
  }
  std::sort(whole.begin(), whole.end());
  for (std::size_t i = 1; i < whole.size(); ++i)
    if (whole[i].first == whole[i - 1].first) return fail(ImpossibleReason::RepeatedWord, whole[i].second);
  return false;
}

bool Search::ShouldStop() {
  if (stopped_) return true;
  if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) {
    stopped_ = true;
    stopReason_ = FillOutcome::Cancelled;
  } else if ((deadEnds_ & 15) == 0 && Clock::now() >= deadline_) {
    stopped_ = true;
    stopReason_ = FillOutcome::TimedOut;
  }
  return stopped_;
}

void Search::Report(const SlotNetwork& net) {
  if (!progress_) return;
  const Clock::time_point now = Clock::now();
  if (now - lastReport_ < std::chrono::milliseconds(50)) return;
  lastReport_ = now;
  FillProgress p;
  for (int s = 0; s < net.SlotCount(); ++s)
    if (toFill_[static_cast<std::size_t>(s)]) {
      ++p.totalSlots;
      if (net.DomainSize(s) == 1) ++p.filledSlots;
    }
  bestFilled_ = std::max(bestFilled_, p.filledSlots);
  p.bestFilled = bestFilled_;
  p.deadEnds = deadEnds_;
  p.seconds = std::chrono::duration<double>(now - start_).count();
  progress_(p);
}

int Search::Choose(const SlotNetwork& net) const {
  int best = -1;
  double bestValue = 0;
  for (int s = 0; s < net.SlotCount(); ++s) {
    const std::uint32_t size = net.DomainSize(s);
    if (!toFill_[static_cast<std::size_t>(s)] || size <= 1) continue;
    const double value = static_cast<double>(size) / weight_[static_cast<std::size_t>(s)];
    if (best < 0 || value < bestValue) best = s, bestValue = value;
  }
  return best;
}

bool Search::WordsDistinct(const SlotNetwork& net) {
  singles_.clear();
  for (int s = 0; s < net.SlotCount(); ++s)
    if (net.DomainSize(s) == 1) singles_.emplace_back(net.SlotAt(s).length, net.DomainWord(s, 0));
  std::sort(singles_.begin(), singles_.end());
  return std::adjacent_find(singles_.begin(), singles_.end()) == singles_.end();
}

bool Search::UsedElsewhere(const SlotNetwork& net, int s, WordId id) const {
  return std::binary_search(singles_.begin(), singles_.end(), std::make_pair(net.SlotAt(s).length, id));
}

void Search::Keep(const SlotNetwork& net) {
  solution_ = grid_;
  for (int s = 0; s < net.SlotCount(); ++s) {
    if (!toFill_[static_cast<std::size_t>(s)]) continue;
    const Slot& slot = net.SlotAt(s);
    const WordId id = net.DomainWord(s, 0);
    for (int p = 0; p < slot.length; ++p)
      solution_.Set(slot.cells[static_cast<std::size_t>(p)], net.IndexOf(s).Letter(id, p));
  }
}

const std::vector<WordId>& Search::OrderWords(const SlotNetwork& net, int s) {
  std::vector<WordId>& order = orders_[depth_];
  order.clear();
  // Each word is weighed by what it leaves its crossings: the number of their
  // words that agree with it, multiplied over the crossings (summed as
  // logarithms), and by its score; a little noise from the seed orders
  // words that weigh alike.
  const Slot& slot = net.SlotAt(s);
  const WordIndex& index = net.IndexOf(s);
  const std::uint32_t considered = std::min<std::uint32_t>(net.DomainSize(s), kWeighed);
  ranked_.clear();
  for (std::uint32_t j = 0; j < considered; ++j) {
    const WordId id = net.DomainWord(s, j);
    double value = index.Score(id) >= kScoreClueable ? kClueableBonus : 0.0;
    for (int p = 0; p < slot.length; ++p) {
      const auto [t, q] = net.Crossing(s, p);
      if (t < 0 || net.DomainSize(t) <= 1) continue;
      value += std::log2(1.0 + net.SupportCount(t, q, index.Letter(id, p)));
    }
    value += static_cast<double>(random_.Next() >> 11) * 0x1.0p-53 * kNoise;
    ranked_.emplace_back(-value, id);
  }
  std::sort(ranked_.begin(), ranked_.end());
  for (const auto& [value, id] : ranked_) order.push_back(id);
  return order;
}

Step Search::Dive(SlotNetwork& net) {
  if (ShouldStop()) return Step::Stop;
  Report(net);
  const int s = Choose(net);
  if (s < 0) {
    Keep(net);
    return Step::Found;
  }
  const std::uint32_t size = net.DomainSize(s);
  const std::vector<WordId>& order = OrderWords(net, s);
  for (std::uint32_t j = 0; j < size; ++j) {
    const WordId id = j < order.size() ? order[j] : net.DomainWord(s, j);
    if (UsedElsewhere(net, s, id)) continue;
    net.Save();
    if (net.Assign(s, id) && WordsDistinct(net)) {
      ++depth_;
      const Step step = Dive(net);
      --depth_;
      if (step == Step::Found) {
        net.DropSave();
        return step;
      }
      net.Restore();
      WordsDistinct(net);
      if (step != Step::Failed) return step;
    } else {
      if (net.FailedSlot() >= 0) weight_[static_cast<std::size_t>(net.FailedSlot())] += 1;
      net.Restore();
      WordsDistinct(net);
    }
    ++deadEnds_;
    if (ShouldStop()) return Step::Stop;
    if (deadEnds_ >= restartAt_) return Step::Restart;
  }
  return Step::Failed;
}

Step Search::RunTier(const std::vector<std::size_t>& limits, std::uint64_t budget, int& failedSlot) {
  tierEnd_ = budget > 0 ? deadEnds_ + budget : UINT64_MAX;
  // One network for every run: each run starts from the state saved after
  // the first propagation, and the memory the runs use is kept between them.
  SlotNetwork net(grid_, slots_, indexes_, limits);
  if (!net.PropagateAll()) {
    failedSlot = net.FailedSlot();
    return Step::Failed;
  }
  if (!WordsDistinct(net)) return Step::Failed;
  for (std::uint64_t run = 1;; ++run) {
    restartAt_ = std::min(tierEnd_, deadEnds_ + 64 * Luby(run));
    net.Save();
    const Step step = Dive(net);
    net.Restore();
    WordsDistinct(net);
    if (step != Step::Restart) return step;
    if (deadEnds_ >= tierEnd_) return Step::Restart;
    ++restarts_;
  }
}

FillResult Search::Run() {
  FillResult result;
  weight_.assign(slots_.size(), 1.0);
  if (!Precheck(result)) {
    // A short try with words that can be clued only (it fills open grids,
    // and then nothing but such words stand in them), then every word, those
    // that can be clued first.
    const std::vector<std::size_t> all = Limits(options_.minScore);
    const std::vector<std::size_t> preferred = Limits(std::max(options_.minScore, int{kScoreClueable}));
    std::vector<char> relaxed(slots_.size(), options_.preferClueable ? 0 : 1);
    for (;;) {
      const bool last = std::find(relaxed.begin(), relaxed.end(), 0) == relaxed.end();
      std::vector<std::size_t> limits(slots_.size());
      for (std::size_t s = 0; s < slots_.size(); ++s) limits[s] = relaxed[s] ? all[s] : preferred[s];
      int failedSlot = -1;
      const Step step = RunTier(limits, last ? 0 : kCluedOnlyTries, failedSlot);
      if (step == Step::Found) {
        result.outcome = FillOutcome::Filled;
        result.grid = solution_;
        break;
      }
      if (step == Step::Stop) {
        result.outcome = stopReason_;
        break;
      }
      if (last) {
        result.outcome = FillOutcome::Impossible;
        result.reason = failedSlot >= 0 ? ImpossibleReason::NoWordCrosses : ImpossibleReason::Exhausted;
        result.slot = failedSlot;
        break;
      }
      std::fill(relaxed.begin(), relaxed.end(), 1);
    }
  }
  result.deadEnds = deadEnds_;
  result.restarts = restarts_;
  result.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  return result;
}

}  // namespace

FillResult FillGrid(const Grid& grid, const IndexSet& indexes, const FillOptions& options,
                    const std::atomic<bool>* cancel, const ProgressCallback& progress) {
  const std::vector<Slot> slots = FindSlots(grid);
  return Search(grid, slots, indexes, options, cancel, progress).Run();
}

FillJob::FillJob(Grid grid, IndexSet indexes, FillOptions options, ProgressCallback progress,
                 std::function<void(FillResult)> done)
    : thread_([this, grid = std::move(grid), indexes = std::move(indexes), options = std::move(options),
               progress = std::move(progress), done = std::move(done)] {
        done(FillGrid(grid, indexes, options, &cancel_, progress));
      }) {}

FillJob::~FillJob() {
  Cancel();
  Wait();
}

void FillJob::Wait() {
  if (thread_.joinable()) thread_.join();
}

std::string SlotName(const Slot& slot) {
  return std::to_string(slot.number) + (slot.direction == Direction::Across ? " poziomo" : " pionowo");
}

namespace {

// "23 litery", "25 liter": the count of letters in words.
std::string LettersText(int n) {
  const bool few = n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14);
  return std::to_string(n) + (n == 1 ? " literę" : few ? " litery" : " liter");
}

}  // namespace

std::string DescribeFillResult(const FillResult& result, const std::vector<Slot>& slots) {
  const bool named = result.slot >= 0 && static_cast<std::size_t>(result.slot) < slots.size();
  const std::string slot = named ? SlotName(slots[static_cast<std::size_t>(result.slot)]) : std::string("?");
  switch (result.outcome) {
    case FillOutcome::Filled: return "Diagram został wypełniony.";
    case FillOutcome::TimedOut: return "Nie udało się wypełnić diagramu w wyznaczonym czasie. Spróbuj dać więcej czasu, zmienić układ czarnych pól albo usunąć część wpisanych liter.";
    case FillOutcome::Cancelled: return "Wypełnianie zostało przerwane.";
    case FillOutcome::Impossible: break;
  }
  switch (result.reason) {
    case ImpossibleReason::SlotTooLong:
      return "Diagramu nie da się wypełnić: hasło " + slot + " ma " +
             LettersText(slots[static_cast<std::size_t>(result.slot)].length) + ", a najdłuższe wyrazy w słowniku mają " +
             std::to_string(MaxWordLength) + ". Podziel je czarnym polem.";
    case ImpossibleReason::NoWordFits:
      return "Diagramu nie da się wypełnić: żaden wyraz ze słownika nie pasuje do hasła " + slot + ". Zmień jego litery.";
    case ImpossibleReason::NoWordCrosses:
      return "Diagramu nie da się wypełnić: żaden wyraz pasujący do hasła " + slot + " nie zgadza się z hasłami, które je krzyżują. Zmień litery w tej okolicy albo układ czarnych pól.";
    case ImpossibleReason::RepeatedWord:
      return "Diagramu nie da się wypełnić: hasło " + slot + " powtarza wyraz innego hasła, a każdy wyraz może wystąpić tylko raz.";
    case ImpossibleReason::Exhausted:
      return "Diagramu nie da się wypełnić: sprawdzono wszystkie możliwości i żadna nie pasuje. Zmień układ czarnych pól albo wpisane litery.";
    case ImpossibleReason::None: break;
  }
  return "Diagramu nie da się wypełnić.";
}

}  // namespace wypelniak
