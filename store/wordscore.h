#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "alphabet.h"
#include "wordlist.h"

// How much the fill wants each word: a score from 0 to 100, the higher the
// better, as other crossword tools score their lists. By default a word the
// thesaurus has an entry for (a word that can be clued) scores highest, a
// base form next, any other form lowest; a user's score file overrides the
// score of the words it names.
namespace wypelniak {

inline constexpr std::uint8_t kScoreClueable = 60;
inline constexpr std::uint8_t kScoreBaseForm = 50;
inline constexpr std::uint8_t kScoreOtherForm = 30;
inline constexpr int kMaxScore = 100;

// A word as letter codes, held in a std::string for hashing.
using WordKey = std::string;
WordKey KeyOfCodes(std::basic_string_view<LetterCode> codes);

// Where the scores come from. Each set holds words as keys of their codes.
struct ScoreSources {
  std::array<std::vector<WordKey>, MaxWordLength + 1> clueable;  // thesaurus headwords, by length
  std::array<std::vector<WordKey>, MaxWordLength + 1> baseForms;
  bool allBaseForms = false;  // the list itself holds base forms only
  std::unordered_map<WordKey, std::uint8_t> user;  // a score file's scores
};

// The headwords of the thesaurus in folder (its index file) that are words of
// the alphabet, by length. Empty when the thesaurus is missing or damaged:
// the fill then has no words to prefer, and is no worse for it.
// Only the lengths flagged in lengths (indexed by length) when it is given.
void AddThesaurusWords(const std::filesystem::path& thesaurusFolder, ScoreSources& sources,
                       const std::vector<bool>& lengths = {});

// The base forms: when the list beside slow/ is the other list of the pair
// (slow-pelne/ or slow-podstawowe/), which one slow/ is decides. slow/ with
// slow-pelne/ beside it holds the base forms; slow/ with slow-podstawowe/
// beside it holds every form, and the base forms are read from there.
void AddBaseForms(const std::filesystem::path& wordListFolder, ScoreSources& sources);

// A score file: UTF-8, one "word;score" a line, score 0 ... 100; blank lines
// and lines starting with '#' are skipped.
struct ScoreFileError {
  enum Kind { None, Unreadable, BadLine, BadScore } kind = None;
  int line = 0;
  std::string detail;  // the file error, or the line as it stands
};
ScoreFileError ReadScoreFile(const std::filesystem::path& path, ScoreSources& sources);
std::string DescribeScoreFileError(const std::filesystem::path& path, const ScoreFileError& error);

}  // namespace wypelniak
