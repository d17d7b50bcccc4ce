#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wordindex.h"
#include "wordlist.h"
#include "wordscore.h"

// The words a grid is filled from: every length of a word-list folder read
// once through the format module's reading rules, folded to lower case, kept
// only when made of the alphabet's letters, each once, and indexed
// (WordIndex). A length whose file changes (a word added) is read again on
// its own. A missing file is an empty length.
namespace wypelniak {

// What loading one length found.
struct LengthReport {
  std::uint64_t values = 0;     // words the file holds, as the search reads them
  std::uint64_t kept = 0;       // words in the index
  std::uint64_t notLetters = 0; // a hyphen, dot, digit, blank, apostrophe...
  std::uint64_t foreign = 0;    // letters of other alphabets ("é", "ü")
  std::uint64_t repeats = 0;    // the same word again (case aside)
  std::uint64_t wrongLength = 0;// a value whose length is not the file's
  bool missing = false;         // no file
  std::string problem;          // a Polish message when the file cannot be used
};

class WordTable;

// An immutable set of indexes, one per length, shared by whoever works on it:
// a fill on a worker thread keeps its own while the lexicon reloads.
using IndexSet = std::array<std::shared_ptr<const WordIndex>, MaxWordLength + 1>;

class Lexicon {
 public:
  explicit Lexicon(std::filesystem::path folder, ScoreSources scores = {});

  // Reads every length, or only those flagged in lengths (indexed by
  // length; the others stay empty), on a few threads at once.
  // progress(done, total) after each length, called from those threads one
  // at a time; cancel stops early (then Load returns false).
  bool Load(const std::function<void(int, int)>& progress = {}, const std::atomic<bool>* cancel = nullptr,
            const std::vector<bool>& lengths = {});
  // Reads again each length whose file changed since it was read; returns the
  // lengths read again.
  std::vector<int> ReloadChanged();
  // New scores: every length is indexed again.
  void SetScores(ScoreSources scores);

  const std::filesystem::path& Folder() const { return folder_; }
  IndexSet Indexes() const { return indexes_; }
  const WordIndex& Index(int length) const;
  const LengthReport& Report(int length) const { return reports_[static_cast<std::size_t>(length)]; }
  std::uint64_t WordCount() const;
  std::size_t MemoryBytes() const;

 private:
  struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    bool exists = false;
    bool operator==(const FileStamp&) const = default;
  };
  static FileStamp StampOf(const std::filesystem::path& path);
  // Reads one length; data is a buffer for the file's bytes.
  void LoadLength(int length, std::string& data);
  // The scores of words (codes one after another, no repeats), found through
  // table, a table of them.
  std::vector<std::uint8_t> Score(int length, const std::vector<LetterCode>& words, const WordTable& table) const;

  std::filesystem::path folder_;
  ScoreSources scores_;
  IndexSet indexes_;
  std::array<LengthReport, MaxWordLength + 1> reports_;
  std::array<FileStamp, MaxWordLength + 1> stamps_;
};

// The words of one file's bytes, as the lexicon keeps them: codes one after
// another, and what was left out. For the loader and its tests.
void ReadLexiconWords(std::string_view data, int length, std::vector<LetterCode>& words, LengthReport& report);

}  // namespace wypelniak
