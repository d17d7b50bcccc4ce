#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cp1250.h"
#include "platform.h"
#include "slownik.h"
#include "wordlist.h"

namespace fs = std::filesystem;
using namespace wypelniak;
using namespace wypelniak::slownik;

namespace {

using Strings = std::vector<std::string>;

// A fresh folder for one test, removed with all it holds at the end.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ =
        fs::temp_directory_path() / ("wypelniak-slownik-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const char* name) const { return path_ / name; }

 private:
  fs::path path_;
};

void WriteBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path ListFile(const fs::path& folder, int n) {
  return folder / ("slow." + std::to_string(n));
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome Build(const fs::path& source, const fs::path& folder, bool overwrite = false) {
  std::ostringstream out, err;
  Options options;
  options.overwrite = overwrite;
  const int status = RunBuild(source, folder, options, out, err);
  return {status, out.str(), err.str()};
}

Outcome Check(const fs::path& folder) {
  std::ostringstream out, err;
  const int status = RunCheck(folder, out, err);
  return {status, out.str(), err.str()};
}

Outcome Command(const Strings& args, const fs::path& programFolder = "/nonexistent-program-folder") {
  std::ostringstream out, err;
  const int status = Run(args, programFolder, out, err);
  return {status, out.str(), err.str()};
}

// Writes a UTF-8 source and builds folder from it.
Outcome BuildFrom(const TempFolder& temp, std::string_view source, const fs::path& folder,
                  bool overwrite = false) {
  WriteBytes(temp / "zrodlo.txt", source);
  return Build(temp / "zrodlo.txt", folder, overwrite);
}

// Reads slow.<n> back with the core's readers and returns its words in
// UTF-8, checking the file's form on the way: every line ends in CR LF,
// nothing follows the last one, the count is right and every word has n
// characters.
Strings ReadBack(const fs::path& folder, int n) {
  const std::string bytes = ReadBytes(ListFile(folder, n));
  EXPECT_GE(bytes.size(), 3u) << "slow." << n;
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "slow." << n;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "slow." << n << " @" << i;
    }
    if (bytes[i] == '\n') {
      EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "slow." << n << " @" << i;
    }
  }

  LineReader lines(bytes);
  std::int32_t count = -1;
  EXPECT_EQ(ParseCount(lines.ReadLine(), count), CountError::None);
  Strings words;
  while (!lines.AtEnd()) {
    const std::string_view word = lines.ReadLine();
    EXPECT_EQ(word.size(), static_cast<std::size_t>(n)) << "slow." << n;
    words.push_back(Cp1250ToUtf8(word));
  }
  EXPECT_EQ(static_cast<std::size_t>(count), words.size()) << "slow." << n;

  // The search's counted reading sees the same words.
  CountedReader values(bytes);
  std::string_view value;
  EXPECT_TRUE(values.Next(value));
  for (const std::string& w : words) {
    EXPECT_TRUE(values.Next(value));
    EXPECT_EQ(Cp1250ToUtf8(value), w);
  }
  EXPECT_FALSE(values.Next(value));
  return words;
}

bool AnyTemporaryFile(const fs::path& folder) {
  if (!fs::exists(folder)) return false;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().front() == '~') return true;
  return false;
}

// The kinds and line numbers of the problems found in one file's bytes.
std::multiset<std::pair<ProblemKind, std::size_t>> Problems(int n, std::string_view bytes) {
  const FileReport report = CheckWordFileData(n, bytes);
  EXPECT_EQ(report.problemCount, report.problems.size());
  std::multiset<std::pair<ProblemKind, std::size_t>> found;
  for (const Problem& p : report.problems) {
    EXPECT_FALSE(p.text.empty());
    found.insert({p.kind, p.line});
  }
  return found;
}

using Found = std::multiset<std::pair<ProblemKind, std::size_t>>;

}  // namespace

// ------------------------------------------------------------------ build

TEST(word_list_tool, round_trip_lower_cases_polish_letters_and_keeps_first_order) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  const Outcome r = BuildFrom(temp,
                              "Kot\nkot\nŻÓŁW\nżółw\nĄĘ\nŁÓDŹ\nźdźbło\nćma\nSŁOŃ\nośka\nKOT\nAla\n"
                              "ĄĆĘŁŃÓŚŹŻ\nąćęłńóśźż\nŚwięto\n",
                              folder);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");

  EXPECT_EQ(ReadBack(folder, 2), Strings({"ąę"}));
  EXPECT_EQ(ReadBack(folder, 3), Strings({"kot", "ćma", "ala"}));
  EXPECT_EQ(ReadBack(folder, 4), Strings({"żółw", "łódź", "słoń", "ośka"}));
  EXPECT_EQ(ReadBack(folder, 6), Strings({"źdźbło", "święto"}));
  EXPECT_EQ(ReadBack(folder, 9), Strings({"ąćęłńóśźż"}));
  // The bytes themselves: Windows-1250, one per letter.
  EXPECT_EQ(ReadBytes(ListFile(folder, 9)), "1\r\n\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\r\n");
  for (int n : {5, 7, 8, 10, 22}) EXPECT_EQ(ReadBack(folder, n), Strings()) << n;
  EXPECT_FALSE(AnyTemporaryFile(folder));

  EXPECT_NE(r.out.find("Przeczytano 15 wierszy"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Zapisano 11 wyrazów"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Pominięto 4 wiersze"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slow.4          4 wyrazy"), std::string::npos) << r.out;
}

TEST(word_list_tool, writes_all_twenty_one_files_with_zero_where_no_word_fits) {
  TempFolder temp;
  const fs::path folder = temp / "a" / "b" / "slow";  // created with its parents
  ASSERT_EQ(BuildFrom(temp, "ab\n", folder).status, kExitOk);
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().rfind("slow.", 0) == 0) ++files;
  EXPECT_EQ(files, 21u);
  EXPECT_EQ(ReadBytes(ListFile(folder, 2)), "1\r\nab\r\n");
  for (int n = 3; n <= 22; ++n) EXPECT_EQ(ReadBytes(ListFile(folder, n)), "0\r\n") << n;
}

TEST(word_list_tool, accepts_crlf_line_ends_a_missing_final_line_end_and_a_byte_order_mark) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  ASSERT_EQ(BuildFrom(temp,
                      "\xEF\xBB\xBF"
                      "ab\r\ncd\r\n\r\nef",
                      folder)
                .status,
            kExitOk);
  EXPECT_EQ(ReadBack(folder, 2), Strings({"ab", "cd", "ef"}));
}

TEST(word_list_tool, keeps_lengths_two_to_twenty_two_counted_in_characters) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  std::string z22, a23;
  for (int i = 0; i < 22; ++i) z22 += "ż";
  for (int i = 0; i < 23; ++i) a23 += "ą";
  const std::string ascii22(22, 'x'), ascii23(23, 'y');
  const Outcome r =
      BuildFrom(temp, "a\nab\n" + ascii22 + "\n" + z22 + "\n" + ascii23 + "\n" + a23 + "\nż\n\n", folder);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBack(folder, 2), Strings({"ab"}));
  EXPECT_EQ(ReadBack(folder, 22), Strings({ascii22, z22}));

  WordSet set;
  Utf8Error error;
  ASSERT_TRUE(
      CollectWords("a\nab\n" + ascii22 + "\n" + z22 + "\n" + ascii23 + "\n" + a23 + "\nż\n\n", set, error));
  EXPECT_EQ(set.stats.lines, 8u);
  EXPECT_EQ(set.stats.Dropped(DropReason::TooShort), 3u);  // "a", "ż" and the empty line
  EXPECT_EQ(set.stats.emptyLines, 1u);
  EXPECT_EQ(set.stats.Dropped(DropReason::TooLong), 2u);
  EXPECT_EQ(set.stats.TotalKept(), 3u);
}

TEST(word_list_tool, drops_characters_windows_1250_cannot_store) {
  WordSet set;
  Utf8Error error;
  ASSERT_TRUE(CollectWords("кот\nk😀t\n日本\nnaïve\nab\u2003cd\ncafé\nÜBER\nCAFÉ\n", set, error));
  EXPECT_EQ(set.stats.Dropped(DropReason::Unstorable), 5u);
  EXPECT_EQ(set.stats.Dropped(DropReason::Repeat), 1u);
  ASSERT_EQ(set.Count(4), 2u);
  EXPECT_EQ(Cp1250ToUtf8(set.Word(4, 0)), "café");
  EXPECT_EQ(Cp1250ToUtf8(set.Word(4, 1)), "über");
}

TEST(word_list_tool, drops_blanks_control_characters_commas_and_quotes) {
  WordSet set;
  Utf8Error error;
  const std::string source = std::string(
                                 "ab cd\nab\u00A0cd\nab\tcd\nab\x01"
                                 "cd\nab\x7F"
                                 "cd\nab\u0085cd\n") +
                             "ab\rcd\n ab\n" + std::string("ab\0cd\n", 6) + "ab,cd\n\"abc\"\nabcd\n";
  ASSERT_TRUE(CollectWords(source, set, error));
  EXPECT_EQ(set.stats.lines, 12u);
  EXPECT_EQ(set.stats.Dropped(DropReason::BlankOrControl), 9u);
  EXPECT_EQ(set.stats.Dropped(DropReason::Separator), 2u);
  ASSERT_EQ(set.stats.TotalKept(), 1u);
  EXPECT_EQ(set.Word(4, 0), "abcd");
}

TEST(word_list_tool, drops_repeats_after_lower_casing_across_many_words) {
  // Enough words to fill many batches and make the table probe: every word
  // comes once in lower case, later once in capitals.
  std::string source;
  Strings expected;
  for (int i = 0; i < 30000; ++i) {
    std::string w;
    for (int v = i + 30; v > 0; v /= 26) w += static_cast<char>('a' + v % 26);
    expected.push_back(w);
    source += w + "\n";
  }
  for (const std::string& w : expected) {
    std::string upper = w;
    for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
    source += upper + "\n";
  }
  WordSet set;
  Utf8Error error;
  ASSERT_TRUE(CollectWords(source, set, error));
  EXPECT_EQ(set.stats.Dropped(DropReason::Repeat), expected.size());
  Strings kept;
  for (int n = MinWordLength; n <= MaxWordLength; ++n)
    for (std::size_t i = 0; i < set.Count(n); ++i) kept.emplace_back(set.Word(n, i));
  // Words of one length keep their order; lengths here are 2 and 3 and 4.
  Strings expectedByLength;
  for (std::size_t len = 2; len <= 4; ++len)
    for (const std::string& w : expected)
      if (w.size() == len) expectedByLength.push_back(w);
  EXPECT_EQ(kept, expectedByLength);
}

TEST(word_list_tool, refuses_a_source_that_is_not_utf8_naming_the_line_and_writes_nothing) {
  const std::vector<std::pair<std::string, std::size_t>> cases = {
      {"ab\ncd\n\xFF\n", 3},      // a byte that never starts a character
      {"ab\nc\xC3\n", 2},         // a sequence cut short by the line end
      {"ab\ncd\nef\nab\xC5", 4},  // ... and by the end of the file
      {"\xC0\xAF"
       "ab\n",
       1},  // an overlong form
      {"ab\n\xED\xA0\x80"
       "ab\n",
       2},                                            // a surrogate
      {"ab\nkot\n\xB3\xF3\x64\x9F\n", 3},             // Windows-1250 bytes of "łódź"
      {"ab\n" + std::string(40, 'x') + "\xE9\n", 2},  // in a line too long to keep
  };
  for (const auto& [source, line] : cases) {
    TempFolder temp;
    const fs::path folder = temp / "slow";
    const Outcome r = BuildFrom(temp, source, folder);
    EXPECT_EQ(r.status, kExitProblems);
    EXPECT_NE(r.err.find("nie jest zapisany w UTF-8: wiersz " + std::to_string(line) + ","),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(folder)) << line;
  }

  // An existing folder keeps its files as they were.
  TempFolder temp;
  const fs::path folder = temp / "slow";
  ASSERT_EQ(BuildFrom(temp, "ab\nkot\n", folder).status, kExitOk);
  const std::string before = ReadBytes(ListFile(folder, 3));
  EXPECT_EQ(BuildFrom(temp, "xy\npies\n\xFF\n", folder).status, kExitProblems);
  EXPECT_EQ(ReadBytes(ListFile(folder, 3)), before);
  EXPECT_EQ(ReadBytes(ListFile(folder, 4)), "0\r\n");
  EXPECT_FALSE(AnyTemporaryFile(folder));
}

TEST(word_list_tool, reports_a_missing_source) {
  TempFolder temp;
  const Outcome r = Build(temp / "nie-ma.txt", temp / "slow");
  EXPECT_EQ(r.status, kExitProblems);
  EXPECT_NE(r.err.find("nie-ma.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("plik nie istnieje"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(temp / "slow"));

  const Outcome dir = Build(temp.path(), temp / "slow");  // a folder is no source
  EXPECT_EQ(dir.status, kExitProblems);
  EXPECT_NE(dir.err.find("to jest folder"), std::string::npos) << dir.err;
}

TEST(word_list_tool, refuses_a_source_without_a_single_word_to_keep) {
  TempFolder temp;
  const Outcome r = BuildFrom(temp, "a\nб\n\n", temp / "slow");
  EXPECT_EQ(r.status, kExitProblems);
  EXPECT_NE(r.err.find("Nic nie zapisano"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(temp / "slow"));
}

TEST(word_list_tool, reports_a_folder_that_cannot_be_written) {
  TempFolder temp;
  WriteBytes(temp / "plik", "zwykły plik\n");

  const Outcome below = BuildFrom(temp, "ab\n", temp / "plik" / "slow");
  EXPECT_EQ(below.status, kExitProblems);
  EXPECT_NE(below.err.find("Nie można utworzyć folderu"), std::string::npos) << below.err;
  EXPECT_NE(below.err.find(DescribeFileError(std::make_error_code(std::errc::not_a_directory))),
            std::string::npos)
      << below.err;

  const Outcome file = BuildFrom(temp, "ab\n", temp / "plik");
  EXPECT_EQ(file.status, kExitProblems);
  EXPECT_NE(file.err.find("to plik, a nie folder"), std::string::npos) << file.err;
  EXPECT_EQ(ReadBytes(temp / "plik"), "zwykły plik\n");
}

TEST(word_list_tool, a_failed_write_leaves_the_old_files_and_no_temporary_ones) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  ASSERT_EQ(BuildFrom(temp, "ab\nkot\nżółw\nkoński\n", folder).status, kExitOk);
  std::vector<std::string> before;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) before.push_back(ReadBytes(ListFile(folder, n)));

  // A folder where slow.9's temporary file should go makes its writing fail
  // after slow.2 ... slow.8 have been written.
  fs::create_directory(TemporaryPath(folder, 9));
  const Outcome r = BuildFrom(temp, "xy\npies\nkotek\n", folder, true);
  EXPECT_EQ(r.status, kExitProblems);
  EXPECT_NE(r.err.find("zostały bez zmian"), std::string::npos) << r.err;
  for (int n = MinWordLength; n <= MaxWordLength; ++n)
    EXPECT_EQ(ReadBytes(ListFile(folder, n)), before[static_cast<std::size_t>(n - MinWordLength)]) << n;
  for (int n = MinWordLength; n <= MaxWordLength; ++n)
    EXPECT_FALSE(fs::is_regular_file(TemporaryPath(folder, n))) << n;
}

// ------------------------------------------------------------------ check

TEST(word_list_tool, check_passes_on_a_fresh_build) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  ASSERT_EQ(BuildFrom(temp, "Kot\npies\nŻółw\nźdźbło\nab\n", folder).status, kExitOk);
  for (const FileReport& report : CheckWordFiles(folder)) EXPECT_EQ(report.problemCount, 0u) << report.length;
  const Outcome r = Check(folder);
  EXPECT_EQ(r.status, kExitOk) << r.out << r.err;
  EXPECT_NE(r.out.find("są w porządku: 5 wyrazów"), std::string::npos) << r.out;
}

TEST(word_list_tool, check_finds_each_kind_of_problem_on_its_line) {
  using K = ProblemKind;
  EXPECT_EQ(Problems(3, "2\r\nabc\r\ndef\r\n"), Found());
  EXPECT_EQ(Problems(3, "0\r\n"), Found());
  EXPECT_EQ(Problems(3, "Ab\xB3\r\n1\r\n"), Found({{K::BadCount, 1}, {K::WrongLength, 2}}));

  EXPECT_EQ(Problems(3, ""), Found({{K::Empty, 0}}));
  EXPECT_EQ(Problems(3, "x\r\nabc\r\n"), Found({{K::BadCount, 1}}));
  EXPECT_EQ(Problems(3, "-1\r\n"), Found({{K::BadCount, 1}}));
  EXPECT_EQ(Problems(3, " 1\r\nabc\r\n"), Found({{K::BadCount, 1}}));
  EXPECT_EQ(Problems(3, "1.0\r\nabc\r\n"), Found({{K::BadCount, 1}}));
  EXPECT_EQ(Problems(3, "99999999999\r\nabc\r\n"), Found({{K::BadCount, 1}}));
  EXPECT_EQ(Problems(3, "\r\nabc\r\n"), Found({{K::BadCount, 1}}));
  EXPECT_EQ(Problems(3, "2\r\nabc\r\n"), Found({{K::CountMismatch, 1}}));
  EXPECT_EQ(Problems(3, "1\r\nabc\r\ndef\r\n"), Found({{K::CountMismatch, 1}}));
  EXPECT_EQ(Problems(3, "2\r\nabc\ndef\r\n"), Found({{K::LoneLf, 2}}));
  EXPECT_EQ(Problems(3, "1\nabc\r\n"), Found({{K::LoneLf, 1}}));
  EXPECT_EQ(Problems(3, "2\r\nabc\rdef\r\n"), Found({{K::LoneCr, 2}}));
  EXPECT_EQ(Problems(3, "1\r\nabc"), Found({{K::NoFinalLineEnd, 2}}));
  EXPECT_EQ(Problems(3, "1\r\nabc\r\n\r\n"), Found({{K::WrongLength, 3}, {K::CountMismatch, 1}}));
  EXPECT_EQ(Problems(3, "2\r\nabc\r\nabcd\r\n"), Found({{K::WrongLength, 3}}));
  EXPECT_EQ(Problems(3, "1\r\nab\r\n"), Found({{K::WrongLength, 2}}));
  for (char b : {'\x81', '\x83', '\x88', '\x90', '\x98'})
    EXPECT_EQ(Problems(3, std::string("1\r\na") + b + "c\r\n"), Found({{K::UndefinedByte, 2}})) << int(b);
  EXPECT_EQ(Problems(3,
                     "2\r\nabc\r\na\x01"
                     "c\r\n"),
            Found({{K::ControlByte, 3}}));
  EXPECT_EQ(Problems(3, "1\r\na\tc\r\n"), Found({{K::ControlByte, 2}}));
  EXPECT_EQ(Problems(3, std::string("1\r\na\0c\r\n", 8)), Found({{K::ControlByte, 2}}));
  EXPECT_EQ(Problems(3,
                     "1\r\na\x7F"
                     "c\r\n"),
            Found({{K::ControlByte, 2}}));
  EXPECT_EQ(Problems(3, "1\r\na,c\r\n"), Found({{K::Separator, 2}}));
  EXPECT_EQ(Problems(3, "1\r\n\"ab\r\n"), Found({{K::Separator, 2}}));
  EXPECT_EQ(Problems(3, "1\r\n ab\r\n"), Found({{K::Separator, 2}}));
  EXPECT_EQ(Problems(3, "1\r\n\tab\r\n"), Found({{K::Separator, 2}, {K::ControlByte, 2}}));
  // The same word twice, compared in lower case, Polish letters included.
  EXPECT_EQ(Problems(3, "3\r\nkot\r\nKot\r\nKOT\r\n"), Found({{K::Repeat, 3}, {K::Repeat, 4}}));
  EXPECT_EQ(Problems(3, "2\r\n\xA3\xD3\x8F\r\n\xB3\xF3\x9F\r\n"), Found({{K::Repeat, 3}}));  // ŁÓŹ, łóź
  EXPECT_EQ(Problems(3, "1\r\nłoś\r\n"), Found({{K::Utf8, 0}}));
  // Windows-1250 "DÓŁ" is valid UTF-8 too, but of a character Windows-1250 lacks.
  EXPECT_EQ(Problems(3, "1\r\nD\xD3\xA3\r\n"), Found());
  // Several problems on one line are each reported.
  EXPECT_EQ(Problems(3, "1\r\na\x81\x01z\n"),
            Found({{K::WrongLength, 2}, {K::UndefinedByte, 2}, {K::ControlByte, 2}, {K::LoneLf, 2}}));
}

TEST(word_list_tool, check_reports_a_word_twice_in_either_case_and_says_what_to_do) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  ASSERT_EQ(BuildFrom(temp, "kot\n", folder).status, kExitOk);
  WriteBytes(ListFile(folder, 7), "2\r\nW\xB9w\xF3zek\r\nw\xB9w\xF3zek\r\n");  // Wąwózek, wąwózek
  const Outcome r = Check(folder);
  EXPECT_EQ(r.status, kExitProblems);
  for (const std::string expected :
       {"slow.7, wiersz 3: wyraz „wąwózek” to ten sam wyraz co „Wąwózek” w wierszu 2",
        "slow.7: z każdej pary powtórzonych wyrazów usuń jeden"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST(word_list_tool, check_names_the_file_and_line_and_fails) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  ASSERT_EQ(BuildFrom(temp, "kot\nkoza\nlisy\nżubr\nmysz\n", folder).status, kExitOk);
  WriteBytes(ListFile(folder, 4), "4\r\nkoza\r\nlis\r\n\xBFubr\r\nmysz\r\n");  // line 3 too short
  fs::remove(ListFile(folder, 7));
  fs::remove(ListFile(folder, 8));
  fs::create_directory(ListFile(folder, 8));  // a folder, not a file

  const Outcome r = Check(folder);
  EXPECT_EQ(r.status, kExitProblems);
  EXPECT_NE(r.out.find("slow.4, wiersz 3: wyraz „lis” ma 3 znaki zamiast 4\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slow.7: brak pliku\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slow.8: nie można odczytać pliku"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Znaleziono 3 problemy w 3 plikach"), std::string::npos) << r.out;
}

TEST(word_list_tool, check_lists_twenty_problems_per_file_and_counts_the_rest) {
  std::string bytes = "25\r\n";
  for (int i = 0; i < 25; ++i) bytes += "abcd\r\n";
  const FileReport report = CheckWordFileData(3, bytes);
  EXPECT_EQ(report.problemCount, 25u);
  ASSERT_EQ(report.problems.size(), kListedProblems);
  EXPECT_EQ(report.problems.back().line, 21u);

  TempFolder temp;
  const fs::path folder = temp / "slow";
  ASSERT_EQ(BuildFrom(temp, "ab\n", folder).status, kExitOk);
  WriteBytes(ListFile(folder, 3), bytes);
  const Outcome r = Check(folder);
  EXPECT_EQ(r.status, kExitProblems);
  EXPECT_NE(r.out.find("slow.3, wiersz 21:"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("slow.3, wiersz 22:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slow.3: … i 5 innych\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Znaleziono 25 problemów w 1 pliku"), std::string::npos) << r.out;
}

TEST(word_list_tool, check_reports_a_missing_folder) {
  TempFolder temp;
  const Outcome r = Check(temp / "nie-ma");
  EXPECT_EQ(r.status, kExitProblems);
  EXPECT_NE(r.err.find("nie istnieje"), std::string::npos) << r.err;
}

// ------------------------------------------------------------------ command line

TEST(word_list_tool, usage_and_wrong_command_lines) {
  const Outcome none = Command({});
  EXPECT_EQ(none.status, kExitUsage);
  EXPECT_NE(none.err.find("Użycie:"), std::string::npos);

  for (const Strings& help :
       {Strings{"--help"}, Strings{"-h"}, Strings{"build", "--help"}, Strings{"check", "-h"}}) {
    const Outcome r = Command(help);
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, UsageText());
  }
  for (const Strings& wrong : {Strings{"zbuduj"}, Strings{"build", "a", "b", "c"}, Strings{"check", "a", "b"},
                               Strings{"check", "--verbose"}, Strings{"check", "--overwrite"},
                               Strings{"repair"}, Strings{"repair", "a", "b"}, Strings{"merge"}}) {
    const Outcome r = Command(wrong);
    EXPECT_EQ(r.status, kExitUsage) << wrong[0];
    EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(word_list_tool, default_folder_is_slow_beside_the_program) {
  TempFolder temp;
  WriteBytes(temp / "zrodlo.txt", "kot\n");
  const Outcome built = Command({"build", (temp / "zrodlo.txt").string()}, temp.path());
  ASSERT_EQ(built.status, kExitOk) << built.err;
  EXPECT_EQ(ReadBytes(temp / "slow" / "slow.3"), "1\r\nkot\r\n");
  EXPECT_EQ(Command({"check"}, temp.path()).status, kExitOk);
  EXPECT_EQ(Command({"check", "--", (temp / "slow").string()}).status, kExitOk);
}

TEST(word_list_tool, polish_plural_forms) {
  const auto form = [](std::size_t n) { return std::string(Plural(n, "wyraz", "wyrazy", "wyrazów")); };
  EXPECT_EQ(form(0), "wyrazów");
  EXPECT_EQ(form(1), "wyraz");
  EXPECT_EQ(form(2), "wyrazy");
  EXPECT_EQ(form(4), "wyrazy");
  EXPECT_EQ(form(5), "wyrazów");
  EXPECT_EQ(form(12), "wyrazów");
  EXPECT_EQ(form(14), "wyrazów");
  EXPECT_EQ(form(22), "wyrazy");
  EXPECT_EQ(form(111), "wyrazów");
  EXPECT_EQ(form(1002), "wyrazy");
}

TEST(word_list_tool, progress_stays_silent_in_the_first_second_and_when_off) {
  std::ostringstream on, off;
  {
    Progress shown(on, true);
    shown.Update("Czytanie", 0.5);
    Progress hidden(off, false);
    hidden.Update("Czytanie", 0.5);
  }
  EXPECT_EQ(on.str(), "");
  EXPECT_EQ(off.str(), "");
}

// ------------------------------------------------------------------ replacing a list

namespace {

// Every file of a folder (the lock file aside), name to bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename() != LockPath(fs::path()).filename())
      files[entry.path().filename().string()] = ReadBytes(entry.path());
  return files;
}

Outcome Repair(const fs::path& file, std::chrono::milliseconds lockWait = std::chrono::milliseconds(10000)) {
  std::ostringstream out, err;
  Options options;
  options.lockWait = lockWait;
  const int status = RunRepair(file, options, out, err);
  return {status, out.str(), err.str()};
}

Outcome Merge(const fs::path& source, const fs::path& folder,
              std::chrono::milliseconds lockWait = std::chrono::milliseconds(10000)) {
  std::ostringstream out, err;
  Options options;
  options.lockWait = lockWait;
  const int status = RunMerge(source, folder, options, out, err);
  return {status, out.str(), err.str()};
}

// A folder built from a small list, with a word added by hand to slow.3 as
// the addition does (typed case kept).
void MakeList(const TempFolder& temp, const fs::path& folder) {
  ASSERT_EQ(BuildFrom(temp, "kot\npies\nżółw\nkoń\n", folder).status, kExitOk);
  WriteBytes(ListFile(folder, 3), "3\r\nkot\r\nko\xF1\r\nEwa\r\n");
}

}  // namespace

TEST(word_list_tool, build_keeps_an_existing_list_unless_told_to_overwrite_and_then_counts_losses) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  MakeList(temp, folder);
  const auto before = Snapshot(folder);

  const Outcome refused = BuildFrom(temp, "kot\nlis\n", folder);
  EXPECT_EQ(refused.status, kExitProblems);
  EXPECT_NE(refused.err.find("wypelniak-slownik merge"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("wypelniak-slownik build --overwrite"), std::string::npos) << refused.err;
  EXPECT_EQ(Snapshot(folder), before);

  const Outcome replaced = BuildFrom(temp, "kot\nlis\nżółw\n", folder, true);
  ASSERT_EQ(replaced.status, kExitOk) << replaced.err;
  EXPECT_EQ(ReadBack(folder, 3), Strings({"kot", "lis"}));
  // slow.3 loses "koń" and "Ewa", slow.4 loses "pies".
  EXPECT_NE(replaced.out.find("przepadło 3 wyrazy"), std::string::npos) << replaced.out;
  EXPECT_NE(replaced.out.find("slow.3          2 wyrazy"), std::string::npos) << replaced.out;
  EXPECT_NE(replaced.out.find("slow.4          1 wyraz\n"), std::string::npos) << replaced.out;
}

TEST(word_list_tool, repair_puts_one_file_into_the_format_keeping_its_words) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;  // empty: refused, file unchanged
    const char* says;
    std::string setAside = {};  // the side file's content (UTF-8) afterwards
  };
  const std::vector<Case> cases = {
      {"utf8", "2\nłoś\nKOŃ\n", "2\r\n\xB3o\x9C\r\nKO\xD1\r\n", "z UTF-8"},
      {"utf8 bom",
       "\xEF\xBB\xBF"
       "1\r\nłoś\r\n",
       "1\r\n\xB3o\x9C\r\n", "z UTF-8"},
      {"lf only", "2\nkot\nlis\n", "2\r\nkot\r\nlis\r\n", "CR LF"},
      {"lone cr", "2\rkot\rlis", "2\r\nkot\r\nlis\r\n", "CR LF"},
      {"wrong count", "7\r\nkot\r\nlis\r\n", "2\r\nkot\r\nlis\r\n", "teraz 2"},
      {"no count", "kot\r\nlis\r\n", "2\r\nkot\r\nlis\r\n", "zachowany jako wyraz"},
      {"empty lines", "3\r\nkot\r\n\r\nlis\r\n\r\n", "2\r\nkot\r\nlis\r\n", "pominięto 2 puste"},
      {"empty file", "", "0\r\n", "teraz 0"},
      {"sound", "2\r\nkot\r\nl\xB9s\r\n", "2\r\nkot\r\nl\xB9s\r\n", "nic w nim nie zmieniono"},
      {"unstorable", "3\nżółw\nźdźbło\nкот\n", "", "wiersz 4 zawiera znak „к”"},
      // A count out of range is a count, not a word.
      {"negative count", "-5\r\nkot\r\n", "1\r\nkot\r\n", "teraz 1"},
      {"count past 32 bits", "2147483648\r\nkot\r\n", "1\r\nkot\r\n", "teraz 1"},
      {"count of 10^18", "1000000000000000000\r\nkot\r\n", "1\r\nkot\r\n", "teraz 1"},
      // Lines the search reads otherwise go to the side file, none lost.
      {"comma line", "2\r\nkot\r\nk,\xB9\r\n", "1\r\nkot\r\n", "Wiersze 3 (przecinek", "k,ą\r\n"},
      {"unclosed quote", "3\r\n\"kot\r\nlis\r\n ab\r\n", "1\r\nlis\r\n", "przeniesiono 2 wiersze",
       "\"kot\r\n ab\r\n"},
      {"utf8, set aside unstorable", "3\nłoś\nżuć\nк,т\n", "2\r\n\xB3o\x9C\r\n\xBFu\xE6\r\n",
       "slow.3-odlozone.txt", "к,т\r\n"},
  };
  for (const Case& c : cases) {
    TempFolder temp;
    const fs::path file = temp / "slow.3";
    WriteBytes(file, c.before);
    const Outcome r = Repair(file);
    EXPECT_EQ(r.status, c.after.empty() ? kExitProblems : kExitOk) << c.name << r.err;
    EXPECT_EQ(ReadBytes(file), c.after.empty() ? c.before : c.after) << c.name;
    EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << c.name << ": " << r.out << r.err;
    EXPECT_FALSE(AnyTemporaryFile(temp.path())) << c.name;
    const fs::path side = temp / "slow.3-odlozone.txt";
    EXPECT_EQ(fs::exists(side) ? ReadBytes(side) : "", c.setAside) << c.name;
    if (!c.setAside.empty()) {  // a second repair finds the file sound
      EXPECT_NE(Repair(file).out.find("nic w nim nie zmieniono"), std::string::npos) << c.name;
    }
  }
  TempFolder temp;  // a file of another name is not a word-list file
  WriteBytes(temp / "lista.txt", "kot\n");
  EXPECT_EQ(Repair(temp / "lista.txt").status, kExitProblems);
  EXPECT_EQ(ReadBytes(temp / "lista.txt"), "kot\n");
}

TEST(word_list_tool, merge_keeps_every_old_word_in_its_place_and_appends_the_new) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  MakeList(temp, folder);
  fs::remove(ListFile(folder, 9));
  WriteBytes(temp / "nowe.txt", "Kot\nlis\nEWA\nkoń\nźdźbło\nwiewiórka\n");
  const Outcome r = Merge(temp / "nowe.txt", folder);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  // "Ewa" as added by hand stays, and is the source's "EWA": words are
  // compared in lower case.
  EXPECT_EQ(ReadBack(folder, 3), Strings({"kot", "koń", "Ewa", "lis"}));
  EXPECT_EQ(ReadBack(folder, 4), Strings({"pies", "żółw"}));
  EXPECT_EQ(ReadBack(folder, 6), Strings({"źdźbło"}));
  EXPECT_EQ(ReadBack(folder, 9), Strings({"wiewiórka"}));  // a missing file is made
  EXPECT_NE(r.out.find("Dopisano 3 wyrazy"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slow.3          1 nowy (razem 4)"), std::string::npos) << r.out;

  // A damaged file, or one with a line the search reads otherwise (which
  // would hide the words appended after it), is mended first: nothing is
  // written, repair is named.
  for (const char* damaged : {"1\nłąka\n", "2\r\nrzeka\r\nm,ysz\r\n"}) {
    WriteBytes(ListFile(folder, 5), damaged);
    const auto before = Snapshot(folder);
    WriteBytes(temp / "nowe.txt", "rzeka\nmysz\n");
    const Outcome refused = Merge(temp / "nowe.txt", folder);
    EXPECT_EQ(refused.status, kExitProblems);
    EXPECT_NE(refused.err.find("wypelniak-slownik repair " + ListFile(folder, 5).string()), std::string::npos)
        << refused.err;
    EXPECT_EQ(Snapshot(folder), before);
  }
}

#ifndef _WIN32
TEST(word_list_tool, a_planted_link_is_never_written_through_nor_replaced) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  MakeList(temp, folder);
  WriteBytes(temp / "cel", "nie ruszać\n");
  for (int n : {3, 4}) fs::create_symlink(temp / "cel", TemporaryPath(folder, n));
  ASSERT_EQ(BuildFrom(temp, "kot\nlis\nżółw\n", folder, true).status, kExitOk);
  WriteBytes(ListFile(folder, 4), "1\nżółw\n");
  fs::create_symlink(temp / "cel", TemporaryPath(folder, 4));
  ASSERT_EQ(Repair(ListFile(folder, 4)).status, kExitOk);
  EXPECT_EQ(ReadBytes(temp / "cel"), "nie ruszać\n");
  EXPECT_EQ(ReadBack(folder, 3), Strings({"kot", "lis"}));
  EXPECT_EQ(ReadBack(folder, 4), Strings({"żółw"}));
  EXPECT_FALSE(AnyTemporaryFile(folder));

  // A word-list file that is a link is neither replaced by a plain file nor
  // written through: the tool refuses it and writes nothing.
  fs::remove(ListFile(folder, 5));
  fs::create_symlink(temp / "cel", ListFile(folder, 5));
  const auto before = Snapshot(folder);
  const Outcome linked = BuildFrom(temp, "kot\nlis\n", folder, true);
  EXPECT_EQ(linked.status, kExitProblems);
  EXPECT_NE(linked.err.find("dowiązaniem symbolicznym"), std::string::npos) << linked.err;
  EXPECT_TRUE(fs::is_symlink(ListFile(folder, 5)));
  EXPECT_EQ(Snapshot(folder), before);
}

TEST(word_list_tool, special_files_are_refused_without_waiting_on_them) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  MakeList(temp, folder);
  fs::remove(ListFile(folder, 5));
  ASSERT_EQ(::mkfifo(ListFile(folder, 5).c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((temp / "rura").c_str(), 0600), 0);

  const std::vector<std::pair<const char*, std::function<Outcome()>>> commands = {
      {"check", [&] { return Check(folder); }},
      {"repair", [&] { return Repair(ListFile(folder, 5)); }},
      {"build", [&] { return Build(temp / "rura", temp / "nowy"); }},
  };
  for (const auto& [name, command] : commands) {
    auto result = std::async(std::launch::async, command);
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      // Let the reader go, so that the failure does not hang the tests.
      for (const fs::path& fifo : {ListFile(folder, 5), temp / "rura"}) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
      }
      ADD_FAILURE() << name << " waited on a FIFO";
    }
    const Outcome r = result.get();
    EXPECT_EQ(r.status, kExitProblems) << name;
    EXPECT_NE((r.out + r.err).find("to nie jest zwykły plik"), std::string::npos) << name << r.out << r.err;
  }
}
#endif

TEST(word_list_tool, a_command_that_changes_files_waits_for_the_folders_lock) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  MakeList(temp, folder);
  WriteBytes(temp / "nowe.txt", "lis\n");
  WriteBytes(ListFile(folder, 4), "5\r\npies\r\nżółw\r\n");
  const auto before = Snapshot(folder);

  // An addition holds the lock while it replaces a file: nothing is written meanwhile.
  platform::FolderLock addition;
  ASSERT_FALSE(addition.Acquire(LockPath(temp.path()), std::chrono::milliseconds(0)));
  constexpr std::chrono::milliseconds kShort(50);
  const std::vector<std::pair<const char*, std::function<Outcome(std::chrono::milliseconds)>>> commands = {
      {"build",
       [&](std::chrono::milliseconds wait) {
         std::ostringstream out, err;
         const int status = RunBuild(temp / "nowe.txt", folder, {true, false, wait, false, {}}, out, err);
         return Outcome{status, out.str(), err.str()};
       }},
      {"merge", [&](std::chrono::milliseconds wait) { return Merge(temp / "nowe.txt", folder, wait); }},
      {"repair", [&](std::chrono::milliseconds wait) { return Repair(ListFile(folder, 4), wait); }},
  };
  for (const auto& [name, command] : commands) {
    const Outcome r = command(kShort);
    EXPECT_EQ(r.status, kExitProblems) << name;
    EXPECT_NE(r.err.find("jest właśnie zmieniana"), std::string::npos) << name << r.err;
    EXPECT_EQ(Snapshot(folder), before) << name;
  }
  // Once the addition lets go, a waiting command goes on.
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    addition.Release();
  });
  const Outcome waited = commands[2].second(std::chrono::milliseconds(10000));
  release.join();
  EXPECT_EQ(waited.status, kExitOk) << waited.err;
  EXPECT_EQ(ReadBytes(ListFile(folder, 4)), "2\r\npies\r\n\xBF\xF3\xB3w\r\n");
}

TEST(word_list_tool, a_failure_at_any_file_step_leaves_every_old_file_byte_for_byte) {
  using platform::FileStep;
  struct Run {
    const char* name;
    std::function<void(const TempFolder&, const fs::path&)> prepare;  // before the fault
    std::function<int(const TempFolder&, const fs::path&)> command;
  };
  const std::vector<Run> runs = {
      {"build",
       [](const TempFolder& temp, const fs::path&) { WriteBytes(temp / "nowe.txt", "kot\nżółw\nmysz\n"); },
       [](const TempFolder& temp, const fs::path& folder) {
         return Build(temp / "nowe.txt", folder, true).status;
       }},
      {"build anew",
       [](const TempFolder& temp, const fs::path& folder) {
         fs::remove_all(folder);
         WriteBytes(temp / "nowe.txt", "kot\nmysz\n");
       },
       [](const TempFolder& temp, const fs::path& folder) {
         return Build(temp / "nowe.txt", folder).status;
       }},
      {"merge", [](const TempFolder& temp, const fs::path&) { WriteBytes(temp / "nowe.txt", "lis\nmysz\n"); },
       [](const TempFolder& temp, const fs::path& folder) {
         return Merge(temp / "nowe.txt", folder).status;
       }},
      {"repair",
       [](const TempFolder&, const fs::path& folder) { WriteBytes(ListFile(folder, 4), "9\npies\n"); },
       [](const TempFolder&, const fs::path& folder) { return Repair(ListFile(folder, 4)).status; }},
  };
  const FileStep steps[] = {FileStep::Lock,       FileStep::OpenRead, FileStep::Read,  FileStep::Create,
                            FileStep::Write,      FileStep::Sync,     FileStep::Close, FileStep::Replace,
                            FileStep::SyncFolder, FileStep::Remove};
  for (const Run& run : runs) {
    for (const FileStep step : steps) {
      for (const int nth : {1, 3}) {  // the first time the step is taken, and a later one
        TempFolder temp;
        const fs::path folder = temp / "slow";
        MakeList(temp, folder);
        fs::remove(ListFile(folder, 9));  // merge and build make this file new
        run.prepare(temp, folder);
        const auto before = Snapshot(folder);
        int calls = 0;
        platform::SetFaultHook([&](FileStep s) -> std::error_code {
          return s == step && ++calls == nth ? std::make_error_code(std::errc::io_error) : std::error_code{};
        });
        const int status = run.command(temp, folder);
        platform::SetFaultHook(nullptr);
        const std::string at = std::string(run.name) + ", step " + std::to_string(static_cast<int>(step)) +
                               ", call " + std::to_string(nth);
        if (nth == 1) {
          EXPECT_GE(calls, 1) << at;  // every command takes every step
        }
        if (calls < nth) continue;
        EXPECT_EQ(status, kExitProblems) << at;
        EXPECT_EQ(Snapshot(folder), before) << at;
      }
    }
  }
}

// Another user swaps a file in the folder while repair replaces slow.4
// (through the hook, at the step named): only the file read is replaced, only
// the file written is renamed, the tool says it failed, and a file outside
// the folder stays as it was.
TEST(word_list_tool, repair_replaces_only_the_file_it_read_with_the_file_it_wrote) {
  using platform::FileStep;
  struct Swap {
    const char* name;
    FileStep at;
    const char* entry;
    bool link;               // a link to the outside file, else another list
    const char* listAfter;   // slow.4's bytes afterwards; nullptr: not looked at
    const char* message;
  };
  const Swap swaps[] = {
      {"slow.4 another list after it was read", FileStep::Create, "slow.4", false, "1\r\nkura\r\n",
       "slow.4: plik zmienił się, odkąd narzędzie go odczytało"},
      {"~slow.4 a link after it was written", FileStep::Close, "~slow.4", true, "9\npies\n",
       "nowy plik podmienił inny program, zanim"},
      {"~slow.4 a link as it is renamed", FileStep::Replace, "~slow.4", true, nullptr,
       "nowy plik podmienił inny program w chwili"},
  };
  for (const Swap& c : swaps) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const fs::path folder = temp / "slow", outside = temp / "outside.txt";
    MakeList(temp, folder);
    WriteBytes(ListFile(folder, 4), "9\npies\n");
    WriteBytes(outside, "1\r\nkot\r\n");
    bool swapped = false;
    platform::SetFaultHook([&](FileStep s) -> std::error_code {
      if (s != c.at || swapped) return {};
      swapped = true;
      const fs::path side = folder / "side";
      if (c.link)
        fs::create_symlink(outside, side);
      else
        WriteBytes(side, "1\r\nkura\r\n");
      fs::rename(side, folder / c.entry);
      return {};
    });
    const Outcome r = Repair(ListFile(folder, 4));
    platform::SetFaultHook(nullptr);
    EXPECT_TRUE(swapped);
    EXPECT_EQ(r.status, kExitProblems) << r.out << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (c.listAfter != nullptr) {
      EXPECT_EQ(ReadBytes(ListFile(folder, 4)), c.listAfter);
    }
    EXPECT_EQ(ReadBytes(outside), "1\r\nkot\r\n");
  }
}

TEST(word_list_tool, check_names_the_command_that_mends_each_file_and_repair_clears_leftovers) {
  TempFolder temp;
  const fs::path folder = temp / "slow";
  MakeList(temp, folder);
  WriteBytes(ListFile(folder, 4), "2\npies\nżółw\n");  // UTF-8, LF
  WriteBytes(TemporaryPath(folder, 5), "1\r\nmysz\r\n");
  WriteBytes(folder / "~slow.6.tmp", "0\r\n");
  fs::remove(ListFile(folder, 7));

  const Outcome r = Check(folder);
  EXPECT_EQ(r.status, kExitProblems);
  for (const std::string& expected :
       Strings{"slow.4: plik jest zapisany w kodowaniu UTF-8",
               "slow.4: napraw poleceniem: wypelniak-slownik repair " + ListFile(folder, 4).string(),
               "slow.5: w folderze pozostał plik tymczasowy ~slow.5",
               "slow.5: napraw poleceniem: wypelniak-slownik repair " + ListFile(folder, 5).string(),
               std::string("slow.6: w folderze pozostał plik tymczasowy ~slow.6.tmp"),
               "slow.7: utwórz go, dopisując wyrazy ze źródła: wypelniak-slownik merge ŹRÓDŁO " +
                   folder.string()})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;

  for (int n : {4, 5, 6}) ASSERT_EQ(Repair(ListFile(folder, n)).status, kExitOk) << n;
  WriteBytes(temp / "nowe.txt", "wrona\nwróbel\n");
  ASSERT_EQ(Merge(temp / "nowe.txt", folder).status, kExitOk);
  const Outcome mended = Check(folder);
  EXPECT_EQ(mended.status, kExitOk) << mended.out;
  EXPECT_FALSE(AnyTemporaryFile(folder));
}
