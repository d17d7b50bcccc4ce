#include "slownik.h"
#include "hunspell.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#ifndef _WIN32
#include <unistd.h>
#endif
#ifdef __linux__
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#endif

#include "cp1250.h"
#include "platform.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;

namespace {

// ------------------------------------------------------------ characters

constexpr int kBlankOrControl = 1;
constexpr int kSeparator = 2;

bool IsBlankOrControl(char32_t c) {
  // C0 controls, space, DEL, C1 controls and the no-break space.
  return c <= 0x20 || c == 0x7F || (c >= 0x80 && c <= 0xA0);
}

bool IsSeparator(char32_t c) {
  return c == ',' || c == '"';
}

// For each character that Windows-1250 can store: its lower-case byte and
// the flags above, as byte | flags << 8; -1 for any other character. Built
// from the core's codec, so it holds the same mapping, only faster to look
// up than UnicodeToCp1250.
class CharTable {
 public:
  CharTable() {
    char32_t highest = 0;
    for (int b = 0; b < 256; ++b) highest = std::max(highest, Cp1250ToUnicode(static_cast<unsigned char>(b)));
    entries_.assign(static_cast<std::size_t>(highest) + 1, -1);
    for (int b = 0; b < 256; ++b) {
      const char32_t c = Cp1250ToUnicode(static_cast<unsigned char>(b));
      int flags = 0;
      if (IsBlankOrControl(c)) flags |= kBlankOrControl;
      if (IsSeparator(c)) flags |= kSeparator;
      entries_[c] = static_cast<std::int16_t>(Cp1250ToLower(static_cast<unsigned char>(b)) | flags << 8);
    }
  }

  int operator[](char32_t c) const { return c < entries_.size() ? entries_[c] : -1; }

 private:
  std::vector<std::int16_t> entries_;
};

const CharTable& Table() {
  static const CharTable table;
  return table;
}

// ------------------------------------------------------------ repeats

constexpr std::uint64_t kFnvBasis = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

// Spreads the bits of an FNV-1a hash over the whole word (MurmurHash3's
// finaliser); the repeat test uses its upper 32 bits.
std::uint32_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h >> 32);
}

// A candidate word of a given length: hash << 32 | offset of its bytes.
using Candidate = std::uint64_t;

// Table capacity for count words: a power of two, at most two thirds full.
std::size_t TableCapacity(std::size_t count) {
  std::size_t capacity = 16;
  while (capacity < count + count / 2 + 1) capacity <<= 1;
  return capacity;
}

// Drops the repeats among the count candidates of one length, which are in
// source order, keeping the first of equal words; returns the kept offsets
// in the same order. One length at a time keeps the table small enough for
// the processor's caches, which matters more for the speed than anything
// else: one table for all words is several times slower. The table is open
// addressing with linear probing over the words' bytes in data; a slot holds
// hash << 32 | (offset + 1), and 0 marks an empty slot.

std::vector<std::uint32_t> DropRepeats(const Candidate* candidates, std::size_t count, const char* data,
                                       std::size_t length, std::vector<std::uint64_t>& slots) {
  const std::size_t capacity = TableCapacity(count);
  slots.assign(capacity, 0);
  const std::size_t mask = capacity - 1;
  std::vector<std::uint32_t> kept;
  kept.reserve(count);
  constexpr std::size_t kAhead = 16;  // how far ahead slots are fetched
  for (std::size_t k = 0; k < count; ++k) {
#if defined(__GNUC__) || defined(__clang__)
    if (k + kAhead < count) __builtin_prefetch(&slots[(candidates[k + kAhead] >> 32) & mask], 1);
#endif
    const Candidate c = candidates[k];
    const std::uint32_t hash = static_cast<std::uint32_t>(c >> 32);
    const auto offset = static_cast<std::uint32_t>(c);
    bool repeat = false;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const std::uint64_t slot = slots[i];
      if (slot == 0) {
        slots[i] = std::uint64_t{hash} << 32 | (std::uint64_t{offset} + 1);
        break;
      }
      if (static_cast<std::uint32_t>(slot >> 32) == hash &&
          std::memcmp(data + static_cast<std::uint32_t>(slot) - 1, data + offset, length) == 0) {
        repeat = true;
        break;
      }
    }
    if (!repeat) kept.push_back(offset);
  }
  return kept;
}

// ------------------------------------------------------------ writing

// A new file written through a buffer of its own and forced to the disk on
// closing; every step is checked. On failure the file may be left behind;
// the caller removes it.
class OutputFile {
 public:
  OutputFile() : buffer_(new char[kBufferSize]) {}
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
  }

  std::error_code Open(const fs::path& path) {
    errno = 0;
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"wb");
#else
    file_ = std::fopen(path.c_str(), "wb");
#endif
    used_ = 0;
    error_ = {};
    return file_ == nullptr ? LastError() : std::error_code{};
  }

  void Write(std::string_view text) {
    if (used_ + text.size() > kBufferSize) Flush();
    if (text.size() > kBufferSize) {
      WriteOut(text.data(), text.size());
      return;
    }
    std::memcpy(buffer_.get() + used_, text.data(), text.size());
    used_ += text.size();
  }

  // Writes what is left, forces the file to the disk and closes it.
  std::error_code Close() {
    Flush();
    if (!error_ && std::fflush(file_) != 0) error_ = LastError();
#ifndef _WIN32
    if (!error_ && ::fsync(fileno(file_)) != 0) error_ = LastError();
#endif
    if (std::fclose(file_) != 0 && !error_) error_ = LastError();
    file_ = nullptr;
    return error_;
  }

 private:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  void Flush() {
    WriteOut(buffer_.get(), used_);
    used_ = 0;
  }

  void WriteOut(const char* data, std::size_t size) {
    if (error_ || size == 0) return;
    errno = 0;
    if (std::fwrite(data, 1, size, file_) != size) {
      error_ = LastError();
      if (!error_) error_ = std::make_error_code(std::errc::io_error);
    }
  }

  std::error_code LastError() const {
    return errno != 0 ? std::error_code(errno, std::generic_category())
                      : std::make_error_code(std::errc::io_error);
  }

  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::FILE* file_ = nullptr;
  std::error_code error_;
};

fs::path WordFilePath(const fs::path& folder, int n) {
  return folder / ("slow." + std::to_string(n));
}

// ------------------------------------------------------------ reports

// Pads UTF-8 text with blanks to width characters.
std::string PadRight(std::string_view text, std::size_t width) {
  std::string s(text);
  for (std::size_t n = Utf8Length(text); n < width; ++n) s += ' ';
  return s;
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Num(std::size_t n) {
  return std::to_string(n);
}

const char* DropReasonText(DropReason r) {
  switch (r) {
    case DropReason::TooShort: return "za krótkie (mniej niż 2 znaki)";
    case DropReason::TooLong: return "za długie (więcej niż 22 znaki)";
    case DropReason::BlankOrControl: return "z odstępem lub znakiem sterującym";
    case DropReason::Unstorable: return "ze znakiem spoza Windows-1250";
    case DropReason::Separator: return "z przecinkiem lub cudzysłowem";
    case DropReason::Repeat: return "powtórzenia (po zamianie na małe litery)";
  }
  return "";
}

void ReportRead(std::ostream& out, const fs::path& source, const BuildStats& st) {
  out << "Przeczytano " << Num(st.lines) << ' ' << Plural(st.lines, "wiersz", "wiersze", "wierszy")
      << " z pliku " << PathText(source) << ".\n";
}

void ReportDropped(std::ostream& out, const BuildStats& st) {
  const std::size_t total = st.TotalDropped();
  out << "Pominięto " << Num(total) << ' ' << Plural(total, "wiersz", "wiersze", "wierszy")
      << (total > 0 ? ":" : ".") << '\n';
  if (total == 0) return;
  std::size_t width = 0;
  for (std::size_t r = 0; r < kDropReasonCount; ++r)
    width = std::max(width, Utf8Length(DropReasonText(static_cast<DropReason>(r))));
  for (std::size_t r = 0; r < kDropReasonCount; ++r) {
    const auto reason = static_cast<DropReason>(r);
    out << "  " << PadRight(std::string(DropReasonText(reason)) + ":", width + 1) << ' '
        << PadLeft(Num(st.dropped[r]), 9);
    if (reason == DropReason::TooShort && st.emptyLines > 0)
      out << " (w tym " << Num(st.emptyLines) << ' '
          << Plural(st.emptyLines, "pusty wiersz", "puste wiersze", "pustych wierszy") << ')';
    out << '\n';
  }
}

void ReportKept(std::ostream& out, const fs::path& folder, const BuildStats& st) {
  const std::size_t total = st.TotalKept();
  out << "Zapisano " << Num(total) << ' ' << Plural(total, "wyraz", "wyrazy", "wyrazów") << " w folderze "
      << PathText(folder) << ":\n";
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const std::size_t k = st.kept[static_cast<std::size_t>(n)];
    out << "  " << PadRight("slow." + std::to_string(n), 8) << PadLeft(Num(k), 9) << ' '
        << Plural(k, "wyraz", "wyrazy", "wyrazów") << '\n';
  }
}

// ------------------------------------------------------------ checking

// A word for a message: UTF-8, control bytes shown as \xNN, cut after 40
// characters.
std::string ShowWord(std::string_view bytes) {
  constexpr std::size_t kShown = 40;
  std::string s = "„";
  for (std::size_t i = 0; i < bytes.size() && i < kShown; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x20 || b == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      s += hex;
    } else {
      AppendCp1250AsUtf8(bytes.substr(i, 1), s);
    }
  }
  if (bytes.size() > kShown) s += "…";
  return s + "”";
}

std::string ByteText(unsigned char b) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", b);
  return hex;
}

bool IsUndefinedByte(unsigned char b) {
  return b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98;
}
bool IsControlByte(unsigned char b) {
  return b < 0x20 || b == 0x7F;
}

}  // namespace

// ================================================================ build

LargeBuffer::LargeBuffer(std::size_t capacity) : capacity_(capacity) {
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

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    LargeBuffer old(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

LargeBuffer::~LargeBuffer() {
  if (data_ == nullptr) return;
#ifdef __linux__
  ::munmap(data_, capacity_);
#else
  std::free(data_);
#endif
}

std::error_code ReadLargeFile(const fs::path& path, LargeBuffer& buffer, Progress* progress) {
#ifdef __linux__
  // As platform::ReadWholeFile, but into memory that is neither cleared
  // first nor split into small pages: on a large word list that halves the
  // time the reading takes.
  auto lastError = [] { return std::error_code(errno, std::generic_category()); };
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return lastError();
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return lastError();
  if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
  // One spare byte lets the read that meets the end find room; the buffer
  // grows only when the file is longer than measured, or has no size (a pipe).
  std::size_t capacity =
      S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 65536;
  LargeBuffer data(capacity);
  std::size_t used = 0;
  for (;;) {
    if (used == data.capacity()) {
      LargeBuffer bigger(data.capacity() * 2);
      std::memcpy(bigger.data(), data.data(), used);
      data = std::move(bigger);
    }
    if (progress != nullptr)
      progress->Update("Czytanie pliku", static_cast<double>(used) / static_cast<double>(data.capacity()));
    const std::size_t want = std::min<std::size_t>(data.capacity() - used, std::size_t{8} << 20);
    const ssize_t got = ::read(fd, data.data() + used, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  data.resize(used);
  buffer = std::move(data);
  return {};
#else
  (void)progress;
  std::string text;
  if (const std::error_code ec = platform::ReadWholeFile(path, text)) return ec;
  LargeBuffer data(text.size());
  if (!text.empty()) std::memcpy(data.data(), text.data(), text.size());
  data.resize(text.size());
  buffer = std::move(data);
  return {};
#endif
}

std::size_t BuildStats::TotalKept() const {
  std::size_t total = 0;
  for (std::size_t k : kept) total += k;
  return total;
}

std::size_t BuildStats::TotalDropped() const {
  std::size_t total = 0;
  for (std::size_t d : dropped) total += d;
  return total;
}

const char* Plural(std::size_t n, const char* one, const char* few, const char* many) {
  if (n == 1) return one;
  const std::size_t tens = n % 100;
  const std::size_t units = n % 10;
  if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) return few;
  return many;
}

Progress::Progress(std::ostream& out, bool enabled)
    : out_(out), enabled_(enabled), start_(std::chrono::steady_clock::now()), last_(start_) {}

Progress::~Progress() {
  Finish();
}

void Progress::Update(std::string_view phase, double fraction) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1)) return;
  if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  shown_ = true;
  const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
  // \r returns to the line start; ESC [K clears what a longer text left.
  out_ << '\r' << phase << ": " << percent << "%\x1b[K" << std::flush;
}

void Progress::Finish() {
  if (!shown_) return;
  out_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

bool CollectWords(std::string_view text, WordSet& set, Utf8Error& error, Progress* progress) {
  LargeBuffer copy(text.size());
  if (!text.empty()) std::memcpy(copy.data(), text.data(), text.size());
  copy.resize(text.size());
  return CollectWords(std::move(copy), set, error, progress);
}

bool CollectWords(LargeBuffer text, WordSet& set, Utf8Error& error, Progress* progress) {
  const CharTable& table = Table();
  set = WordSet{};
  set.bytes = std::move(text);
  BuildStats& st = set.stats;
  // The words are written, lower case and in Windows-1250, over the text
  // itself: a character never takes more bytes in Windows-1250 than in
  // UTF-8, so the writing never overtakes the reading.
  char* const data = set.bytes.data();
  const std::size_t size = set.bytes.size();
  if (size > std::numeric_limits<std::uint32_t>::max()) {
    error = {};  // too large for the offsets; RunBuild refuses such a source first
    return false;
  }

  std::size_t pos = 0;
  if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) pos = 3;  // byte order mark
  // The words that pass every test but the repeat test, in source order,
  // and their lengths; the repeats are dropped after the reading, one length
  // at a time. There are no more of them than lines.
  const std::size_t maxLines = static_cast<std::size_t>(std::count(data + pos, data + size, '\n')) + 1;
  LargeBuffer candidateBuffer(maxLines * sizeof(Candidate));
  LargeBuffer lengthBuffer(maxLines);
  auto* const candidates = reinterpret_cast<Candidate*>(candidateBuffer.data());
  auto* const lengths = reinterpret_cast<unsigned char*>(lengthBuffer.data());
  std::size_t candidateCount = 0;
  std::array<std::size_t, MaxWordLength + 1> perLength{};

  // Bytes at the start of data that hold candidates; a repeat leaves its
  // bytes unused there.
  std::size_t kept = 0;
  std::size_t lineNumber = 0;
  while (pos < size) {
    ++lineNumber;
    const void* lf = std::memchr(data + pos, '\n', size - pos);
    const std::size_t end =
        lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
    const std::size_t next = lf != nullptr ? end + 1 : size;
    std::size_t lineEnd = end;
    if (lineEnd > pos && data[lineEnd - 1] == '\r') --lineEnd;
    const std::string_view line(data, lineEnd);

    // Every character is read, to the line's end, so that any break of the
    // UTF-8 rules is found before a single file is written.
    std::size_t chars = 0;
    bool unstorable = false;
    int flags = 0;
    std::uint64_t hash = kFnvBasis;
    std::size_t out = kept;
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
          error = {lineNumber, chars + 1, lead};
          return false;
        }
        p = q;
        entry = table[c];
        // C1 controls that Windows-1250 cannot store count as controls.
        if (entry < 0 && IsBlankOrControl(c)) flags |= kBlankOrControl;
      }
      ++chars;
      if (entry < 0) {
        unstorable = true;
      } else {
        flags |= entry >> 8;
        const auto b = static_cast<unsigned char>(entry & 0xFF);
        data[out++] = static_cast<char>(b);
        hash = (hash ^ b) * kFnvPrime;
      }
    }

    ++st.lines;
    DropReason reason = DropReason::TooShort;
    bool candidate = false;
    if (chars < static_cast<std::size_t>(MinWordLength)) {
      reason = DropReason::TooShort;
      if (chars == 0) ++st.emptyLines;
    } else if (chars > static_cast<std::size_t>(MaxWordLength)) {
      reason = DropReason::TooLong;
    } else if (flags & kBlankOrControl) {
      reason = DropReason::BlankOrControl;
    } else if (unstorable) {
      reason = DropReason::Unstorable;
    } else if (flags & kSeparator) {
      reason = DropReason::Separator;
    } else {
      candidate = true;
    }
    if (candidate) {
      candidates[candidateCount] = std::uint64_t{Mix(hash)} << 32 | kept;
      lengths[candidateCount++] = static_cast<unsigned char>(chars);
      ++perLength[chars];
      kept += chars;
    } else {
      ++st.dropped[static_cast<std::size_t>(reason)];
    }

    pos = next;
    if (progress != nullptr && (lineNumber & 0xFFFF) == 0)
      progress->Update("Przetwarzanie wyrazów", static_cast<double>(pos) / static_cast<double>(size));
  }
  set.bytes.resize(kept);

  // Sort the candidates by length, keeping the source order within a length.
  std::array<std::size_t, MaxWordLength + 2> start{};
  for (std::size_t n = 1; n <= MaxWordLength + 1; ++n) start[n] = start[n - 1] + perLength[n - 1];
  LargeBuffer sortedBuffer(candidateCount * sizeof(Candidate));
  auto* const sorted = reinterpret_cast<Candidate*>(sortedBuffer.data());
  {
    std::array<std::size_t, MaxWordLength + 1> next{};
    std::copy(start.begin(), start.end() - 1, next.begin());
    for (std::size_t k = 0; k < candidateCount; ++k) sorted[next[lengths[k]]++] = candidates[k];
  }
  candidateBuffer = LargeBuffer();
  lengthBuffer = LargeBuffer();

  std::vector<std::uint64_t> slots;
  slots.reserve(TableCapacity(*std::max_element(perLength.begin(), perLength.end())));
  for (std::size_t n = MinWordLength; n <= MaxWordLength; ++n) {
    if (progress != nullptr)
      progress->Update("Szukanie powtórzeń",
                       static_cast<double>(n - MinWordLength) / (MaxWordLength - MinWordLength + 1));
    set.offsets[n] = DropRepeats(sorted + start[n], perLength[n], data, n, slots);
    st.kept[n] = set.offsets[n].size();
    st.dropped[static_cast<std::size_t>(DropReason::Repeat)] += perLength[n] - st.kept[n];
  }
  return true;
}

fs::path TemporaryPath(const fs::path& folder, int n) {
  return folder / ("~slow." + std::to_string(n) + ".tmp");
}

std::string WriteWordFiles(const WordSet& set, const fs::path& folder, Progress* progress) {
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  if (fs::exists(status) && !fs::is_directory(status))
    return "Nie można zapisać listy słów: " + PathText(folder) + " to plik, a nie folder.";

  // The folders this call makes, innermost first; a failure removes them again.
  std::vector<fs::path> made;
  if (!fs::exists(status)) {
    for (fs::path p = folder; !p.empty(); p = p.parent_path()) {
      const fs::file_status st = fs::status(p, ec);
      if (!fs::status_known(st) || fs::exists(st)) break;  // unknown: leave it alone
      made.push_back(p);
      if (p == p.parent_path()) break;
    }
    fs::create_directories(folder, ec);
    if (ec) {
      for (const fs::path& p : made) fs::remove(p, ec);  // only empty folders go
      return "Nie można utworzyć folderu " + PathText(folder) + ": " + DescribeFileError(ec) + ".";
    }
  }

  int created = 0;  // temporary files made so far, for slow.MinWordLength on
  auto cleanUp = [&](int from) {
    std::error_code ignored;
    for (int n = from; n < MinWordLength + created; ++n) fs::remove(TemporaryPath(folder, n), ignored);
    for (const fs::path& p : made) fs::remove(p, ignored);  // only empty folders go
  };

  constexpr int kFiles = MaxWordLength - MinWordLength + 1;
  OutputFile file;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    if (progress != nullptr)
      progress->Update("Zapisywanie plików", static_cast<double>(n - MinWordLength) / kFiles);
    const fs::path temporary = TemporaryPath(folder, n);
    std::error_code failure = file.Open(temporary);
    if (!failure) {
      ++created;
      const std::size_t count = set.Count(n);
      file.Write(std::to_string(count) + "\r\n");
      for (std::size_t i = 0; i < count; ++i) {
        file.Write(set.Word(n, i));
        file.Write("\r\n");
      }
      failure = file.Close();
    }
    if (failure) {
      cleanUp(MinWordLength);
      return "Nie można zapisać pliku " + PathText(temporary) + ": " + DescribeFileError(failure) +
             ". Pliki listy słów w folderze " + PathText(folder) + " zostały bez zmian.";
    }
  }

  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    std::error_code failure;
    fs::rename(TemporaryPath(folder, n), WordFilePath(folder, n), failure);
    if (failure) {
      if (n > MinWordLength) made.clear();  // the folder holds new files now
      cleanUp(n);
      return "Nie można zastąpić pliku " + PathText(WordFilePath(folder, n)) + ": " +
             DescribeFileError(failure) + ". " +
             (n == MinWordLength ? std::string("Pliki listy słów zostały bez zmian.")
                                 : "Pliki slow.2 … slow." + std::to_string(n - 1) +
                                       " są już nowe, a pozostałe zostały bez zmian.");
    }
  }
  return {};
}

int RunBuild(const fs::path& source, const fs::path& folder, std::ostream& out, std::ostream& err,
             bool showProgress, const HunspellOptions* hunspell) {
  Progress progress(err, showProgress);
  LargeBuffer text;
  if (hunspell != nullptr) {
    if (const std::string problem = ReadHunspellSource(source, *hunspell, text, out); !problem.empty()) {
      err << problem << " Nic nie zapisano.\n";
      return kExitProblems;
    }
  } else if (const std::error_code ec = ReadLargeFile(source, text, &progress)) {
    progress.Finish();
    err << "Nie można odczytać pliku źródłowego " << PathText(source) << ": " << DescribeFileError(ec)
        << ". Nic nie zapisano.\n";
    return kExitProblems;
  }
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
    err << "Plik źródłowy " << PathText(source) << " jest za duży (ponad 4 GB). Nic nie zapisano.\n";
    return kExitProblems;
  }

  WordSet set;
  Utf8Error bad;
  const bool valid = CollectWords(std::move(text), set, bad, &progress);
  progress.Finish();
  if (!valid) {
    err << "Plik źródłowy " << PathText(source) << " nie jest zapisany w UTF-8: wiersz " << bad.line
        << ", znak " << bad.column << " (bajt " << ByteText(bad.byte) << "). Nic nie zapisano.\n";
    return kExitProblems;
  }
  if (set.stats.TotalKept() == 0) {
    ReportRead(out, source, set.stats);
    ReportDropped(out, set.stats);
    err << "W pliku źródłowym nie ma ani jednego wyrazu, który można zapisać. Nic nie zapisano.\n";
    return kExitProblems;
  }

  const std::string failure = WriteWordFiles(set, folder, &progress);
  progress.Finish();
  if (!failure.empty()) {
    err << failure << '\n';
    return kExitProblems;
  }
  ReportRead(out, source, set.stats);
  ReportKept(out, folder, set.stats);
  ReportDropped(out, set.stats);
  return kExitOk;
}

// ================================================================ check

FileReport CheckWordFileData(int n, std::string_view data) {
  FileReport report;
  report.length = n;
  // The text is made only for the problems that will be listed.
  auto add = [&report](ProblemKind kind, std::size_t line, auto&& makeText) {
    if (report.problems.size() < kListedProblems) report.problems.push_back({kind, line, makeText()});
    ++report.problemCount;
  };

  if (data.empty()) {
    add(ProblemKind::Empty, 0, [] { return std::string("plik jest pusty: brak wiersza z liczbą wyrazów"); });
    return report;
  }

  bool countValid = false;
  std::int32_t count = 0;
  std::size_t lineNumber = 0;
  std::size_t pos = 0;
  while (pos < data.size()) {
    ++lineNumber;
    // Any of CR LF, CR and LF ends a line here, as in a text editor, so that
    // the line numbers match what the user sees.
    std::size_t end = pos;
    std::size_t control = 0, undefined = 0, comma = 0;  // first column of each, 0 if none
    for (; end < data.size(); ++end) {
      const auto b = static_cast<unsigned char>(data[end]);
      if (b == '\r' || b == '\n') break;
      if (IsControlByte(b)) {
        if (control == 0) control = end - pos + 1;
      } else if (IsUndefinedByte(b)) {
        if (undefined == 0) undefined = end - pos + 1;
      } else if (b == ',') {
        if (comma == 0) comma = end - pos + 1;
      }
    }
    const std::string_view line = data.substr(pos, end - pos);

    if (lineNumber == 1) {
      const bool digits =
          !line.empty() && std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
      if (!digits) {
        add(ProblemKind::BadCount, 1, [&] {
          return line.empty()
                     ? std::string("wiersz jest pusty, a powinien zawierać liczbę wyrazów")
                     : "zamiast liczby wyrazów jest " + ShowWord(line) + " (dozwolone są tylko cyfry 0-9)";
        });
      } else if (ParseCount(line, count) != CountError::None) {
        add(ProblemKind::BadCount, 1,
            [&] { return "liczba wyrazów " + std::string(line) + " jest za duża"; });
      } else {
        countValid = true;
      }
    } else {
      ++report.words;
      if (line.size() != static_cast<std::size_t>(n)) {
        add(ProblemKind::WrongLength, lineNumber, [&] {
          return "wyraz " + ShowWord(line) + " ma " + Num(line.size()) + ' ' +
                 Plural(line.size(), "znak", "znaki", "znaków") + " zamiast " + std::to_string(n);
        });
      }
      if (undefined != 0) {
        add(ProblemKind::UndefinedByte, lineNumber, [&] {
          return "bajt " + ByteText(static_cast<unsigned char>(line[undefined - 1])) +
                 " nie oznacza żadnego znaku w Windows-1250 (znak " + Num(undefined) + ")";
        });
      }
      if (control != 0) {
        add(ProblemKind::ControlByte, lineNumber, [&] {
          return "znak sterujący " + ByteText(static_cast<unsigned char>(line[control - 1])) + " (znak " +
                 Num(control) + ")";
        });
      }
      if (comma != 0) {
        add(ProblemKind::Separator, lineNumber, [&] {
          return "przecinek (znak " + Num(comma) + "): wyszukiwanie odczyta ten wiersz jako dwa wyrazy";
        });
      } else if (!line.empty() && (line.front() == '"' || line.front() == ' ')) {
        add(ProblemKind::Separator, lineNumber, [&] {
          return std::string(line.front() == '"' ? "cudzysłów" : "odstęp") +
                 " na początku: wyszukiwanie odczyta ten wyraz inaczej";
        });
      }
    }

    if (end == data.size()) {
      add(ProblemKind::NoFinalLineEnd, lineNumber,
          [] { return std::string("brak końca wiersza (CR LF) na końcu pliku"); });
      pos = end;
    } else if (data[end] == '\n') {
      add(ProblemKind::LoneLf, lineNumber,
          [] { return std::string("wiersz kończy się samym znakiem LF zamiast CR LF"); });
      pos = end + 1;
    } else if (end + 1 < data.size() && data[end + 1] == '\n') {
      pos = end + 2;
    } else {
      add(ProblemKind::LoneCr, lineNumber,
          [] { return std::string("wiersz kończy się samym znakiem CR zamiast CR LF"); });
      pos = end + 1;
    }
  }

  if (countValid && static_cast<std::size_t>(count) != report.words) {
    add(ProblemKind::CountMismatch, 1, [&] {
      return "liczba wyrazów w wierszu 1 to " + std::to_string(count) + ", a wierszy z wyrazami jest " +
             Num(report.words);
    });
  }
  return report;
}

std::vector<FileReport> CheckWordFiles(const fs::path& folder) {
  std::vector<FileReport> reports;
  std::string data;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const fs::path path = WordFilePath(folder, n);
    if (const std::error_code ec = platform::ReadWholeFile(path, data)) {
      FileReport report;
      report.length = n;
      report.problemCount = 1;
      if (ec == std::errc::no_such_file_or_directory)
        report.problems.push_back({ProblemKind::Missing, 0, "brak pliku"});
      else
        report.problems.push_back(
            {ProblemKind::Unreadable, 0, "nie można odczytać pliku: " + DescribeFileError(ec)});
      reports.push_back(std::move(report));
      continue;
    }
    reports.push_back(CheckWordFileData(n, data));
  }
  return reports;
}

int RunCheck(const fs::path& folder, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  if (!fs::exists(status)) {
    err << "Folder " << PathText(folder) << " nie istnieje.\n";
    return kExitProblems;
  }
  if (!fs::is_directory(status)) {
    err << PathText(folder) << " to plik, a nie folder z listą słów.\n";
    return kExitProblems;
  }

  std::size_t problems = 0, badFiles = 0, words = 0;
  for (const FileReport& report : CheckWordFiles(folder)) {
    words += report.words;
    if (report.problemCount == 0) continue;
    ++badFiles;
    problems += report.problemCount;
    const std::string name = "slow." + std::to_string(report.length);
    for (const Problem& p : report.problems) {
      out << name;
      if (p.line > 0) out << ", wiersz " << p.line;
      out << ": " << p.text << '\n';
    }
    if (report.problemCount > report.problems.size()) {
      const std::size_t rest = report.problemCount - report.problems.size();
      out << name << ": … i " << rest << ' ' << Plural(rest, "inny", "inne", "innych") << '\n';
    }
  }

  if (problems == 0) {
    out << "Pliki slow.2 … slow.22 w folderze " << PathText(folder) << " są w porządku: " << words << ' '
        << Plural(words, "wyraz", "wyrazy", "wyrazów") << ".\n";
    return kExitOk;
  }
  out << "Znaleziono " << problems << ' ' << Plural(problems, "problem", "problemy", "problemów") << " w "
      << badFiles << ' ' << (badFiles == 1 ? "pliku" : "plikach") << " (folder " << PathText(folder)
      << ").\n";
  return kExitProblems;
}

// ================================================================ command line

std::string UsageText() {
  return "Użycie:\n"
         "  wypelniak-slownik build [ŹRÓDŁO] [FOLDER]\n"
         "      Buduje listę słów programu Wypełniak: czyta ŹRÓDŁO (tekst w UTF-8,\n"
         "      jeden wyraz w wierszu; domyślnie /usr/share/dict/polish) i zapisuje\n"
         "      pliki slow.2 … slow.22 w FOLDERZE (domyślnie folder slow obok tego\n"
         "      programu; tworzy go, gdy go nie ma). Wyrazy zamienia na małe litery.\n"
         "      Pomija wyrazy krótsze niż 2 i dłuższe niż 22 znaki, wyrazy ze znakami,\n"
         "      których nie da się zapisać w Windows-1250, z odstępem, znakiem\n"
         "      sterującym, przecinkiem lub cudzysłowem, oraz powtórzenia.\n"
         "  wypelniak-slownik build --hunspell [--no-proper-names] [--no-abbreviations]\n"
         "                          [SŁOWNIK.dic] [FOLDER]\n"
         "      Jak wyżej, lecz wyrazy bierze ze słownika Hunspella (domyślnie\n"
         "      /usr/share/hunspell/pl_PL.dic, kodowanie z wiersza SET pliku .aff):\n"
         "      tylko formy podstawowe, bez odmian. --no-proper-names pomija hasła\n"
         "      z wielką literą (nazwy własne), --no-abbreviations hasła z kropką\n"
         "      lub pisane samymi wielkimi literami (skróty).\n"
         "  wypelniak-slownik check [FOLDER]\n"
         "      Sprawdza pliki slow.2 … slow.22 w FOLDERZE (domyślnie folder slow\n"
         "      obok tego programu) i wypisuje znalezione błędy.\n"
         "  wypelniak-slownik --help\n"
         "      Wypisuje ten opis.\n"
         "\n"
         "Kod wyjścia: 0 – wszystko w porządku, 1 – błąd w danych lub plikach,\n"
         "2 – błędne wywołanie.\n";
}

int Run(const std::vector<std::string>& args, const fs::path& programFolder, std::ostream& out,
        std::ostream& err, bool showProgress) {
  const std::string hint = "Opis użycia: wypelniak-slownik --help\n";
  if (args.empty()) {
    err << UsageText();
    return kExitUsage;
  }
  std::vector<std::string> operands;
  bool optionsEnd = false;
  bool fromHunspell = false;
  HunspellOptions hunspell;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsEnd && a == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && args[0] == "build" && ParseHunspellOption(a, fromHunspell, hunspell)) {
      // a Hunspell source and what to leave out of it
    } else if (!optionsEnd && (a == "--help" || a == "-h")) {
      out << UsageText();
      return kExitOk;
    } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
      err << "Nieznana opcja: " << a << "\n" << hint;
      return kExitUsage;
    } else {
      operands.push_back(a);
    }
  }

  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << UsageText();
    return kExitOk;
  }
  const std::size_t maxOperands = command == "build" ? 2 : command == "check" ? 1 : 0;
  if (maxOperands == 0) {
    err << "Nieznane polecenie: " << command << " (dostępne: build, check)\n" << hint;
    return kExitUsage;
  }
  if (operands.size() > maxOperands) {
    err << "Za dużo argumentów polecenia " << command << ".\n" << hint;
    return kExitUsage;
  }

  const std::size_t folderIndex = command == "build" ? 1 : 0;
  fs::path folder;
  if (operands.size() > folderIndex) {
    folder = fs::path(operands[folderIndex]);
  } else if (programFolder.empty()) {
    err << "Nie można ustalić folderu programu; podaj FOLDER.\n" << hint;
    return kExitUsage;
  } else {
    folder = DictionaryFolder(programFolder);
  }

  if (command == "check") return RunCheck(folder, out, err);
  if (!fromHunspell && (hunspell.dropProperNames || hunspell.dropAbbreviations)) {
    err << "Opcje --no-proper-names i --no-abbreviations działają tylko z --hunspell.\n" << hint;
    return kExitUsage;
  }
  const fs::path source = !operands.empty() ? fs::path(operands[0])
                          : fromHunspell    ? fs::path(kHunspellDictionary)
                                            : fs::path("/usr/share/dict/polish");
  return RunBuild(source, folder, out, err, showProgress, fromHunspell ? &hunspell : nullptr);
}

}  // namespace wypelniak::slownik
