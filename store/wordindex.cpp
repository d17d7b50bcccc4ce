#include "wordindex.h"

#include <algorithm>
#include <numeric>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace wypelniak {

WordIndex::WordIndex(int length, const std::vector<LetterCode>& words, const std::vector<std::uint8_t>& scores)
    : length_(length) {
  const std::size_t n = scores.size();
  // Best score first, the list's order kept among equals (a counting sort).
  std::array<std::size_t, 257> start{};
  for (std::uint8_t score : scores) ++start[255 - score + 1];
  for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[start[255 - scores[i]]++] = static_cast<std::uint32_t>(i);
  columns_.resize(n * static_cast<std::size_t>(length));
  scores_.resize(n);
  positionLetters_.assign(static_cast<std::size_t>(length), 0);
  letterCounts_.assign(static_cast<std::size_t>(length) * kLetterCount, 0);
  for (std::size_t id = 0; id < n; ++id) {
    const std::size_t from = order[id];
    scores_[id] = scores[from];
    for (int p = 0; p < length; ++p) {
      const LetterCode c = words[from * static_cast<std::size_t>(length) + static_cast<std::size_t>(p)];
      columns_[static_cast<std::size_t>(p) * n + id] = c;
      positionLetters_[static_cast<std::size_t>(p)] |= LetterBit(c);
      ++letterCounts_[static_cast<std::size_t>(p) * kLetterCount + c];
    }
  }
}

std::size_t WordIndex::CountAtLeast(int score) const {
  return static_cast<std::size_t>(
      std::partition_point(scores_.begin(), scores_.end(), [score](std::uint8_t s) { return s >= score; }) -
      scores_.begin());
}

std::basic_string<LetterCode> WordIndex::Word(WordId id) const {
  std::basic_string<LetterCode> word(static_cast<std::size_t>(length_), 0);
  for (int p = 0; p < length_; ++p) word[static_cast<std::size_t>(p)] = Letter(id, p);
  return word;
}

std::uint64_t WordIndex::Selectivity(int position, LetterSet mask) const {
  std::uint64_t n = 0;
  for (LetterSet m = mask & PositionLetters(position); m; m &= m - 1)
    n += LetterCount(position, static_cast<LetterCode>(std::countr_zero(m)));
  return n;
}

void WordIndex::Scan(int position, LetterSet mask, std::size_t limit, std::vector<WordId>& out) const {
  const std::size_t n = std::min(limit, Size());
  const LetterCode* column = columns_.data() + static_cast<std::size_t>(position) * n;
  std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  if (LetterCountOf(mask) == 1) {
    // One letter: sixteen bytes compared at a time.
    const __m128i want = _mm_set1_epi8(static_cast<char>(std::countr_zero(mask)));
    for (; i + 16 <= n; i += 16) {
      unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(
          _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(column + i)), want)));
      for (; bits; bits &= bits - 1) out.push_back(static_cast<WordId>(i + static_cast<unsigned>(std::countr_zero(bits))));
    }
  }
#endif
  // Counted first, so that out grows once by what it takes.
  std::size_t count = 0;
  for (std::size_t j = i; j < n; ++j) count += (mask >> column[j]) & 1;
  const std::size_t start = out.size();
  out.resize(start + count);
  WordId* to = out.data() + start;
  for (; i < n && count > 0; ++i) {
    if ((mask >> column[i]) & 1) *to++ = static_cast<WordId>(i), --count;
  }
}

void WordIndex::Match(const LetterSet* masks, std::size_t limit, std::vector<WordId>& out) const {
  limit = std::min(limit, Size());
  // The position that lets through the fewest words is scanned; the others
  // only filter what it found.
  int first = -1;
  std::uint64_t fewest = Size() + 1;
  for (int p = 0; p < length_; ++p) {
    if ((PositionLetters(p) & ~masks[p]) == 0) continue;
    const std::uint64_t n = Selectivity(p, masks[p]);
    if (n < fewest) fewest = n, first = p;
  }
  const std::size_t start = out.size();
  if (first < 0) {
    out.resize(start + limit);
    std::iota(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), WordId{0});
    return;
  }
  if (fewest == 0) return;
  Scan(first, masks[first], limit, out);
  std::size_t kept = out.size() - start;
  for (int p = 0; p < length_ && kept > 0; ++p)
    if (p != first && (PositionLetters(p) & ~masks[p]) != 0) kept = Filter(out.data() + start, kept, p, masks[p]);
  out.resize(start + kept);
}

std::size_t WordIndex::Filter(WordId* ids, std::size_t n, int position, LetterSet mask) const {
  const LetterCode* column = columns_.data() + static_cast<std::size_t>(position) * Size();
  WordId* to = ids;
  for (std::size_t i = 0; i < n; ++i) {
    const WordId id = ids[i];
    *to = id;
    to += (mask >> column[id]) & 1;
  }
  return static_cast<std::size_t>(to - ids);
}

std::int64_t WordIndex::Find(const std::basic_string<LetterCode>& word) const {
  if (word.size() != static_cast<std::size_t>(length_)) return -1;
  std::array<LetterSet, 64> masks{};
  for (int p = 0; p < length_; ++p) masks[static_cast<std::size_t>(p)] = LetterBit(word[static_cast<std::size_t>(p)]);
  std::vector<WordId> found;
  Match(masks.data(), found);
  return found.empty() ? -1 : static_cast<std::int64_t>(found.front());
}

std::size_t WordIndex::MemoryBytes() const {
  return columns_.capacity() + scores_.capacity() + positionLetters_.capacity() * sizeof(LetterSet) +
         letterCounts_.capacity() * sizeof(std::uint32_t);
}

}  // namespace wypelniak
