#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "alphabet.h"
#include "keptmemory.h"

// The words of one length, held for the grid: letter codes stored column by
// column (the letters at position 0 of every word, then position 1, ...), so
// that the words with given letters at a position are found by one pass over
// that position's bytes, and a list of words is checked against a position's
// letter set without touching the others. Words are numbered in order of
// preference: the best score first, words of equal score in the order of the
// word list. A list of word numbers in ascending order is therefore a list
// in order of preference.
namespace wypelniak {

using WordId = std::uint32_t;

class WordIndex {
 public:
  WordIndex() = default;
  // words: the codes of size() / length words one after another; scores: one
  // a word (0 ... 100).
  WordIndex(int length, const std::vector<LetterCode>& words, const std::vector<std::uint8_t>& scores);

  int Length() const { return length_; }
  std::size_t Size() const { return scores_.size(); }
  LetterCode Letter(WordId id, int position) const { return Column(position)[id]; }
  // The letters of every word at a position, by word number.
  const LetterCode* Column(int position) const { return columns_.data() + static_cast<std::size_t>(position) * Size(); }
  std::uint8_t Score(WordId id) const { return scores_[id]; }
  // How many words score at least score: the words [0, n).
  std::size_t CountAtLeast(int score) const;
  std::basic_string<LetterCode> Word(WordId id) const;
  // The letters some word has at a position.
  LetterSet PositionLetters(int position) const { return positionLetters_[static_cast<std::size_t>(position)]; }
  // How many words have letter c at a position.
  std::uint32_t LetterCount(int position, LetterCode c) const {
    return letterCounts_[static_cast<std::size_t>(position) * kLetterCount + c];
  }

  // Appends to out, in ascending order, the words below limit whose letter
  // at each position p is in masks[p] (masks holds Length() sets).
  void Match(const LetterSet* masks, std::size_t limit, std::vector<WordId>& out) const;
  void Match(const LetterSet* masks, std::vector<WordId>& out) const { Match(masks, Size(), out); }
  // Keeps, of the n words at ids, those whose letter at position is in mask,
  // in their order; returns how many are kept.
  std::size_t Filter(WordId* ids, std::size_t n, int position, LetterSet mask) const;
  // The number of a word, or -1 when it is not in the index.
  std::int64_t Find(const std::basic_string<LetterCode>& word) const;

  // The bytes the index holds.
  std::size_t MemoryBytes() const;

 private:
  // Appends the words whose letter at position is in mask, in ascending order.
  void Scan(int position, LetterSet mask, std::size_t limit, std::vector<WordId>& out) const;
  // The number of words a mask at position lets through.
  std::uint64_t Selectivity(int position, LetterSet mask) const;

  int length_ = 0;
  // In huge pages when large: the full list's columns are tens of megabytes.
  std::vector<LetterCode, LargePageAllocator<LetterCode>> columns_;
  std::vector<std::uint8_t> scores_;
  std::vector<LetterSet> positionLetters_;
  std::vector<std::uint32_t> letterCounts_;
};

}  // namespace wypelniak
