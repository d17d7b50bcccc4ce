// Sorting a UTF-8 source into the words of the files: conversion to
// lower-case Windows-1250, the tests that drop a line, and the repeats.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "cp1250.h"
#include "hunspell.h"
#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;

namespace {

// A block of scratch memory taken straight from the system (on Linux backed
// by huge pages where the system allows, which spares the address
// translation most of its misses), neither cleared nor able to grow.
class ScratchBuffer {
 public:
  explicit ScratchBuffer(std::size_t capacity) : capacity_(capacity) {
    if (capacity == 0) return;
#ifdef __linux__
    void* p = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    ::madvise(p, capacity, MADV_HUGEPAGE);  // only a hint; failure is harmless
    data_ = static_cast<char*>(p);
#else
    data_ = static_cast<char*>(std::malloc(capacity));
    if (data_ == nullptr) throw std::bad_alloc();
#endif
  }
  ScratchBuffer(const ScratchBuffer&) = delete;
  ScratchBuffer& operator=(const ScratchBuffer&) = delete;
  ~ScratchBuffer() {
    if (data_ == nullptr) return;
#ifdef __linux__
    ::munmap(data_, capacity_);
#else
    std::free(data_);
#endif
  }

  template <typename T>
  T* As() {
    return reinterpret_cast<T*>(data_);
  }

 private:
  char* data_ = nullptr;
  std::size_t capacity_ = 0;
};

// Asks the system to back the memory at p with huge pages, as ScratchBuffer
// does; only a hint.
void HintHugePages(char* p, std::size_t size) {
#ifdef __linux__
  constexpr std::uintptr_t kPage = 4096;
  const auto start = (reinterpret_cast<std::uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(p) + size) & ~(kPage - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)p;
  (void)size;
#endif
}

constexpr int kBlankOrControl = 1;
constexpr int kSeparator = 2;

// For each character that Windows-1250 can store: its lower-case byte and
// the flags above, as byte | flags << 8; kUnstorable for any other
// character, kUnstorableControl for a control character among them. Built
// from the core's codec and its rule of what a storable word is, so it holds
// the same mapping and rule, only faster to look up. A blank is dropped
// wherever it stands: a source line with one holds more than a word.
constexpr int kUnstorable = -1;
constexpr int kUnstorableControl = -2;

class CharTable {
 public:
  CharTable() {
    char32_t highest = 0x9F;
    for (int b = 0; b < 256; ++b) highest = std::max(highest, Cp1250ToUnicode(static_cast<unsigned char>(b)));
    entries_.assign(static_cast<std::size_t>(highest) + 1, kUnstorable);
    for (char32_t c = 0; c <= 0x9F; ++c) {
      std::string probe = "a";
      AppendUtf8(c, probe);
      if (CheckTypedWord(probe + "a") == WordProblem::ControlChar) entries_[c] = kUnstorableControl;
    }
    for (int b = 0; b < 256; ++b) {
      const char32_t c = Cp1250ToUnicode(static_cast<unsigned char>(b));
      const char ch = static_cast<char>(b);
      int flags = 0;
      switch (CheckStorableWord(std::string{'a', ch, 'a'})) {
        case WordProblem::ControlChar: flags |= kBlankOrControl; break;
        case WordProblem::Comma:
        case WordProblem::DoubleQuote: flags |= kSeparator; break;
        default: break;
      }
      if (CheckStorableWord(std::string{ch, 'a', 'a'}) == WordProblem::LeadingBlank) flags |= kBlankOrControl;
      entries_[c] = static_cast<std::int16_t>(Cp1250ToLower(static_cast<unsigned char>(b)) | flags << 8);
    }
  }

  int operator[](char32_t c) const { return c < entries_.size() ? entries_[c] : kUnstorable; }

 private:
  std::vector<std::int16_t> entries_;
};

const CharTable& Table() {
  static const CharTable table;
  return table;
}

constexpr std::uint64_t kFnvBasis = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

// Spreads the bits of an FNV-1a hash over the whole word (MurmurHash3's
// finaliser); the tables use its upper 32 bits.
std::uint32_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h >> 32);
}

// Table capacity for count words: a power of two, at most two thirds full.
std::size_t TableCapacity(std::size_t count) {
  std::size_t capacity = 16;
  while (capacity < count + count / 2 + 1) capacity <<= 1;
  return capacity;
}

// A candidate word of a given length: hash << 32 | offset of its bytes.
using Candidate = std::uint64_t;

// One source line read and written over itself in lower-case Windows-1250.
struct ScannedLine {
  std::size_t chars = 0;    // characters read
  bool unstorable = false;  // one of them Windows-1250 cannot store
  int flags = 0;            // kBlankOrControl, kSeparator
  std::uint64_t hash = kFnvBasis;
  std::size_t end = 0;        // where the written bytes end
  bool broken = false;        // the line breaks the UTF-8 rules ...
  unsigned char badByte = 0;  // ... at this byte
};

// Reads the line data[pos, lineEnd) to its end, so that any break of the
// UTF-8 rules is found before a single file is written, and writes the
// storable characters' bytes from data + out on. A character never takes
// more bytes in Windows-1250 than in UTF-8, so the writing never overtakes
// the reading.
inline ScannedLine ScanLine(char* data, std::size_t pos, std::size_t lineEnd, std::size_t out,
                            const CharTable& table) {
  ScannedLine s;
  const std::string_view line(data, lineEnd);
  for (std::size_t p = pos; p < lineEnd;) {
    const auto lead = static_cast<unsigned char>(data[p]);
    int entry;
    if (lead < 0x80) {
      entry = table[lead];
      ++p;
    } else {
      std::size_t q = p;
      char32_t c = 0;
      NextUtf8Char(line, q, c);
      // A broken sequence reads as U+FFFD over one byte; a real U+FFFD takes three.
      if (q - p == 1) {
        s.broken = true;
        s.badByte = lead;
        return s;
      }
      p = q;
      entry = table[c];
      // Controls that Windows-1250 cannot store count as controls.
      if (entry == kUnstorableControl) s.flags |= kBlankOrControl;
    }
    ++s.chars;
    if (entry < 0) {
      s.unstorable = true;
    } else {
      s.flags |= entry >> 8;
      const auto b = static_cast<unsigned char>(entry & 0xFF);
      data[out++] = static_cast<char>(b);
      s.hash = (s.hash ^ b) * kFnvPrime;
    }
  }
  s.end = out;
  return s;
}

// Why a scanned line is left out, tested in the order of DropReason; false
// when it is a word to keep (a repeat aside).
inline bool DropReasonOf(const ScannedLine& s, DropReason& reason) {
  if (s.chars < static_cast<std::size_t>(MinWordLength)) {
    reason = DropReason::TooShort;
  } else if (s.chars > static_cast<std::size_t>(MaxWordLength)) {
    reason = DropReason::TooLong;
  } else if (s.flags & kBlankOrControl) {
    reason = DropReason::BlankOrControl;
  } else if (s.unstorable) {
    reason = DropReason::Unstorable;
  } else if (s.flags & kSeparator) {
    reason = DropReason::Separator;
  } else {
    return false;
  }
  return true;
}

// The words that pass every test but the repeat test, in source order.
struct Candidates {
  std::size_t count = 0;
  Candidate* items = nullptr;
  unsigned char* lengths = nullptr;
  std::array<std::size_t, MaxWordLength + 1> perLength{};
};

// Sorts the candidates by length, keeping the source order within a length,
// into sorted; start[n] is where the words of length n begin there.
void SortByLength(const Candidates& c, Candidate* sorted, std::array<std::size_t, MaxWordLength + 2>& start) {
  start = {};
  for (std::size_t n = 1; n <= MaxWordLength + 1; ++n) start[n] = start[n - 1] + c.perLength[n - 1];
  std::array<std::size_t, MaxWordLength + 1> next{};
  std::copy(start.begin(), start.end() - 1, next.begin());
  for (std::size_t k = 0; k < c.count; ++k) sorted[next[c.lengths[k]]++] = c.items[k];
}

// Drops the repeats among the count candidates of one length, which are in
// source order, keeping the first of equal words; returns the kept offsets
// in the same order. One length at a time keeps the table small enough for
// the processor's caches, which matters more for the speed than anything
// else: one table for all words is several times slower.
std::vector<std::uint32_t> DropRepeats(const Candidate* candidates, std::size_t count,
                                       detail::WordTable& table) {
  std::vector<std::uint32_t> kept;
  kept.reserve(count);
  constexpr std::size_t kAhead = 16;  // how far ahead slots are fetched
  for (std::size_t k = 0; k < count; ++k) {
    if (k + kAhead < count) table.Prefetch(static_cast<std::uint32_t>(candidates[k + kAhead] >> 32));
    const Candidate c = candidates[k];
    const auto offset = static_cast<std::uint32_t>(c);
    if (table.Insert(static_cast<std::uint32_t>(c >> 32), offset)) kept.push_back(offset);
  }
  return kept;
}

}  // namespace

namespace detail {

std::uint32_t HashWord(std::string_view bytes) {
  std::uint64_t hash = kFnvBasis;
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
  return Mix(hash);
}

void WordTable::Reset(std::size_t count, const char* base, std::size_t length) {
  slots_.assign(TableCapacity(count), 0);
  mask_ = slots_.size() - 1;
  base_ = base;
  length_ = length;
}

bool WordTable::Insert(std::uint32_t hash, std::uint32_t offset) {
  for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) {
      slots_[i] = std::uint64_t{hash} << 32 | (std::uint64_t{offset} + 1);
      return true;
    }
    if (static_cast<std::uint32_t>(slot >> 32) == hash &&
        std::memcmp(base_ + static_cast<std::uint32_t>(slot) - 1, base_ + offset, length_) == 0)
      return false;
  }
}

const char* WordTable::Find(std::uint32_t hash, const char* word) const {
  for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) return nullptr;
    const char* const held = base_ + static_cast<std::uint32_t>(slot) - 1;
    if (static_cast<std::uint32_t>(slot >> 32) == hash && std::memcmp(held, word, length_) == 0) return held;
  }
}

bool ReadSource(const fs::path& source, WordSet& set, std::ostream& out, std::ostream& err,
                Progress& progress, const HunspellOptions* hunspell) {
  std::string text;
  if (hunspell != nullptr) {
    if (const std::string problem = ReadHunspellSource(source, *hunspell, text, out); !problem.empty()) {
      err << problem << " Nic nie zapisano.\n";
      return false;
    }
  } else {
    // The memory is had before the reading, so that it can be backed by huge
    // pages: on a large list that spares the reading and the search for
    // repeats most of their page faults and address-translation misses.
    std::error_code ec;
    if (const std::uintmax_t size = fs::file_size(source, ec); !ec && size < kMaxSourceBytes) {
      text.reserve(static_cast<std::size_t>(size) + 1);
      HintHugePages(text.data(), text.capacity());
    }
    if (const std::string problem = ReadRegularFile(source, text, kMaxSourceBytes); !problem.empty()) {
      err << "Nie można odczytać pliku źródłowego " << PathText(source) << ": " << problem
          << ". Nic nie zapisano.\n";
      return false;
    }
  }
  Utf8Error bad;
  const bool valid = CollectWords(std::move(text), set, bad, &progress);
  progress.Finish();
  if (!valid) {
    err << "Plik źródłowy " << PathText(source) << " nie jest zapisany w UTF-8: wiersz " << bad.line
        << ", znak " << bad.column << " (bajt " << ByteText(bad.byte) << "). Nic nie zapisano.\n";
    return false;
  }
  if (set.stats.TotalKept() == 0) {
    ReportRead(out, source, set.stats);
    ReportDropped(out, set.stats);
    err << "W pliku źródłowym nie ma ani jednego wyrazu, który można zapisać. Nic nie zapisano.\n";
    return false;
  }
  return true;
}

}  // namespace detail

bool CollectWords(std::string text, WordSet& set, Utf8Error& error, Progress* progress) {
  const CharTable& table = Table();
  set = WordSet{};
  set.bytes = std::move(text);
  BuildStats& st = set.stats;
  char* const data = set.bytes.data();
  const std::size_t size = set.bytes.size();
  if (size > std::numeric_limits<std::uint32_t>::max()) {
    error = {};  // too large for the offsets; the source's reading refuses it first
    return false;
  }

  std::size_t pos = 0;
  if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) pos = 3;  // byte order mark
  // There are no more candidates than lines.
  const std::size_t maxLines = static_cast<std::size_t>(std::count(data + pos, data + size, '\n')) + 1;
  ScratchBuffer candidateBuffer(maxLines * sizeof(Candidate));
  ScratchBuffer lengthBuffer(maxLines);
  Candidates cand;
  cand.items = candidateBuffer.As<Candidate>();
  cand.lengths = lengthBuffer.As<unsigned char>();

  // Bytes at the start of data that hold candidates; a repeat leaves its
  // bytes unused there.
  std::size_t kept = 0;
  std::size_t lineNumber = 0;
  while (pos < size) {
    ++lineNumber;
    const void* lf = std::memchr(data + pos, '\n', size - pos);
    const std::size_t end =
        lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
    std::size_t lineEnd = end;
    if (lineEnd > pos && data[lineEnd - 1] == '\r') --lineEnd;

    const ScannedLine line = ScanLine(data, pos, lineEnd, kept, table);
    if (line.broken) {
      error = {lineNumber, line.chars + 1, line.badByte};
      return false;
    }
    ++st.lines;
    DropReason reason;
    if (DropReasonOf(line, reason)) {
      ++st.dropped[static_cast<std::size_t>(reason)];
      if (line.chars == 0) ++st.emptyLines;
    } else {
      cand.items[cand.count] = std::uint64_t{Mix(line.hash)} << 32 | kept;
      cand.lengths[cand.count++] = static_cast<unsigned char>(line.chars);
      ++cand.perLength[line.chars];
      kept = line.end;
    }

    pos = lf != nullptr ? end + 1 : size;
    if (progress != nullptr && (lineNumber & 0xFFFF) == 0)
      progress->Update("Przetwarzanie wyrazów", static_cast<double>(pos) / static_cast<double>(size));
  }
  set.bytes.resize(kept);

  std::array<std::size_t, MaxWordLength + 2> start{};
  ScratchBuffer sortedBuffer(cand.count * sizeof(Candidate));
  Candidate* const sorted = sortedBuffer.As<Candidate>();
  SortByLength(cand, sorted, start);

  detail::WordTable words;
  for (std::size_t n = MinWordLength; n <= MaxWordLength; ++n) {
    if (progress != nullptr)
      progress->Update("Szukanie powtórzeń",
                       static_cast<double>(n - MinWordLength) / (MaxWordLength - MinWordLength + 1));
    words.Reset(cand.perLength[n], set.bytes.data(), n);
    set.offsets[n] = DropRepeats(sorted + start[n], cand.perLength[n], words);
    st.kept[n] = set.offsets[n].size();
    st.dropped[static_cast<std::size_t>(DropReason::Repeat)] += cand.perLength[n] - st.kept[n];
  }
  return true;
}

}  // namespace wypelniak::slownik
