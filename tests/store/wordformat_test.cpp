// The word-list format as the search and the addition share it: which words
// can be stored, how a file is told to be UTF-8, and how the count line is
// read.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "addword.h"
#include "cp1250.h"
#include "patternsearch.h"
#include "testutil.h"

using namespace wypelniak;
using wypelniak::testing::ListBytes;
using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;

namespace {

using Strings = std::vector<std::string>;

class SearchWindow : public SearchView {
 public:
  std::string pattern;
  Strings results;
  Strings messages;

  std::string PatternText() override { return pattern; }
  void ShowMessage(std::string_view text, std::string_view, MessageIcon) override {
    messages.emplace_back(text);
  }
  void ClearResults() override { results.clear(); }
  void SetResultsVisible(bool) override {}
  void SetPatternEnabled(bool) override {}
  void ProcessPendingEvents() override {}
  void AddResult(std::string_view word) override { results.emplace_back(word); }
};

class AddWindow : public AddWordView {
 public:
  std::string word;
  Strings messages;
  std::string title;

  std::string WordText() override { return word; }
  void ShowMessage(std::string_view text, std::string_view t, MessageIcon) override {
    messages.emplace_back(text);
    title = t;
  }
  void SelectWordText() override {}
  void FocusWord() override {}
  void ProcessPendingEvents() override {}
};

class Format : public ::testing::Test {
 protected:
  TempFolder folder;

  std::filesystem::path List(int n) const { return WordListPath(n, folder.path()); }

  AddWindow Add(const std::string& word) {
    AddWindow view;
    view.word = word;
    AddWordMemory memory;
    AddWord(view, memory, folder.path());
    return view;
  }
  SearchWindow Search(const std::string& pattern) {
    SearchWindow view;
    view.pattern = pattern;
    SearchMemory memory;
    PatternSearch(view, memory, folder.path());
    return view;
  }
};

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(Format, words_the_search_would_not_read_back_are_refused_each_with_its_own_message) {
  WriteBytes(List(4), ListBytes({"kota"}));
  WriteBytes(List(5), ListBytes({"kotek"}));
  const std::string before4 = ReadBytes(List(4));
  const std::string before5 = ReadBytes(List(5));
  struct Case {
    std::string word;
    WordProblem problem;
  };
  const Case cases[] = {
      {"k,ta", WordProblem::Comma},
      {"kot,", WordProblem::Comma},
      {"\"kot", WordProblem::DoubleQuote},
      {"\"ko\"", WordProblem::DoubleQuote},
      {"ko\"t", WordProblem::DoubleQuote},
      {" kot", WordProblem::LeadingBlank},
      {"\xC2\xA0kot", WordProblem::LeadingBlank},
      {"kot ", WordProblem::TrailingBlank},
      {"kotk ", WordProblem::TrailingBlank},
      {"k\tta", WordProblem::ControlChar},
      {"kкta", WordProblem::UnstorableChar},
  };
  std::set<std::string> texts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(CheckTypedWord(c.word), c.problem);
    const AddWindow view = Add(c.word);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.title, ErrorTitle);
    EXPECT_EQ(view.messages[0], WordProblemMessage(c.problem, c.word));
    texts.insert(view.messages[0]);
  }
  EXPECT_EQ(texts.size(), 6u) << "each kind of refusal has its own text";
  EXPECT_EQ(ReadBytes(List(4)), before4);
  EXPECT_EQ(ReadBytes(List(5)), before5);
  // Blanks and signs inside a word read back as they are.
  EXPECT_EQ(CheckTypedWord("k t"), WordProblem::None);
  EXPECT_EQ(CheckTypedWord("k*t"), WordProblem::None);
  EXPECT_EQ(CheckStorableWord("k\x81t"), WordProblem::ControlChar);  // a byte Windows-1250 leaves undefined
}

// Random words over all of Windows-1250 (and a few characters beyond it): a
// word the addition takes is listed by the next search for its pattern with
// one letter turned into '*'; a word it refuses leaves the file as it was.
TEST_F(Format, every_word_added_is_found_again_and_every_refusal_changes_nothing) {
  std::mt19937 random(20261207);
  const std::string letters = *Utf8ToCp1250("abcdeklmnoprstuwyząćęłńóśźżĄĆĘŁŃÓŚŹŻ");
  std::uniform_int_distribution<int> anyByte(0, 255), lengthOf(2, 8), percent(0, 99);
  for (int n = 2; n <= 8; ++n) WriteBytes(List(n), ListBytes({}));
  int added = 0, refused = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const int n = lengthOf(random);
    std::string bytes;
    for (int i = 0; i < n; ++i) {
      const int p = percent(random);
      bytes += p < 75 ? letters[random() % letters.size()] : static_cast<char>(anyByte(random));
    }
    std::string word = Cp1250ToUtf8(bytes);
    if (percent(random) < 5) word.replace(0, 1, "ж");  // not in Windows-1250
    const std::string before = ReadBytes(List(n));
    const AddWindow view = Add(word);
    ASSERT_EQ(view.messages.size(), 1u);
    SCOPED_TRACE("word " + word + ": " + view.messages[0]);
    if (view.title == ErrorTitle) {
      ++refused;
      EXPECT_EQ(ReadBytes(List(n)), before);
      continue;
    }
    ++added;
    std::u32string chars;
    std::size_t pos = 0;
    char32_t c = 0;
    while (NextUtf8Char(word, pos, c)) chars += c;
    chars[random() % chars.size()] = U'*';
    std::string pattern;
    for (char32_t ch : chars) AppendUtf8(ch, pattern);
    const SearchWindow search = Search(pattern);
    EXPECT_TRUE(search.messages.empty()) << search.messages.at(0);
    EXPECT_NE(std::find(search.results.begin(), search.results.end(), word), search.results.end()) << pattern;
  }
  EXPECT_GT(added, 50);
  EXPECT_GT(refused, 50);
}

TEST(utf8_detection, windows_1250_polish_letters_in_pairs_are_never_taken_for_utf8) {
  const std::string polish = "ĄĆĘŁŃÓŚŹŻąćęłńóśźż";
  std::vector<std::string> letters;
  std::size_t pos = 0;
  char32_t c = 0;
  while (NextUtf8Char(polish, pos, c)) {
    std::string one;
    AppendUtf8(c, one);
    letters.push_back(one);
  }
  for (const std::string& a : letters) {
    for (const std::string& b : letters) {
      // A small list holding one such word, as after adding "DÓŁ" or "NÓŻ".
      const std::string list = ListBytes({"kot"}) + *Utf8ToCp1250("d" + a + b) + "\r\n";
      EXPECT_FALSE(LooksLikeUtf8(list)) << a << b;
      EXPECT_TRUE(LooksLikeUtf8(Cp1250ToUtf8(list))) << a << b;
    }
  }
}

TEST(utf8_detection, the_whole_file_is_looked_at_and_a_byte_order_mark_decides) {
  const std::string ascii(100 * 1024, 'a');
  EXPECT_TRUE(LooksLikeUtf8(ascii + "\r\nżółw\r\n"));                  // UTF-8 only after 64 KiB
  EXPECT_FALSE(LooksLikeUtf8(ascii + *Utf8ToCp1250("\r\nżółw\r\n")));  // Windows-1250 there
  EXPECT_FALSE(LooksLikeUtf8("2\r\nkot\r\nkit\r\n"));                  // plain ASCII is both
  EXPECT_TRUE(
      LooksLikeUtf8("\xEF\xBB\xBF"
                    "1\r\nkot\r\n"));
  EXPECT_FALSE(LooksLikeUtf8("1\r\nk\xC3"));  // cut short at the end
}

TEST(utf8_detection, a_file_fed_in_chunks_gets_the_verdict_of_the_whole) {
  const std::string samples[] = {
      "\xEF\xBB\xBF"
      "2\r\nkąt\r\nżółw😀\r\n",
      ListBytes({"dół", "nóż", "kąt"}),
      "3\r\nkąt\r\nżółw\r\n\xC5",
  };
  for (const std::string& data : samples) {
    for (std::size_t size = 1; size <= 5; ++size) {
      Utf8Detector detector;
      for (std::size_t at = 0; at < data.size(); at += size)
        detector.Feed(std::string_view(data).substr(at, size));
      EXPECT_EQ(detector.IsUtf8(), LooksLikeUtf8(data)) << "chunks of " << size;
      EXPECT_EQ(detector.Decided(), &data == &samples[1])
          << "chunks of " << size;  // broken: no need to read on
    }
  }
  EXPECT_TRUE(LooksLikeUtf8(samples[0]));
}

TEST_F(Format, a_list_that_holds_dol_and_noz_stays_usable) {
  WriteBytes(List(3), ListBytes({"kot"}));
  EXPECT_EQ(Add("DÓŁ").title, "Dodałem wyraz");
  EXPECT_EQ(Add("NÓŻ").title, "Dodałem wyraz");
  EXPECT_EQ(Add("kit").title, "Dodałem wyraz");
  const SearchWindow search = Search("***");
  EXPECT_EQ(search.results, (Strings{"kot", "DÓŁ", "NÓŻ", "kit"}));
  EXPECT_TRUE(search.messages.empty());
}

TEST_F(Format, the_search_and_the_addition_read_the_count_line_alike) {
  struct Case {
    const char* bytes;
    bool isCount;
  };
  const Case cases[] = {
      {"2\r\nkot\r\nkit\r\n", true},      {" 2 \r\nkot\r\nkit\r\n", true}, {"2,kut\r\nkot\r\nkit\r\n", false},
      {"\"2\"\r\nkot\r\nkit\r\n", false}, {"abc\r\nkot\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    WriteBytes(List(3), c.bytes);
    const SearchWindow search = Search("k*t");
    EXPECT_EQ(!search.results.empty(), c.isCount);
    const AddWindow add = Add("kat");
    EXPECT_EQ(add.title == ErrorTitle, !c.isCount);
    if (!c.isCount) {
      for (const std::string& text : {search.messages.at(0), add.messages.at(0)})
        EXPECT_TRUE(Contains(text, "wypelniak-slownik repair " + PathText(List(3)))) << text;
    }
  }
}

TEST_F(Format, a_count_that_disagrees_with_the_words_is_reported_once_after_the_list) {
  struct Case {
    const char* bytes;
    Strings listed;
    const char* numbers;
  };
  const Case cases[] = {
      {"2.5\r\nkot\r\nkit\r\nkat\r\n", {"kot", "kit"}, "(2) nie zgadza się z liczbą wyrazów w pliku (3)"},
      {"1e-5\r\nkot\r\nkit\r\nkat\r\n", {}, "(0) nie zgadza się z liczbą wyrazów w pliku (3)"},
      {"5\r\nkot\r\nkit\r\n", {"kot", "kit"}, "(5) nie zgadza się z liczbą wyrazów w pliku (2)"},
      {"2\r\nkot,kit\r\nkat\r\n", {"kot", "kit"}, "(2) nie zgadza się z liczbą wyrazów w pliku (3)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    WriteBytes(List(3), c.bytes);
    const SearchWindow search = Search("k*t");
    EXPECT_EQ(search.results, c.listed);
    ASSERT_EQ(search.messages.size(), 1u);
    EXPECT_TRUE(Contains(search.messages[0], c.numbers)) << search.messages[0];
    EXPECT_TRUE(Contains(search.messages[0], "wypelniak-slownik repair")) << search.messages[0];
  }
  WriteBytes(List(3), "2\r\nkot\r\nkit\r\n\r\n");  // an empty line at the end is no word
  EXPECT_TRUE(Search("k*t").messages.empty());
}

TEST(word_list_messages, name_the_repair_command_never_the_build) {
  const std::filesystem::path plain = "/lists/slow/slow.3", blank = "/my lists/slow/slow.3";
  EXPECT_EQ(RepairCommand(plain), "wypelniak-slownik repair /lists/slow/slow.3");
  EXPECT_EQ(RepairCommand(blank), "wypelniak-slownik repair \"/my lists/slow/slow.3\"");
  for (const std::string& text :
       {WrongEncodingMessage(plain), CountLineMessage(plain, ReadCountLine("3\nkot\n"))}) {
    EXPECT_TRUE(Contains(text, RepairCommand(plain))) << text;
    EXPECT_FALSE(Contains(text, "build")) << text;
  }
}
