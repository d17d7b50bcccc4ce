// What the grid windows of both front ends say: store/gridwindow.
#include <gtest/gtest.h>

#include "gridtestutil.h"

#include "gridwindow.h"
#include "testutil.h"

namespace wypelniak {
namespace {

using testing::GridOf;
using testing::ListBytes;
using testing::TempFolder;
using testing::WriteBytes;

TEST(grid_window, title_and_slot_words) {
  EXPECT_EQ(GridWindowTitle("", false), "Wypełniak – diagram");
  EXPECT_EQ(GridWindowTitle("krzyżówka.ipuz", true), "Wypełniak – diagram – krzyżówka.ipuz *");
  EXPECT_NE(RecoveryQuestion("C:\\Krzyżówki\\k.ipuz").find("z pliku C:\\Krzyżówki\\k.ipuz"),
            std::string::npos);
  EXPECT_NE(RecoveryQuestion("").find("jeszcze niezapisanego"), std::string::npos);
  const Grid grid = GridOf("żo.\n#..\n");
  const std::vector<Slot> slots = FindSlots(grid);
  ASSERT_EQ(slots.size(), 4u);
  EXPECT_EQ(SlotWordText(grid, slots[0]), "ŻO.");  // 1 across
  EXPECT_EQ(SlotWordText(grid, slots[2]), "O.");   // 2 down
  FillProgress progress;
  progress.filledSlots = 3, progress.totalSlots = 10, progress.bestFilled = 5, progress.seconds = 1.25;
  EXPECT_EQ(FillProgressText(progress), "Wypełnianie: 3 z 10 wyrazów, najwięcej 5; 1.2 s");
}

TEST(grid_window, candidates_caption_follows_the_live_view) {
  TempFolder folder;
  WriteBytes(folder.path() / "slow.3", ListBytes({"kot", "kit", "tak"}));
  Lexicon lexicon(folder.path());
  lexicon.Load();
  const Grid grid = GridOf("k..\n.##\n.##\nkox\n");
  const LiveView view(grid, lexicon.Indexes());
  const std::vector<Slot>& slots = view.Slots();
  const struct {
    const LiveView* live;
    int slot;
    std::uint32_t listed;
    const char* caption;
  } cases[] = {
      {nullptr, 0, 10, "Pasujące słowa: lista słów się wczytuje…"},
      {&view, -1, 10, "Pasujące słowa: kursor nie stoi w wyrazie tego kierunku"},
      {&view, 0, 10, "Pasujące słowa (1 poziomo): 2"},
      {&view, 0, 1, "Pasujące słowa (1 poziomo): 2, pokazano 1 najlepszych"},
      {&view, 1, 10, "Pasujące słowa (2 poziomo): żadne – zmień litery zaznaczone na czerwono"},
  };
  for (const auto& c : cases) EXPECT_EQ(CandidatesCaption(c.live, slots, c.slot, c.listed), c.caption);
}

TEST(grid_window, lexicon_state_names_the_folder_or_counts_the_words) {
  TempFolder program;
  Lexicon lexicon(program.path());
  LoadGridLexicon(lexicon, program.path(), {}, nullptr);
  const std::string empty = LexiconStateText(lexicon);
  EXPECT_NE(empty.find(PathText(program.path() / "slow")), std::string::npos) << empty;
  EXPECT_NE(empty.find("wypelniak-slownik build"), std::string::npos) << empty;
  WriteBytes(program.path() / "slow" / "slow.3", ListBytes({"kot", "kit"}));
  LoadGridLexicon(lexicon, program.path(), {}, nullptr);
  EXPECT_EQ(LexiconStateText(lexicon), "Lista słów wczytana: 2 wyrazów.");
}

TEST(grid_window, hint_terms_once_without_usage_notes_or_opposites) {
  ThesaurusLookup lookup;
  lookup.status = LookupStatus::Found;
  lookup.entries.push_back(
      {"kot",
       {ParseThesaurusMeaning("-|kocur|mruczek (pot.)|zwierzę (pojęcie nadrzędne)|pies (antonim)"),
        ParseThesaurusMeaning("(zool.)|kocur|dachowiec (pojęcie podrzędne)")}});
  EXPECT_EQ(HintTerms(lookup), (std::vector<std::string>{"kocur", "mruczek", "zwierzę", "dachowiec"}));
}

}  // namespace
}  // namespace wypelniak
