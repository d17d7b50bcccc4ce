#include "hunspell.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../store/testutil.h"
#include "cp1250.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace {

using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;

TEST(Hunspell, TakesEachEntrysStemAndLeavesOutWhatTheOptionsSay) {
  // ISO-8859-2: "\xB1" is "ą", "\xA3" is "Ł", "\xB6" is "ś".
  const std::string dic =
      "9\r\n"
      "kot/NOsT\r\n"
      "m\xB1ka/abc\r\n"
      "\xA3\xF3"
      "d\xBC/Q\r\n"
      "AIDS\r\n"
      "np./x\r\n"
      "a\\/b/X\r\n"
      "pi\xB6\tpo:noun\r\n"
      "\r\n"
      "iPhone";
  struct Case {
    HunspellOptions options;
    std::string words;
    std::size_t properNames, abbreviations;
  };
  const Case cases[] = {
      {{false, false}, "kot\nmąka\nŁódź\nAIDS\nnp.\na/b\npiś\niPhone\n", 0, 0},
      {{true, false}, "kot\nmąka\nnp.\na/b\npiś\n", 3, 0},
      {{false, true}, "kot\nmąka\nŁódź\na/b\npiś\niPhone\n", 0, 2},
      {{true, true}, "kot\nmąka\na/b\npiś\n", 2, 2},
  };
  for (const Case& c : cases) {
    std::string words;
    HunspellStats stats;
    std::size_t badLine = 0;
    ASSERT_TRUE(HunspellWords(dic, Charset::Iso8859_2, c.options, words, stats, badLine));
    EXPECT_EQ(words, c.words);
    EXPECT_EQ(stats.entries, 8u);
    EXPECT_EQ(stats.properNames, c.properNames);
    EXPECT_EQ(stats.abbreviations, c.abbreviations);
  }
  std::string words;
  HunspellStats stats;
  std::size_t badLine = 0;
  EXPECT_FALSE(HunspellWords("2\nkot\nk\xC4t\n", Charset::Utf8, {}, words, stats, badLine));
  EXPECT_EQ(badLine, 3u);
}

TEST(Hunspell, EncodingComesFromTheSetLine) {
  const std::pair<std::string, Charset> cases[] = {
      {"# x\nSET ISO8859-2\nTRY abc\n", Charset::Iso8859_2},
      {"\xEF\xBB\xBFSET UTF-8\r\n", Charset::Utf8},
      {"SETTING x\nTRY a\n", Charset::Unknown},
      {"SET KOI8-R\n", Charset::Unknown},
  };
  for (const auto& [aff, charset] : cases) EXPECT_EQ(HunspellEncoding(aff), charset) << aff;
}

TEST(Hunspell, BuildReadsTheDictionaryFromTheCommandLine) {
  TempFolder folder;
  const auto dic = folder.path() / "pl.dic";
  WriteBytes(dic, "3\nkot/N\nKraków/Q\nb\xB1k\n");
  WriteBytes(folder.path() / "pl.aff", "SET ISO8859-2\n");
  const auto slow = folder.path() / "slow";
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string slow3;  // expected slow.3 (Windows-1250) when built
    std::string errorPart;
  };
  const Case cases[] = {
      {{"build", "--hunspell", "--no-proper-names", dic.string(), slow.string()},
       kExitOk,
       "2\r\nkot\r\nb\xB9k\r\n",
       ""},
      {{"build", "--hunspell", (folder.path() / "none.dic").string(), (folder.path() / "other").string()},
       kExitProblems,
       "",
       "none.aff"},
      {{"build", "--no-abbreviations", dic.string(), slow.string()}, kExitUsage, "", "--hunspell"},
      // The list built above is kept; the command offered rebuilds it from the same dictionary.
      {{"build", "--hunspell", dic.string(), slow.string()}, kExitProblems, "", "build --overwrite --hunspell "},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(slownik::Run(c.args, folder.path(), out, err), c.exit) << err.str();
    EXPECT_NE(err.str().find(c.errorPart), std::string::npos) << err.str();
    if (!c.slow3.empty()) {
      EXPECT_EQ(ReadBytes(slow / "slow.3"), c.slow3);
    }
  }
}

}  // namespace
}  // namespace wypelniak::slownik
