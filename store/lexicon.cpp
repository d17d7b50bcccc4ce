#include "lexicon.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <system_error>

#include "cp1250.h"
#include "platform.h"

namespace wypelniak {
namespace fs = std::filesystem;

// An open-addressing table of the words of one length, by their codes, for
// finding repeats and the words a score source names. A slot holds a word's
// number and part of its hash, so that words are compared only when the hash
// agrees.
class WordTable {
 public:
  WordTable(const std::vector<LetterCode>& words, int length, std::size_t expected)
      : words_(words), length_(static_cast<std::size_t>(length)) {
    std::size_t size = 16;
    while (size < expected * 2) size <<= 1;
    slots_.assign(size, 0);
  }

  std::uint64_t Hash(const LetterCode* word) const {
    // Eight letters at a time, mixed as in splitmix64.
    std::uint64_t h = length_ * 0x9E3779B97F4A7C15ull;
    for (std::size_t i = 0; i < length_; i += 8) {
      std::uint64_t part = 0;
      std::memcpy(&part, word + i, std::min<std::size_t>(8, length_ - i));
      h ^= part;
      h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
      h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
      h ^= h >> 31;
    }
    return h;
  }
  // Asks the processor for a hash's slot ahead of its use.
  void Prefetch(std::uint64_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
#endif
  }

  // The number of an equal word already in the table, or -1 after adding
  // word number id (whose codes lie in words at id * length).
  std::int64_t FindOrAdd(std::uint32_t id, std::uint64_t hash) {
    const std::int64_t found = Find(words_.data() + id * length_, hash);
    if (found < 0) slots_[free_] = (hash & 0xFFFFFFFF00000000ull) | (id + 1);
    return found;
  }
  std::int64_t FindOrAdd(std::uint32_t id) { return FindOrAdd(id, Hash(words_.data() + id * length_)); }
  // The number of a word given as codes, or -1.
  std::int64_t Find(const LetterCode* word) const { return Find(word, Hash(word)); }

 private:
  std::int64_t Find(const LetterCode* word, std::uint64_t hash) const {
    const std::uint64_t tag = hash & 0xFFFFFFFF00000000ull;
    for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      const std::uint64_t slot = slots_[i];
      if (slot == 0) {
        free_ = i;
        return -1;
      }
      if ((slot & 0xFFFFFFFF00000000ull) != tag) continue;
      const auto other = static_cast<std::uint32_t>(slot) - 1;
      if (std::memcmp(words_.data() + std::size_t{other} * length_, word, length_) == 0) return other;
    }
  }

  const std::vector<LetterCode>& words_;
  std::size_t length_;
  std::vector<std::uint64_t> slots_;
  mutable std::size_t free_ = 0;  // the empty slot the last search ended at
};

namespace {

// Whether a byte is a letter of another alphabet: one that has a case of its
// own in Windows-1250 but is not among the grid's letters.
bool IsForeignLetter(unsigned char byte) {
  static const auto table = [] {
    std::array<bool, 256> t{};
    for (int b = 0x80; b < 256; ++b) {
      const unsigned char lower = Cp1250ToLower(static_cast<unsigned char>(b));
      if (lower != b) t[b] = t[lower] = true;
    }
    for (int b = 0; b < 256; ++b)
      if (LetterOfCp1250(static_cast<unsigned char>(b)) != kNoLetter) t[b] = false;
    return t;
  }();
  return table[byte];
}

// Whether a value of the file can stand in a grid; codes receives its letters.
enum class ValueKind { Word, NotLetters, Foreign };

ValueKind Classify(std::string_view value, LetterCode* codes) {
  ValueKind kind = ValueKind::Word;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto byte = static_cast<unsigned char>(value[i]);
    const LetterCode c = LetterOfCp1250(byte);
    if (c != kNoLetter) {
      codes[i] = c;
      continue;
    }
    if (!IsForeignLetter(byte)) return ValueKind::NotLetters;
    kind = ValueKind::Foreign;
  }
  return kind;
}

}  // namespace

namespace {

void ReadWords(std::string_view data, int length, std::vector<LetterCode>& words, LengthReport& report,
               const std::function<void(const WordTable&)>& withTable) {
  const CountLine head = ReadCountLine(data);
  if (head.error != CountError::None) return;
  CountedReader reader(data.substr(head.wordsStart));
  const auto n = static_cast<std::size_t>(length);
  // The count on the first line may be anything: only what the data can hold
  // is reserved.
  const std::size_t expected = std::min<std::size_t>(static_cast<std::size_t>(head.count), data.size() / (n + 1) + 1);
  words.resize(expected * n);
  LetterCode* to = words.data();
  std::string_view value;
  for (std::int32_t i = 0; i < head.count && reader.NextExpecting(n, value); ++i) {
    ++report.values;
    if (value.size() != n) {
      ++report.wrongLength;
      continue;
    }
    const ValueKind kind = Classify(value, to);
    if (kind == ValueKind::Word) to += n;
    else ++(kind == ValueKind::Foreign ? report.foreign : report.notLetters);
  }
  words.resize(static_cast<std::size_t>(to - words.data()));
  // Repeats out, the first of each kept in place; each word's slot is asked
  // for some words ahead, as the table is larger than the caches.
  const std::size_t count = words.size() / n;
  WordTable table(words, length, count);
  std::vector<std::uint64_t> hashes(count);
  for (std::size_t i = 0; i < count; ++i) hashes[i] = table.Hash(words.data() + i * n);
  constexpr std::size_t kAhead = 16;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count) table.Prefetch(hashes[i + kAhead]);
    if (kept != i) std::memmove(words.data() + kept * n, words.data() + i * n, n);
    if (table.FindOrAdd(static_cast<std::uint32_t>(kept), hashes[i]) < 0) ++kept;
    else ++report.repeats;
  }
  words.resize(kept * n);
  report.kept = kept;
  if (withTable) withTable(table);
}

}  // namespace

void ReadLexiconWords(std::string_view data, int length, std::vector<LetterCode>& words, LengthReport& report) {
  ReadWords(data, length, words, report, {});
}

Lexicon::Lexicon(fs::path folder, ScoreSources scores) : folder_(std::move(folder)), scores_(std::move(scores)) {
  for (auto& index : indexes_) index = std::make_shared<const WordIndex>();
}

Lexicon::FileStamp Lexicon::StampOf(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::is_regular_file(status)) return {};
  FileStamp stamp;
  stamp.exists = true;
  stamp.size = static_cast<std::uint64_t>(fs::file_size(path, ec));
  stamp.modified = static_cast<std::int64_t>(fs::last_write_time(path, ec).time_since_epoch().count());
  return stamp;
}

void Lexicon::LoadLength(int length, std::string& data) {
  const auto l = static_cast<std::size_t>(length);
  const fs::path path = folder_ / WordListPath(length, fs::path()).filename();
  LengthReport report;
  std::vector<LetterCode> words;
  stamps_[l] = StampOf(path);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) {
    report.missing = true;
  } else if (const std::error_code read = platform::ReadWholeFile(path, data)) {
    report.problem = "Nie można odczytać pliku słownika " + PathText(path) + ": " + DescribeFileError(read) + ".";
  } else if (data.size() > MaxListFileBytes) {
    report.problem = "Plik słownika " + PathText(path) + " jest za duży: " + DescribeTooLarge(data.size());
  } else if (const CountLine head = ReadCountLine(data); head.error != CountError::None) {
    report.problem = CountLineMessage(path, head);
  } else if (LooksLikeUtf8(data)) {
    report.problem = WrongEncodingMessage(path);
  } else {
    std::vector<std::uint8_t> scores;
    ReadWords(data, length, words, report, [&](const WordTable& table) { scores = Score(length, words, table); });
    reports_[l] = std::move(report);
    indexes_[l] = std::make_shared<const WordIndex>(length, words, scores);
    return;
  }
  reports_[l] = std::move(report);
  // An empty index of the right length: a slot of that length has no word,
  // and is asked nothing out of range.
  indexes_[l] = std::make_shared<const WordIndex>(length, std::vector<LetterCode>{}, std::vector<std::uint8_t>{});
}

std::vector<std::uint8_t> Lexicon::Score(int length, const std::vector<LetterCode>& words, const WordTable& table) const {
  const auto l = static_cast<std::size_t>(length);
  std::vector<std::uint8_t> scores(words.size() / l, scores_.allBaseForms ? kScoreBaseForm : kScoreOtherForm);
  const auto mark = [&](const WordKey& key, std::uint8_t score, bool raise) {
    if (key.size() != l) return;
    const std::int64_t id = table.Find(reinterpret_cast<const LetterCode*>(key.data()));
    if (id < 0) return;
    std::uint8_t& s = scores[static_cast<std::size_t>(id)];
    s = raise ? std::max(s, score) : score;
  };
  for (const WordKey& key : scores_.baseForms[l]) mark(key, kScoreBaseForm, true);
  for (const WordKey& key : scores_.clueable[l]) mark(key, kScoreClueable, true);
  for (const auto& [key, score] : scores_.user) mark(key, score, false);
  return scores;
}

bool Lexicon::Load(const std::function<void(int, int)>& progress, const std::atomic<bool>* cancel,
                   const std::vector<bool>& lengths) {
  // The lengths share out among a few threads, the longest files first.
  std::vector<int> order;
  for (int n = MinWordLength; n <= MaxWordLength; ++n)
    if (lengths.empty() || (static_cast<std::size_t>(n) < lengths.size() && lengths[static_cast<std::size_t>(n)]))
      order.push_back(n);
  std::sort(order.begin(), order.end(), [](int a, int b) { return std::abs(a - 12) < std::abs(b - 12); });
  const int total = static_cast<int>(order.size());
  std::atomic<int> next{0};
  int done = 0;
  std::mutex reporting;
  const auto work = [&] {
    std::string buffer;  // one file's bytes, kept from file to file
    for (int i; (i = next.fetch_add(1)) < total;) {
      if (cancel != nullptr && cancel->load()) return;
      LoadLength(order[static_cast<std::size_t>(i)], buffer);
      const std::lock_guard<std::mutex> lock(reporting);
      ++done;
      if (progress) progress(done, total);
    }
  };
  const unsigned threads = std::clamp(std::min(std::thread::hardware_concurrency(), static_cast<unsigned>(total)), 1u, 4u);
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (std::thread& t : helpers) t.join();
  return done == total;
}

std::vector<int> Lexicon::ReloadChanged() {
  std::vector<int> reloaded;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    if (StampOf(folder_ / WordListPath(n, fs::path()).filename()) == stamps_[static_cast<std::size_t>(n)]) continue;
    std::string buffer;
    LoadLength(n, buffer);
    reloaded.push_back(n);
  }
  return reloaded;
}

void Lexicon::SetScores(ScoreSources scores) {
  scores_ = std::move(scores);
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const WordIndex& index = Index(n);
    std::vector<LetterCode> words;
    words.reserve(index.Size() * static_cast<std::size_t>(n));
    for (WordId id = 0; id < index.Size(); ++id) {
      const auto word = index.Word(id);
      words.insert(words.end(), word.begin(), word.end());
    }
    WordTable table(words, n, index.Size());
    for (std::uint32_t i = 0; i < index.Size(); ++i) table.FindOrAdd(i);
    indexes_[static_cast<std::size_t>(n)] = std::make_shared<const WordIndex>(n, words, Score(n, words, table));
  }
}

const WordIndex& Lexicon::Index(int length) const {
  static const WordIndex empty;
  if (length < MinWordLength || length > MaxWordLength) return empty;
  return *indexes_[static_cast<std::size_t>(length)];
}

std::uint64_t Lexicon::WordCount() const {
  std::uint64_t n = 0;
  for (int l = MinWordLength; l <= MaxWordLength; ++l) n += Index(l).Size();
  return n;
}

std::size_t Lexicon::MemoryBytes() const {
  std::size_t n = 0;
  for (int l = MinWordLength; l <= MaxWordLength; ++l) n += Index(l).MemoryBytes();
  return n;
}

}  // namespace wypelniak
