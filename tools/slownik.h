#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "wordlist.h"

// wypelniak-slownik: builds the word-list files slow.2 ... slow.22 from a
// UTF-8 word list, checks existing ones, repairs one file and merges a word
// list into an existing folder. The functions take paths and
// output streams so that tests run them without starting a process.
namespace wypelniak::slownik {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblems = 1;  // bad data, a file that cannot be read or written
inline constexpr int kExitUsage = 2;     // the command line is wrong

// ---------------------------------------------------------------- build

// Why a source line is left out, tested in this order; the first that holds
// is the one counted.
enum class DropReason {
  TooShort,        // fewer than MinWordLength characters (an empty line too)
  TooLong,         // more than MaxWordLength characters
  BlankOrControl,  // space, no-break space, tab or another control character (C0, DEL, C1)
  Unstorable,      // a character that Windows-1250 cannot store
  Separator,       // a comma or a double quotation mark, which the search reads as separators
  Repeat,          // the same word (after lower-casing) came earlier
};
inline constexpr std::size_t kDropReasonCount = 6;

struct BuildStats {
  std::size_t lines = 0;                              // source lines read
  std::size_t emptyLines = 0;                         // of those, empty (counted as TooShort as well)
  std::array<std::size_t, MaxWordLength + 1> kept{};  // words kept, by length
  std::array<std::size_t, kDropReasonCount> dropped{};

  std::size_t Dropped(DropReason r) const { return dropped[static_cast<std::size_t>(r)]; }
  std::size_t TotalKept() const;
  std::size_t TotalDropped() const;
};

// The words that go into the files: Windows-1250, lower case, by length, in
// the order in which they first appear in the source.
struct WordSet {
  std::string bytes;  // holds every kept word (and the bytes of dropped repeats)
  std::array<std::vector<std::uint32_t>, MaxWordLength + 1> offsets;  // where each word of length n starts
  BuildStats stats;

  std::size_t Count(int n) const { return offsets[static_cast<std::size_t>(n)].size(); }
  std::string_view Word(int n, std::size_t i) const {
    return std::string_view(bytes).substr(offsets[static_cast<std::size_t>(n)][i],
                                          static_cast<std::size_t>(n));
  }
};

// Where a source first breaks the UTF-8 rules (numbers count from 1).
struct Utf8Error {
  std::size_t line = 0;
  std::size_t column = 0;  // in characters
  unsigned char byte = 0;  // the first byte that does not fit
};

// Shows how far a long run has come, on a terminal, once the run has lasted
// longer than a second. Does nothing when not enabled.
class Progress {
 public:
  Progress(std::ostream& out, bool enabled);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // phase: what is being done; fraction: 0 to 1.
  void Update(std::string_view phase, double fraction);
  // Clears the progress line, if one was shown.
  void Finish();

 private:
  std::ostream& out_;
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
};

// Sorts the lines of a UTF-8 text (LF or CR LF line ends, an optional byte
// order mark at the start) into words, reusing the text's memory. Returns
// false and fills error when the text is not valid UTF-8; set is then of no
// use.
bool CollectWords(std::string text, WordSet& set, Utf8Error& error, Progress* progress = nullptr);

// The temporary name under which slow.<n> is written before it replaces the
// old file: the same name the addition uses, since both write only under the
// folder's lock.
std::filesystem::path TemporaryPath(const std::filesystem::path& folder, int n);

// Which entries of a Hunspell dictionary the build leaves out.
struct HunspellOptions {
  bool dropProperNames = false;    // entries with a capital letter
  bool dropAbbreviations = false;  // entries with a dot, or all in capitals
};

// How a command that changes files runs.
struct Options {
  bool overwrite = false;                     // build: replace an existing word list
  bool showProgress = false;                  // show how far a long run has come (on a terminal)
  std::chrono::milliseconds lockWait{10000};  // how long to wait for another writer of the folder
  bool fromHunspell = false;                  // build: the source is a Hunspell dictionary, its stems the words
  HunspellOptions hunspell;                   // build from a Hunspell dictionary: what to leave out
};

// The whole "build" command: reads source, writes slow.2 ... slow.22 into
// folder (made when missing) and reports to out (what was read, kept, dropped
// and, when an existing list is replaced, lost) or err (what went wrong). An
// existing word list is replaced only with options.overwrite.
int RunBuild(const std::filesystem::path& source, const std::filesystem::path& folder, const Options& options,
             std::ostream& out, std::ostream& err);

// The whole "repair" command: rewrites one word-list file in place as
// Windows-1250 with CR LF line ends and the right count, keeping its words.
int RunRepair(const std::filesystem::path& file, const Options& options, std::ostream& out,
              std::ostream& err);

// The whole "merge" command: appends the words of a UTF-8 source that a file
// of folder lacks to that file, keeping every word already there.
int RunMerge(const std::filesystem::path& source, const std::filesystem::path& folder, const Options& options,
             std::ostream& out, std::ostream& err);

// The whole "use" command: which is "pelna" or "podstawowa". Puts that list
// (waiting beside slow/ in slow-pelne/ or slow-podstawowe/) into slow/ of
// programFolder and the list now in slow/ into the other one's folder, under
// the locks of both. Refuses, moving nothing, when that list is not there,
// is already in use, or the other's folder is taken.
int RunUse(const std::string& which, const std::filesystem::path& programFolder, const Options& options,
           std::ostream& out, std::ostream& err);

// ---------------------------------------------------------------- check

enum class ProblemKind {
  Missing,         // the file does not exist
  Unreadable,      // the file cannot be read
  Empty,           // no count line
  BadCount,        // line 1 is not a plain non-negative decimal number fitting 32 bits
  CountMismatch,   // the count is not the number of word lines
  LoneLf,          // a line ends in LF without CR
  LoneCr,          // a line ends in CR without LF
  NoFinalLineEnd,  // the last line has no line end
  WrongLength,     // a word that has not exactly n characters
  UndefinedByte,   // 0x81, 0x83, 0x88, 0x90 or 0x98
  ControlByte,     // 0x00-0x1F (apart from line ends) or 0x7F
  Separator,   // a comma, or a double quotation mark or blank at the start: the search would read the line
               // otherwise (FindMisread)
  Repeat,      // the same word as an earlier line, the two compared in lower case
  Utf8,        // the file is written in UTF-8
  NotRegular,  // a FIFO, socket, device or other special file where the file should be
  Leftover,    // a temporary file left by a write that did not finish
};

struct Problem {
  ProblemKind kind;
  std::size_t line;  // from 1; 0 for the file as a whole
  std::string text;  // Polish description
};

// The problems listed per file; the rest are only counted.
inline constexpr std::size_t kListedProblems = 20;

struct FileReport {
  int length = 0;
  std::vector<Problem> problems;  // the first kListedProblems
  std::size_t problemCount = 0;   // all of them
  std::size_t words = 0;          // word lines found
};

// Checks the bytes of the word-list file for words of n characters.
FileReport CheckWordFileData(int n, std::string_view data);

// Checks slow.<MinWordLength> ... slow.<MaxWordLength> in folder, and looks
// for temporary files left behind (reported as Leftover of their length).
std::vector<FileReport> CheckWordFiles(const std::filesystem::path& folder);

// The whole "check" command: lists the problems on out.
int RunCheck(const std::filesystem::path& folder, std::ostream& out, std::ostream& err);

// ---------------------------------------------------------------- fill

// Exit statuses of "fill".
inline constexpr int kFillFilled = 0;
inline constexpr int kFillImpossible = 1;
inline constexpr int kFillTimedOut = 2;
inline constexpr int kFillBadInput = 3;  // a bad grid, list, score file or command line

// The whole "fill" command; args are its arguments after "fill".
int RunFill(const std::vector<std::string>& args, const std::filesystem::path& programFolder, std::ostream& out,
            std::ostream& err);

// ---------------------------------------------------------------- command line

// The usage text.
std::string UsageText();

// Runs the tool with its arguments (without the program name). programFolder
// is the folder of the executable, where the default word-list folder lies.
int Run(const std::vector<std::string>& args, const std::filesystem::path& programFolder, std::ostream& out,
        std::ostream& err, bool showProgress = false);

// Polish plural: one (1), few (2-4, 22-24, ... but not 12-14) or many.
const char* Plural(std::size_t n, const char* one, const char* few, const char* many);

}  // namespace wypelniak::slownik
