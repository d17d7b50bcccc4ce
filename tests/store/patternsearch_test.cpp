#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "patternsearch.h"
#include "testutil.h"

using namespace wypelniak;
using wypelniak::testing::ListBytes;
using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;

namespace {

// Records every call the search makes, in order, as text.
class RecordingView : public SearchView {
 public:
  std::string pattern;
  std::vector<std::string> calls;
  std::vector<std::string> results;
  std::vector<std::string> messages;

  std::string PatternText() override { return pattern; }
  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override {
    const char* iconName = icon == MessageIcon::None ? "none" : icon == MessageIcon::Exclamation ? "!" : "i";
    messages.push_back(std::string(text));
    calls.push_back("message[" + std::string(title) + "|" + iconName + "]");
  }
  void ClearResults() override {
    results.clear();
    calls.push_back("clear");
  }
  void SetResultsVisible(bool v) override { calls.push_back(v ? "show" : "hide"); }
  void SetPatternEnabled(bool v) override { calls.push_back(v ? "enable" : "disable"); }
  void ProcessPendingEvents() override { calls.push_back("events"); }
  void AddResult(std::string_view word) override { results.emplace_back(word); }
};

using Strings = std::vector<std::string>;

constexpr char kTooShort[] = "Najkrótszy wyraz musi mieć minimum 2 litery !!!";
constexpr char kNoWildcard[] = "Podane wyrażenie musi zawierać minimum jedną gwiazdkę (*) !!!";
constexpr char kTooLong[] = "W języku polskim nie ma słów mających więcej niż 22 znaki !!!";

class Search : public ::testing::Test {
 protected:
  TempFolder folder;

  void Write(int n, std::string_view bytes) { WriteBytes(WordListPath(n, folder.path()), bytes); }

  RecordingView Run(std::string pattern) {
    RecordingView view;
    view.pattern = std::move(pattern);
    SearchMemory memory;
    PatternSearch(view, memory, folder.path());
    return view;
  }
};

}  // namespace

TEST_F(Search, lists_matching_words_in_file_order) {
  Write(3, ListBytes({"kot", "kąt", "lot", "kit", "kat", "kts"}));
  const RecordingView view = Run("k*t");
  EXPECT_EQ(view.results, (Strings{"kot", "kąt", "kit", "kat"}));
  EXPECT_EQ(view.calls, (Strings{"clear", "hide", "disable", "events", "show", "enable"}));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(Search, all_stars_list_the_whole_file_and_polish_letters_match) {
  Write(3, ListBytes({"kot", "kąt", "żuć"}));
  EXPECT_EQ(Run("***").results, (Strings{"kot", "kąt", "żuć"}));
  EXPECT_EQ(Run("*ą*").results, Strings{"kąt"});
  EXPECT_EQ(Run("ż**").results, Strings{"żuć"});
}

TEST_F(Search, comparison_is_exact_with_no_case_folding) {
  Write(3, ListBytes({"kąt", "Kot"}));
  EXPECT_TRUE(Run("K*T").results.empty());
  EXPECT_TRUE(Run("*Ą*").results.empty());
  EXPECT_EQ(Run("K**").results, Strings{"Kot"});
}

TEST_F(Search, refusals_open_no_file_and_keep_the_list) {
  // No slow/ folder at all: none of these may reach the files.
  RecordingView empty = Run("");
  EXPECT_TRUE(empty.calls.empty());

  RecordingView one = Run("*");
  EXPECT_EQ(one.messages, Strings{kTooShort});
  EXPECT_EQ(one.calls, Strings{"message[|none]"});

  RecordingView whole = Run("kot");
  EXPECT_EQ(whole.messages, Strings{kNoWildcard});
  EXPECT_EQ(whole.calls, Strings{"message[Błąd|!]"});

  RecordingView longer = Run(std::string(22, 'a') + "*");  // the star lies beyond cell 22
  EXPECT_EQ(longer.messages, Strings{kNoWildcard});

  RecordingView tooLong = Run(std::string("*").append(22, 'a'));
  EXPECT_EQ(tooLong.messages, Strings{kTooLong});
  EXPECT_EQ(tooLong.calls, (Strings{"clear", "hide", "message[Błąd|!]"}));  // the list stays hidden
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "slow"));
}

TEST_F(Search, lengths_count_characters_not_bytes) {
  Write(2, ListBytes({"ąę"}));
  EXPECT_EQ(Run("ą*").results, Strings{"ąę"});
  EXPECT_EQ(Run("ś").messages, Strings{kTooShort});  // one letter, two bytes
  // 22 Polish letters and a star: 23 characters, refused as too long.
  std::string pattern;
  for (int i = 0; i < 22; ++i) pattern += "ż";
  EXPECT_EQ(Run("*" + pattern).messages, Strings{kTooLong});
}

TEST_F(Search, twenty_two_characters_use_slow_22) {
  const std::string word(22, 'x');
  Write(22, ListBytes({word}));
  EXPECT_EQ(Run(std::string("x").append(21, '*')).results, Strings{word});
}

TEST_F(Search, a_character_no_file_can_hold_matches_nothing) {
  Write(3, ListBytes({"kot", "k?t"}));
  EXPECT_TRUE(Run("kкt").results.empty());  // Cyrillic к
  EXPECT_TRUE(Run("k😀*").results.empty());
}

TEST_F(Search, words_of_another_length_are_never_listed) {
  // A damaged file may hold words of other lengths; they cannot fill the slot.
  Write(3, "4\r\nko\r\nkotek\r\nkit\r\nk\xB9t\r\n");
  EXPECT_EQ(Run("k**").results, (Strings{"kit", "kąt"}));
  EXPECT_EQ(Run("***").results, (Strings{"kit", "kąt"}));
  EXPECT_TRUE(Run("ko*").results.empty());
}

TEST_F(Search, reads_exactly_count_words) {
  Write(3, "2\r\nkot\r\nkit\r\nkat\r\n");
  EXPECT_EQ(Run("k*t").results, (Strings{"kot", "kit"}));
  Write(3, "0\r\n");
  RecordingView none = Run("***");
  EXPECT_TRUE(none.results.empty());
  EXPECT_TRUE(none.messages.empty());
}

TEST_F(Search, a_comma_splits_a_line_into_two_values) {
  Write(3, "2\r\nkot,kit\r\nkat\r\n");
  EXPECT_EQ(Run("k*t").results, (Strings{"kot", "kit"}));
  Write(3, "2\r\nk,t\r\nkat\r\n");
  EXPECT_TRUE(Run("k*t").results.empty());  // "k" and "t": neither has three letters
}

TEST_F(Search, file_problems_are_reported_and_the_window_restored) {
  struct Case {
    const char* name;
    std::string bytes;  // empty name: no file is written
    const char* expected;
  };
  const Case cases[] = {
      {"empty file", "", "plik jest pusty"},
      {"count not a number", "abc\r\nkot\r\n", "nie zawiera liczby wyrazów"},
      {"negative count", "-5\r\nkot\r\n", "ujemna"},
      {"count over 32 bits", "2147483648\r\nkot\r\n", "za duża"},
      {"LF line ends", "2\nkot\nkit\n", "samym znakiem LF"},
      {"UTF-8 instead of Windows-1250", "2\r\nkąt\r\nkot\r\n", "kodowaniu UTF-8"},
      {"a control character in the count", std::string("x\0y\r\nkot\r\n", 9), "„x?y”"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(3, c.bytes);
    const std::string before = ReadBytes(WordListPath(3, folder.path()));
    RecordingView view = Run("k*t");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(c.expected), std::string::npos) << view.messages[0];
    EXPECT_NE(view.messages[0].find("slow.3"), std::string::npos) << "the message names the file";
    EXPECT_TRUE(view.results.empty());
    // Back to normal: list shown and pattern box enabled before the message.
    const Strings tail(view.calls.end() - 3, view.calls.end());
    EXPECT_EQ(tail, (Strings{"show", "enable", "message[Błąd|!]"}));
    EXPECT_EQ(ReadBytes(WordListPath(3, folder.path())), before);
  }
}

TEST_F(Search, a_missing_file_is_reported_and_never_created) {
  std::filesystem::create_directories(folder.path() / "slow");
  RecordingView view = Run("k*t");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("plik nie istnieje"), std::string::npos);
  EXPECT_EQ(view.calls, (Strings{"clear", "hide", "clear", "show", "enable", "message[Błąd|!]"}));
  EXPECT_FALSE(std::filesystem::exists(WordListPath(3, folder.path())));

  std::filesystem::remove(folder.path() / "slow");
  RecordingView noFolder = Run("k*t");
  ASSERT_EQ(noFolder.messages.size(), 1u);
  EXPECT_NE(noFolder.messages[0].find("folderu słownika"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "slow"));
}

TEST_F(Search, a_folder_in_place_of_the_file_is_reported) {
  std::filesystem::create_directories(WordListPath(3, folder.path()));
  RecordingView view = Run("k*t");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("folder"), std::string::npos);
}

TEST_F(Search, results_are_decoded_from_windows_1250) {
  // Bytes written by hand: 0xB3 is ł, 0xB9 is ą, 0x9C is ś.
  Write(4, "2\r\n\xB3\xB9ka\r\n\x9C" "cie\r\n");
  EXPECT_EQ(Run("****").results, (Strings{"łąka", "ście"}));
}

TEST_F(Search, words_with_control_characters_are_left_out_and_reported) {
  Write(3, std::string("4\r\nk\0t\r\nkot\r\nk\x81t\r\nkit\r\n", 23));
  const RecordingView view = Run("k*t");
  EXPECT_EQ(view.results, (Strings{"kot", "kit"}));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("znaki sterujące (2)"), std::string::npos) << view.messages[0];
  // The list is shown with the good words before the message.
  EXPECT_EQ(view.calls, (Strings{"clear", "hide", "disable", "events", "show", "enable", "message[Błąd|!]"}));
  EXPECT_TRUE(Run("x*x").messages.empty());  // only matching words are looked at
}

// When the count and the words disagree the list holds what the count allows
// of what is there, and one message after it names the file and its repair.
TEST_F(Search, a_count_that_disagrees_with_the_words_lists_them_and_says_so_once) {
  struct Case {
    const char* name;
    std::string bytes;
    Strings listed;
    std::vector<const char*> said;  // empty: no message
  };
  const Case cases[] = {
      {"count above the words", "5\r\nkot\r\nkit\r\nkat\r\n", {"kot", "kit", "kat"}, {"(5)", "(3)"}},
      {"count far above", "1000000000\r\nkot\r\n", {"kot"}, {"(1000000000)", "(1)"}},
      {"count below the words", "2\r\nkot\r\nkit\r\nkat\r\nkut\r\n", {"kot", "kit"}, {"(2)", "(4)"}},
      {"and a control character",
       std::string("3\r\nk\0t\r\nkot\r\n", 13),
       {"kot"},
       {"(3)", "(2)", "sterujące (1)"}},
      {"a blank line at the end is no word", "2\r\nkot\r\nkit\r\n\r\n", {"kot", "kit"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(3, c.bytes);
    const RecordingView view = Run("k*t");
    EXPECT_EQ(view.results, c.listed);
    if (c.said.empty()) {
      EXPECT_TRUE(view.messages.empty());
      continue;
    }
    ASSERT_EQ(view.messages.size(), 1u);
    const std::string repair = ToolCommand() + " repair " + PathText(WordListPath(3, folder.path()));
    for (const char* part : c.said)
      EXPECT_NE(view.messages[0].find(part), std::string::npos) << view.messages[0];
    EXPECT_NE(view.messages[0].find(repair), std::string::npos) << view.messages[0];
    EXPECT_EQ(view.calls,
              (Strings{"clear", "hide", "disable", "events", "show", "enable", "message[Błąd|!]"}));
  }
}
