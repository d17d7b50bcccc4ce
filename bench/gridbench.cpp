// The grid's core on the real word list, each figure beside a reference
// measured in the same run:
//   index   reading every length and indexing it, beside reading the files'
//           bytes alone; the index's memory beside the files' size on disk;
//   live    what fits every slot of a 15x15 grid with a fifth of its cells
//           given, beside matching one slot's letters alone;
//   fill    a fill by the engine alone, with and without the preference for
//           words that can be clued.
// grid_bench FULL_LIST BASE_LIST THESAURUS GRID [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "fill.h"
#include "gridfile.h"
#include "lexicon.h"
#include "liveview.h"
#include "platform.h"

#include "benchtime.h"

namespace fs = std::filesystem;
using namespace wypelniak;
using bench::Clock;
using bench::Median;
using bench::Ms;

namespace {

ScoreSources Thesaurus(const fs::path& folder) {
  ScoreSources sources;
  AddThesaurusWords(folder, sources);
  return sources;
}

void IndexFigures(const fs::path& list, const fs::path& thesaurus, int rounds) {
  std::vector<double> load, bytes;
  std::size_t memory = 0, words = 0;
  std::uint64_t disk = 0;
  for (int r = 0; r < rounds; ++r) {
    Clock::time_point start = Clock::now();
    std::string data;
    disk = 0;
    for (int n = MinWordLength; n <= MaxWordLength; ++n) {
      platform::ReadWholeFile(list / WordListPath(n, fs::path()).filename(), data);
      disk += data.size();
    }
    bytes.push_back(Ms(start));
    start = Clock::now();
    Lexicon lexicon(list, Thesaurus(thesaurus));
    lexicon.Load();
    load.push_back(Ms(start));
    memory = lexicon.MemoryBytes();
    words = lexicon.WordCount();
  }
  std::printf("index %s: %zu words\n", list.c_str(), words);
  std::printf("  read and indexed (thesaurus included): %8.1f ms   reading the files alone: %8.1f ms\n",
              Median(load), Median(bytes));
  std::printf("  index memory: %8.1f MB   files on disk: %8.1f MB   (%.2f x)\n", memory / 1e6, disk / 1e6,
              static_cast<double>(memory) / static_cast<double>(disk));
}

void LiveFigures(const Lexicon& full, const Lexicon& base, const Grid& grid, int rounds) {
  FillOptions options;
  options.timeLimit = std::chrono::seconds(30);
  const FillResult filled = FillGrid(grid, base.Indexes(), options);
  if (filled.outcome != FillOutcome::Filled) {
    std::printf("live: the grid could not be filled to take letters from\n");
    return;
  }
  // A fifth of the open cells keep their letters, chosen the same way each run.
  std::mt19937 random(7);
  Grid partial = grid;
  int open = 0, given = 0;
  for (int i = 0; i < grid.CellCount(); ++i) {
    if (!grid.IsOpen(i)) continue;
    ++open;
    if (random() % 5 == 0) partial.Set(i, filled.grid.At(i)), ++given;
  }
  std::vector<double> live, one;
  const std::vector<Slot> slots = FindSlots(partial);
  std::uint32_t counted = 0;
  for (int r = 0; r < rounds; ++r) {
    Clock::time_point start = Clock::now();
    const LiveView view(partial, full.Indexes());
    live.push_back(Ms(start));
    counted = view.Count(0);
    // The reference: the words of the longest slot with its given letters.
    const Slot& longest = *std::max_element(slots.begin(), slots.end(),
                                            [](const Slot& a, const Slot& b) { return a.length < b.length; });
    std::vector<LetterSet> masks;
    for (int cell : longest.cells) masks.push_back(partial.At(cell) == kEmpty ? kAllLetters : LetterBit(partial.At(cell)));
    std::vector<WordId> found;
    start = Clock::now();
    full.Index(longest.length).Match(masks.data(), found);
    one.push_back(Ms(start));
  }
  std::printf("live view, %dx%d grid, %d of %d open cells given, %zu slots, full list:\n", grid.Width(),
              grid.Height(), given, open, slots.size());
  std::printf("  every slot and cell after propagation: %8.2f ms   one slot's letters matched alone: %8.3f ms"
              "   (1 across: %u words)\n",
              Median(live), Median(one), counted);
}

void FillFigures(const Lexicon& base, const Grid& grid, int rounds) {
  for (const bool prefer : {true, false}) {
    std::vector<double> times;
    int filled = 0;
    for (int r = 0; r < rounds; ++r) {
      FillOptions options;
      options.seed = static_cast<std::uint64_t>(r + 1);
      options.preferClueable = prefer;
      options.timeLimit = std::chrono::seconds(30);
      const Clock::time_point start = Clock::now();
      const FillResult result = FillGrid(grid, base.Indexes(), options);
      times.push_back(Ms(start));
      filled += result.outcome == FillOutcome::Filled;
    }
    std::printf("fill by the engine alone, base list, %s: median %8.1f ms over %d seeds, %d filled\n",
                prefer ? "words that can be clued first" : "no preference          ", Median(times), rounds,
                filled);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: grid_bench FULL_LIST BASE_LIST THESAURUS GRID [ROUNDS]\n");
    return 2;
  }
  const fs::path full(argv[1]), base(argv[2]), thesaurus(argv[3]);
  const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 5;
  const GridFileResult grid = ReadGridFile(argv[4]);
  if (grid.error != GridFileError::None) {
    std::fprintf(stderr, "%s\n", DescribeGridFileError(grid).c_str());
    return 1;
  }
  IndexFigures(full, thesaurus, rounds);
  IndexFigures(base, thesaurus, rounds);
  Lexicon fullLexicon(full, Thesaurus(thesaurus)), baseLexicon(base, Thesaurus(thesaurus));
  fullLexicon.Load();
  baseLexicon.Load();
  LiveFigures(fullLexicon, baseLexicon, grid.puzzle.grid, rounds);
  FillFigures(baseLexicon, grid.puzzle.grid, rounds);
  return 0;
}
