#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "gridfile.h"
#include "ipuz.h"
#include "platform.h"
#include "polishpuzzle.h"
#include "testutil.h"
#include "wordlist.h"

using namespace wypelniak;
using wypelniak::testing::PolishPuzzle;
using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;

namespace {

// A minimal crossword document; extra is spliced in as further fields.
std::string Doc(const std::string& extra, const std::string& dimensions = R"({"width": 2, "height": 2})",
                const std::string& puzzle = R"([[1, 2], [3, 0]])") {
  return R"({"version": "http://ipuz.org/v2", "kind": ["http://ipuz.org/crossword#1"], "dimensions": )" +
         dimensions + R"(, "puzzle": )" + puzzle + (extra.empty() ? "" : ", " + extra) + "}";
}

}  // namespace

TEST(Ipuz, every_polish_letter_and_the_clues_come_back) {
  const Puzzle p = PolishPuzzle();
  const std::string text = IpuzText(p);
  // Letters stand in the file as they are, in upper case.
  EXPECT_NE(text.find(R"(["Ą", "Ć", "Ę", "Ł", "Ń", "Ó", "Ś", "Ź", "Ż"],)"), std::string::npos) << text;
  EXPECT_EQ(text.find(R"("ą")"), std::string::npos) << text;
  EXPECT_NE(text.find(R"(["#", 0, 0, "#", "Q", "V", "X", 0, "#"])"), std::string::npos) << text;
  EXPECT_NE(text.find(R"([1, 2, 3, 4, 5, 6, 7, 8, 9],)"), std::string::npos) << text;
  const IpuzResult r = ParseIpuz(text);
  ASSERT_EQ(r.error, IpuzError::None) << DescribeIpuzError(r);
  EXPECT_EQ(r.puzzle, p);
}

TEST(Ipuz, other_writers_forms_are_read) {
  const struct {
    std::string doc;
    const char* grid;   // the grid as text
    std::string clues;  // "<number><A|D>=<text>" each
  } cases[] = {
      // Escaped letters, lower case, null and "" for no letter.
      {Doc(R"("solution": [["\u0105", null], ["ż", ""]])"), "ą.\nż.\n", ""},
      // The block and empty values the file names; null for a cell outside.
      {Doc(R"("block": "X", "empty": "-", "solution": [["-", "X"], ["A", "X"]])",
           R"({"width": 2, "height": 2})", R"([[1, "X"], ["-", null]])"),
       ".#\na#\n", ""},
      // A letter given to the solver in "puzzle", no solution.
      {Doc("", R"({"width": 2, "height": 2})", R"([[{"cell": 1, "value": "Ł"}, 2], [{"cell": "#"}, 0]])"),
       "ł.\n#.\n", ""},
      // Wrapped in a JSONP callback, as Python's ipuz.write once wrote it.
      {"ipuz(" + Doc(R"("solution": [["X", 0], [0, "V"]])") + ")\n", "x.\n.v\n", ""},
      // Clues as objects, numbers as text, named directions; others skipped.
      {Doc(R"("clues": {"Across:Poziomo": [{"number": "1", "clue": "a"}], "Down": [[2, "b"]],
                        "Diagonal": [[1, "c"]]})"),
       "..\n..\n", "1A=a 2D=b"},
  };
  for (const auto& c : cases) {
    const IpuzResult r = ParseIpuz(c.doc);
    ASSERT_EQ(r.error, IpuzError::None) << DescribeIpuzError(r) << "\n" << c.doc;
    EXPECT_EQ(GridText(r.puzzle.grid), c.grid) << c.doc;
    std::string clues;
    for (const Clue& clue : r.puzzle.clues) {
      if (!clues.empty()) clues += ' ';
      clues.append(std::to_string(clue.number)).append(clue.direction == Direction::Across ? "A=" : "D=");
      clues += clue.text;
    }
    EXPECT_EQ(clues, c.clues) << c.doc;
  }
}

TEST(Ipuz, damaged_and_hostile_files_get_their_error) {
  const struct {
    std::string doc;
    IpuzError error;
    const char* said;  // a piece of the message
  } cases[] = {
      {"", IpuzError::NotJson, "linii 1"},
      {"{\"kind\": [}\n", IpuzError::NotJson, "linii 1, znak 11"},
      {"{\n\"title\": \"\xC5\"}", IpuzError::NotUtf8, "linii 2"},
      {"{\"a\": " + std::string(100000, '['), IpuzError::TooDeep, "32"},
      {"[1]", IpuzError::NotObject, "obiektu"},
      {Doc(R"("title": -1e400)"), IpuzError::NumberTooLarge, "liczba -1e400 jest za duża"},
      {"ipuz({\"a\": 1}", IpuzError::NotJson, "linii 1, znak 14"},
      {"ipuz(\n[1, }\n)", IpuzError::NotJson, "linii 2, znak 5"},
      {R"({"version": "http://ipuz.org/v2"})", IpuzError::NotCrossword, "nie ma go"},
      {R"({"kind": ["http://ipuz.org/sudoku#1"]})", IpuzError::NotCrossword, "sudoku"},
      {R"({"kind": ["http://ipuz.org/crossword#1"]})", IpuzError::MissingField, "„dimensions”"},
      {Doc("", R"({"width": "2", "height": 2})"), IpuzError::BadDimensions, "„dimensions.width”"},
      {Doc("", R"({"width": 2, "height": 0})"), IpuzError::BadDimensions, "„dimensions.height”"},
      {Doc("", R"({"width": 2.0, "height": 2})"), IpuzError::BadDimensions, "2.0"},
      {Doc("", R"({"width": 18446744073709551616, "height": 2})"), IpuzError::BadDimensions, "width"},
      {Doc("", R"({"width": 2147483648, "height": 2})"), IpuzError::TooLarge, "2147483648"},
      {Doc("", R"({"width": 2, "height": 41})"), IpuzError::TooLarge, "40 × 40"},
      {Doc("", R"({"width": 2})"), IpuzError::MissingField, "„dimensions.height”"},
      {Doc("", R"([2, 2])"), IpuzError::WrongType, "„dimensions”"},
      {Doc("", R"({"width": 2, "height": 3})"), IpuzError::RowCount, "ma 2 wierszy"},
      {Doc("", R"({"width": 2, "height": 2})", R"([[1, 2], [3]])"), IpuzError::RowLength, "wiersz 2"},
      {Doc("", R"({"width": 2, "height": 2})", R"([[1, 2], "ab"])"), IpuzError::WrongType, "wiersz 2"},
      {Doc("", R"({"width": 2, "height": 2})", R"([[1, true], [3, 0]])"), IpuzError::BadCell, "kolumna 2"},
      {Doc(R"("solution": [["A", "1"], [0, 0]])"), IpuzError::NotALetter, "\"1\""},
      {Doc(R"("solution": [["é", 0], [0, 0]])"), IpuzError::NotALetter, "\"é\""},
      {Doc(R"("solution": [["A", 0], [0, "CH"]])"), IpuzError::Rebus, "wiersz 2, kolumna 2"},
      {Doc(R"("solution": [["A", 0], [0, [1]]])"), IpuzError::BadCell, "„solution”"},
      {Doc(R"("solution": [["#", 0], [0, 0]])"), IpuzError::Mismatch, "wiersz 1, kolumna 1"},
      {Doc(R"("solution": [["A", 0], [0, 0]])", R"({"width": 2, "height": 2})", R"([["#", 2], [3, 0]])"),
       IpuzError::Mismatch, "wiersz 1, kolumna 1"},
      {Doc(R"("solution": [["A", 0]])"), IpuzError::RowCount, "„solution”"},
      {Doc(R"("clues": [])"), IpuzError::WrongType, "„clues”"},
      {Doc(R"("clues": {"Across": {"1": "a"}})"), IpuzError::WrongType, "„clues.Across”"},
      {Doc(R"("clues": {"Down": [[1, "a"], [2]]})"), IpuzError::BadClue, "hasło nr 2"},
      {Doc(R"("clues": {"Down": [[2147483648, "a"]]})"), IpuzError::BadClue, "2147483648"},
      {Doc(R"("clues": {"Down": [["1-2", "a"]]})"), IpuzError::BadClue, "1-2"},
      {Doc(R"("clues": {"Across": ["no number"]})"), IpuzError::BadClue, "no number"},
      {Doc(R"("title": 5)"), IpuzError::WrongType, "„title”"},
      {Doc(R"("block": 1)"), IpuzError::WrongType, "„block”"},
  };
  for (const auto& c : cases) {
    const IpuzResult r = ParseIpuz(c.doc);
    const std::string message = DescribeIpuzError(r);
    EXPECT_EQ(r.error, c.error) << message << "\n" << c.doc.substr(0, 200);
    EXPECT_NE(message.find(c.said), std::string::npos) << message;
  }
}

TEST(Ipuz, a_long_value_is_cut_short_in_the_message) {
  const IpuzResult r = ParseIpuz(Doc(R"("title": [")" + std::string(100000, 'x') + R"("])"));
  ASSERT_EQ(r.error, IpuzError::WrongType);
  EXPECT_LT(DescribeIpuzError(r).size(), 200u);
}

// ---- Files -----------------------------------------------------------------

TEST(GridFile, reads_either_form_by_content_or_name) {
  TempFolder folder;
  const struct {
    const char* name;
    std::string content;
    GridFileError error;
  } cases[] = {
      {"a.txt", "ab\n#.\n", GridFileError::None},
      {"b.txt", "  \n" + IpuzText(PolishPuzzle()), GridFileError::None},
      {"c", "\xEF\xBB\xBF{", GridFileError::Ipuz},
      {"f", " ipuz(" + IpuzText(PolishPuzzle()) + ")", GridFileError::None},
      {"d.IPUZ", "ab\n#.\n", GridFileError::Ipuz},
      {"e.txt", "ab\n#1\n", GridFileError::Text},
  };
  for (const auto& c : cases) {
    WriteBytes(folder.path() / c.name, c.content);
    const GridFileResult r = ReadGridFile(folder.path() / c.name);
    EXPECT_EQ(r.error, c.error) << c.name << ": " << DescribeGridFileError(r);
    if (r.error != GridFileError::None) {
      EXPECT_NE(DescribeGridFileError(r).find(PathText(folder.path() / c.name)), std::string::npos);
    }
  }
  EXPECT_EQ(ReadGridFile(folder.path() / "b.txt").puzzle, PolishPuzzle());
}

TEST(GridFile, refuses_what_is_no_grid_file) {
  TempFolder folder;
  const std::filesystem::path fifo = folder.path() / "fifo.ipuz", big = folder.path() / "big.ipuz";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteBytes(big, "{");
  std::filesystem::resize_file(big, kMaxGridFileBytes + 1);
  const struct {
    std::filesystem::path path;
    GridFileError error;
    const char* said;
  } cases[] = {
      {fifo, GridFileError::Read, "potok"},
      {folder.path(), GridFileError::Read, "folder"},
      {folder.path() / "none.ipuz", GridFileError::Read, "nie istnieje"},
      {big, GridFileError::TooLarge, "4 MiB"},
  };
  for (const auto& c : cases) {
    const GridFileResult r = ReadGridFile(c.path);
    const std::string message = DescribeGridFileError(r);
    EXPECT_EQ(r.error, c.error) << message;
    EXPECT_NE(message.find(c.said), std::string::npos) << message;
    EXPECT_NE(message.find(PathText(c.path)), std::string::npos) << message;
  }
}

class GridFileWrite : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetFaultHook(nullptr); }
};

TEST_F(GridFileWrite, replaces_the_file_and_leaves_nothing_beside_it) {
  TempFolder folder;
  const std::filesystem::path file = folder.path() / "krzyżówka.ipuz";
  WriteBytes(file, "old");
  std::filesystem::permissions(file, std::filesystem::perms(0640));
  const GridFileResult w = WriteGridFile(file, PolishPuzzle());
  ASSERT_EQ(w.error, GridFileError::None) << DescribeGridFileError(w);
  EXPECT_EQ(ReadGridFile(file).puzzle, PolishPuzzle());
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST_F(GridFileWrite, a_failure_leaves_the_old_file_as_it_was) {
  using platform::FileStep;
  const struct {
    FileStep step;
    GridFileError error;
    const char* content;  // what the file holds after
  } cases[] = {
      {FileStep::Create, GridFileError::Write, "old"},
      {FileStep::Write, GridFileError::Write, "old"},
      {FileStep::Sync, GridFileError::Write, "old"},
      {FileStep::Replace, GridFileError::Replace, "old"},
      {FileStep::SyncFolder, GridFileError::Confirm, nullptr},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    const std::filesystem::path file = folder.path() / "k.ipuz";
    WriteBytes(file, "old");
    platform::SetFaultHook([&](FileStep step) -> std::error_code {
      return step == c.step ? std::make_error_code(std::errc::no_space_on_device) : std::error_code{};
    });
    const GridFileResult r = WriteGridFile(file, PolishPuzzle());
    platform::SetFaultHook(nullptr);
    const std::string message = DescribeGridFileError(r);
    EXPECT_EQ(r.error, c.error) << message;
    EXPECT_NE(message.find("brak miejsca na dysku"), std::string::npos) << message;
    EXPECT_NE(message.find(PathText(file)), std::string::npos) << message;
    EXPECT_EQ(ReadBytes(file), c.content ? c.content : IpuzText(PolishPuzzle()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << message;
  }
}

TEST_F(GridFileWrite, a_read_only_file_is_not_replaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TempFolder folder;
  const std::filesystem::path file = folder.path() / "k.ipuz";
  WriteBytes(file, "old");
  std::filesystem::permissions(file, std::filesystem::perms(0444));
  const GridFileResult r = WriteGridFile(file, PolishPuzzle());
  EXPECT_EQ(r.error, GridFileError::Write);
  EXPECT_NE(DescribeGridFileError(r).find("uprawnień"), std::string::npos) << DescribeGridFileError(r);
  EXPECT_EQ(ReadBytes(file), "old");
}
