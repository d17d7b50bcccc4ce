// The lexicon, the fill and the live view on small lists written here.
#include <gtest/gtest.h>

#include "gridtestutil.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "fill.h"
#include "lexicon.h"
#include "liveview.h"
#include "testutil.h"

namespace wypelniak {
namespace {

using testing::ListBytes;
using testing::TempFolder;
using testing::WriteBytes;

using wypelniak::testing::GridOf;

// A folder holding a list of 3- and 4-letter words.
struct SmallList {
  TempFolder folder;
  Lexicon lexicon{folder.path()};
  explicit SmallList(std::initializer_list<std::string_view> three, std::initializer_list<std::string_view> four = {}) {
    WriteBytes(folder.path() / "slow.3", ListBytes(three));
    WriteBytes(folder.path() / "slow.4", ListBytes(four));
    lexicon.Load();
  }
};

WordKey KeyOf(std::string_view utf8) {
  std::basic_string<LetterCode> codes;
  EXPECT_TRUE(WordCodes(utf8, codes));
  return KeyOfCodes(codes);
}

std::set<std::string> WordsOf(const Lexicon& lexicon, int n) {
  std::set<std::string> words;
  const WordIndex& index = lexicon.Index(n);
  for (WordId id = 0; id < index.Size(); ++id) words.insert(WordUtf8(index.Word(id)));
  return words;
}

// Every slot of a filled grid holds a word of the list, none twice.
void ExpectSoundFill(const Grid& filled, const Lexicon& lexicon) {
  std::set<std::string> seen;
  for (const Slot& slot : FindSlots(filled)) {
    std::basic_string<LetterCode> word;
    for (int cell : slot.cells) {
      ASSERT_LT(filled.At(cell), kLetterCount) << "an empty cell in " << SlotName(slot);
      word.push_back(filled.At(cell));
    }
    EXPECT_GE(lexicon.Index(slot.length).Find(word), 0) << WordUtf8(word) << " is not in the list";
    EXPECT_TRUE(seen.insert(WordUtf8(word)).second) << WordUtf8(word) << " stands twice";
  }
}

TEST(lexicon, keeps_words_of_letters_folded_once) {
  SmallList list({"Kot", "kot", "KOT", "a-b", "x.y", "ab1", "élé", "żół", "Ćma"});
  EXPECT_EQ(WordsOf(list.lexicon, 3), (std::set<std::string>{"kot", "żół", "ćma"}));
  const LengthReport& r = list.lexicon.Report(3);
  EXPECT_EQ(r.repeats, 2u);
  EXPECT_EQ(r.notLetters, 3u);
  EXPECT_EQ(r.foreign, 1u);
  EXPECT_TRUE(list.lexicon.Report(5).missing);
}

TEST(lexicon, reloads_only_a_changed_length) {
  SmallList list({"kot"}, {"kura"});
  WriteBytes(list.folder.path() / "slow.4", ListBytes({"kura", "sowa", "Lis-"}));
  // A file's time may not move within one tick of the clock; its size does.
  EXPECT_EQ(list.lexicon.ReloadChanged(), std::vector<int>{4});
  EXPECT_EQ(WordsOf(list.lexicon, 4), (std::set<std::string>{"kura", "sowa"}));
  EXPECT_EQ(WordsOf(list.lexicon, 3), (std::set<std::string>{"kot"}));
  EXPECT_TRUE(list.lexicon.ReloadChanged().empty());
}

TEST(lexicon, damaged_file_is_reported_and_empty) {
  TempFolder folder;
  WriteBytes(folder.path() / "slow.3", "nie liczba\r\nkot\r\n");
  Lexicon lexicon(folder.path());
  lexicon.Load();
  EXPECT_NE(lexicon.Report(3).problem.find("slow.3"), std::string::npos) << lexicon.Report(3).problem;
  EXPECT_EQ(lexicon.Index(3).Size(), 0u);
}

TEST(lexicon, scores_order_the_words) {
  TempFolder folder;
  WriteBytes(folder.path() / "slow.3", ListBytes({"aaa", "bbb", "ccc"}));
  ScoreSources scores;
  scores.clueable[3].push_back(KeyOf("bbb"));
  scores.user[KeyOf("ccc")] = 90;
  Lexicon lexicon(folder.path(), scores);
  lexicon.Load();
  const WordIndex& index = lexicon.Index(3);
  ASSERT_EQ(index.Size(), 3u);
  EXPECT_EQ(WordUtf8(index.Word(0)), "ccc");
  EXPECT_EQ(WordUtf8(index.Word(1)), "bbb");
  EXPECT_EQ(WordUtf8(index.Word(2)), "aaa");
  EXPECT_EQ(index.CountAtLeast(kScoreClueable), 2u);
}

// Fills a 3x3 grid of open cells one way: rows kat, ala, sok; columns kas,
// alo, tak; and two words that fit nowhere.
const std::initializer_list<std::string_view> kSquareWords = {"kat", "ala", "sok", "kas", "alo", "tak", "lis", "osa"};

TEST(fill, small_grid_is_filled_word_by_word) {
  SmallList list(kSquareWords);
  const FillResult r = FillGrid(GridOf("...\n...\n...\n"), list.lexicon.Indexes(), {});
  ASSERT_EQ(r.outcome, FillOutcome::Filled);
  ExpectSoundFill(r.grid, list.lexicon);
}

TEST(fill, fixed_letters_and_blocks_stay) {
  SmallList list(kSquareWords);
  const Grid grid = GridOf("k..#\n...#\n...#\n####\n");
  const FillResult r = FillGrid(grid, list.lexicon.Indexes(), {});
  ASSERT_EQ(r.outcome, FillOutcome::Filled);
  ExpectSoundFill(r.grid, list.lexicon);
  for (int i = 0; i < grid.CellCount(); ++i)
    if (grid.At(i) != kEmpty) {
      EXPECT_EQ(r.grid.At(i), grid.At(i)) << "cell " << i;
    }
}

TEST(fill, same_seed_same_fill_other_seeds_other_fills) {
  SmallList list({"aab", "aac", "aad", "aae", "aaf", "aag"});
  FillOptions options;
  const Grid grid = GridOf("...\n");
  std::set<std::string> fills;
  for (std::uint64_t seed = 1; seed <= 8; ++seed) {
    options.seed = seed;
    const FillResult a = FillGrid(grid, list.lexicon.Indexes(), options);
    const FillResult b = FillGrid(grid, list.lexicon.Indexes(), options);
    ASSERT_EQ(a.outcome, FillOutcome::Filled);
    EXPECT_EQ(a.grid, b.grid);
    fills.insert(GridText(a.grid));
  }
  EXPECT_GT(fills.size(), 1u);
}

TEST(fill, impossible_grids_say_why) {
  SmallList list(kSquareWords);
  struct Case {
    const char* grid;
    ImpossibleReason reason;
    const char* slot;  // the slot named, "" for none
  };
  const Case cases[] = {
      {"........................\n", ImpossibleReason::SlotTooLong, "1 poziomo"},
      {"ka.\nxq.\n...\n", ImpossibleReason::NoWordFits, "4 poziomo"},
      {"kat#kat\n", ImpossibleReason::RepeatedWord, "2 poziomo"},
      // Every row and column is a word and the rows are the columns: a
      // square whose rows repeat its columns is the only kind, and repeats
      // are not allowed.
      {"...\n...\n...\n", ImpossibleReason::Exhausted, ""},
  };
  SmallList symmetric({"aba", "bab"});
  for (const Case& c : cases) {
    const Grid grid = GridOf(c.grid);
    const Lexicon& lexicon = c.reason == ImpossibleReason::Exhausted ? symmetric.lexicon : list.lexicon;
    const FillResult r = FillGrid(grid, lexicon.Indexes(), {});
    EXPECT_EQ(r.outcome, FillOutcome::Impossible) << c.grid;
    EXPECT_EQ(r.reason, c.reason) << c.grid;
    const std::string text = DescribeFillResult(r, FindSlots(grid));
    if (*c.slot) {
      EXPECT_NE(text.find(c.slot), std::string::npos) << text;
    }
  }
}

// Thirteen slots that cross nothing and twelve words: no fill, but every
// slot keeps twelve words, so the search tries the orders of the words one
// after another for far longer than a test runs.
struct BusyList {
  TempFolder folder;
  Lexicon lexicon{folder.path()};
  Grid grid;
  BusyList() {
    WriteBytes(folder.path() / "slow.3",
               ListBytes({"kat", "ala", "sok", "kas", "alo", "tak", "lis", "osa", "pas", "kot", "mak", "rak"}));
    lexicon.Load();
    std::string text;
    for (int row = 0; row < 13; ++row) text += row > 0 ? "###\n...\n" : "...\n";
    grid = GridOf(text);
  }
};

TEST(fill, cancel_and_time_limit_end_it_promptly) {
  BusyList list;
  const Grid& grid = list.grid;
  using Clock = std::chrono::steady_clock;
  {
    FillOptions options;
    options.timeLimit = std::chrono::milliseconds(100);
    const Clock::time_point start = Clock::now();
    const FillResult r = FillGrid(grid, list.lexicon.Indexes(), options);
    EXPECT_EQ(r.outcome, FillOutcome::TimedOut);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  }
  FillResult result;
  std::atomic<bool> ended{false};
  FillJob job(grid, list.lexicon.Indexes(), {}, {}, [&](FillResult r) {
    result = std::move(r);
    ended = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_FALSE(ended) << "the fill should still be searching";
  const Clock::time_point cancelled = Clock::now();
  job.Cancel();
  job.Wait();
  EXPECT_LT(Clock::now() - cancelled, std::chrono::milliseconds(1000));
  EXPECT_EQ(result.outcome, FillOutcome::Cancelled);
}

TEST(fill, only_the_chosen_slots_are_filled) {
  SmallList list(kSquareWords);
  const Grid grid = GridOf("...\n...\n...\n");
  FillOptions options;
  const std::vector<Slot> slots = FindSlots(grid);
  options.fillSlots.assign(slots.size(), 0);
  options.fillSlots[0] = 1;  // 1 across
  const FillResult r = FillGrid(grid, list.lexicon.Indexes(), options);
  ASSERT_EQ(r.outcome, FillOutcome::Filled);
  EXPECT_EQ(GridText(r.grid).substr(3), "\n...\n...\n");
}

// A word fits a slot in the live view only when every crossing keeps a word:
// in a 2x2 grid "cd" fits no slot, as no word starts with "d".
TEST(live_view, counts_words_that_leave_every_crossing_a_word) {
  TempFolder folder;
  WriteBytes(folder.path() / "slow.2", ListBytes({"ab", "ba", "cd"}));
  Lexicon lexicon(folder.path());
  lexicon.Load();
  const LiveView view(GridOf("..\n..\n"), lexicon.Indexes());
  ASSERT_EQ(view.Slots().size(), 4u);
  for (int s = 0; s < 4; ++s) {
    std::set<std::string> words;
    for (std::uint32_t i = 0; i < view.Count(s); ++i) words.insert(view.CandidateText(s, i));
    EXPECT_EQ(words, (std::set<std::string>{"ab", "ba"})) << SlotName(view.Slots()[static_cast<std::size_t>(s)]);
  }
  for (int cell = 0; cell < 4; ++cell) EXPECT_EQ(view.Letters(cell), LetterBit(0) | LetterBit(2)) << cell;
}

TEST(live_view, dead_slot_marks_the_cell_that_blocks_it) {
  SmallList list({"kot", "kit", "tak"});
  // 1 across "kox": no word; the x alone blocks it (kot, kit fit with
  // another letter there). 1 down is untouched by the dead slot.
  const Grid grid = GridOf("kox\n.##\n.##\n");
  const LiveView view(grid, list.lexicon.Indexes());
  EXPECT_TRUE(view.Dead(0));
  EXPECT_EQ(view.Count(0), 0u);
  EXPECT_FALSE(view.Dead(1));
  EXPECT_TRUE(view.DeadCell(2));
  EXPECT_FALSE(view.DeadCell(0));
  EXPECT_FALSE(view.DeadCell(1));
}

// A length the list has no file for (or only a damaged one) gives slots with
// no word: dead in the live view, impossible for the fill.
TEST(live_view, a_length_without_a_list_leaves_its_slots_dead) {
  SmallList list(kSquareWords);
  WriteBytes(list.folder.path() / "slow.4", "nie liczba\r\n");
  list.lexicon.Load();
  for (const char* text : {".....\n", "....\n"}) {
    const Grid grid = GridOf(text);
    const LiveView view(grid, list.lexicon.Indexes());
    EXPECT_TRUE(view.Dead(0)) << text;
    EXPECT_EQ(FillGrid(grid, list.lexicon.Indexes(), {}).reason, ImpossibleReason::NoWordFits) << text;
  }
}

}  // namespace
}  // namespace wypelniak
