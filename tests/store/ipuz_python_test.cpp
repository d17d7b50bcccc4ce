// Our .ipuz files read by a reader of another hand (tests/store/
// ipuz_independent.py, with Python's ipuz package where scripts/python-ipuz
// could install it), and its files read by ours.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gridfile.h"
#include "polishpuzzle.h"
#include "testutil.h"
#include "wordlist.h"

using namespace wypelniak;
using wypelniak::testing::PolishPuzzle;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;

namespace {

// A JSON string, written here rather than by the code under test.
std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (b < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", b);
      out += escape;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

// What the independent reader is to find: the rows, the clues, the texts.
std::string Expected(const Puzzle& p) {
  std::string rows, across, down;
  const std::string text = GridText(p.grid, true);
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    rows += (rows.empty() ? "" : ", ") + JsonString(text.substr(start, end - start));
  for (const Clue& c : p.clues) {
    std::string& list = c.direction == Direction::Across ? across : down;
    list += (list.empty() ? "[" : ", [") + std::to_string(c.number) + ", " + JsonString(c.text) + "]";
  }
  return "{\"rows\": [" + rows + "], \"clues\": {\"Across\": [" + across + "], \"Down\": [" + down +
         "]}, \"title\": " + JsonString(p.title) + ", \"author\": " + JsonString(p.author) +
         ", \"copyright\": " + JsonString(p.copyright) + ", \"notes\": " + JsonString(p.notes) + "}";
}

// A path for the shell, in single quotes (the test's paths hold none).
std::string Quoted(const std::filesystem::path& path) {
  std::string quoted(1, '\'');
  quoted.append(PathText(path)).push_back('\'');
  return quoted;
}

// Runs the independent reader with the venv's Python, or the system's.
int RunPython(const std::string& args) {
  const std::filesystem::path venv = WYPELNIAK_VENV_PYTHON;
  const std::string python = std::filesystem::exists(venv) ? Quoted(venv) : "python3";
  return std::system((python + " " + Quoted(WYPELNIAK_IPUZ_SCRIPT) + " " + args).c_str());
}

class IndependentReader : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(expected_, Expected(PolishPuzzle())); }

  // Our file read there, and its file read here.
  void RoundTrips(const std::string& flags) {
    const std::filesystem::path ours = folder_.path() / "ours.ipuz", theirs = folder_.path() / "theirs.ipuz";
    const GridFileResult written = WriteGridFile(ours, PolishPuzzle());
    ASSERT_EQ(written.error, GridFileError::None) << DescribeGridFileError(written);
    EXPECT_EQ(RunPython("read " + Quoted(ours) + " " + Quoted(expected_) + flags), 0);
    ASSERT_EQ(RunPython("write " + Quoted(expected_) + " " + Quoted(theirs) + flags), 0);
    const GridFileResult read = ReadGridFile(theirs);
    ASSERT_EQ(read.error, GridFileError::None) << DescribeGridFileError(read);
    EXPECT_EQ(read.puzzle, PolishPuzzle());
  }

  TempFolder folder_;
  std::filesystem::path expected_ = folder_.path() / "expected.json";
};

}  // namespace

TEST_F(IndependentReader, reads_our_letters_numbers_and_clues_and_writes_what_we_read) {
  RoundTrips("");
}

TEST_F(IndependentReader, python_ipuz_package_validates_our_file_and_writes_what_we_read) {
  if (RunPython("has-ipuz") != 0)
    GTEST_SKIP() << "Python's ipuz package is not installed: scripts/python-ipuz could not install it "
                    "(it needs the Python package index)";
  RoundTrips(" --need-ipuz");
}
