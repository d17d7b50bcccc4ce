#pragma once

// What the fuzz targets share: a property check that release builds keep, the
// framing of an input into typed text and file bytes, and a scratch program
// folder whose slow/ the whole search and the whole addition work in.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cp1250.h"
#include "wordlist.h"

// Aborts with the failed condition when a property does not hold. Not
// assert(): release builds, the corpus replay among them, must check too.
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::wypelniak::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))

namespace wypelniak::fuzz {

[[noreturn]] inline void PropertyFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

// An input of the search and addition targets. The first byte frames the
// rest: its low seven bits say how many of the following bytes are the typed
// text, its high bit that the word-list file is missing; the bytes after the
// typed text are the file's content.
struct FramedInput {
  std::string typed;
  bool fileMissing = false;
  std::string_view file;
};

inline FramedInput SplitInput(const std::uint8_t* data, std::size_t size) {
  FramedInput in;
  if (size == 0) return in;
  const std::size_t typed = std::min<std::size_t>(data[0] & 0x7F, size - 1);
  in.fileMissing = (data[0] & 0x80) != 0;
  in.typed.assign(reinterpret_cast<const char*>(data) + 1, typed);
  in.file = std::string_view(reinterpret_cast<const char*>(data) + 1 + typed, size - 1 - typed);
  return in;
}

// The characters of UTF-8 text, an invalid byte read as U+FFFD.
inline std::vector<char32_t> Chars(std::string_view utf8) {
  std::vector<char32_t> out;
  std::size_t pos = 0;
  char32_t c = 0;
  while (NextUtf8Char(utf8, pos, c)) out.push_back(c);
  return out;
}

// A control character: no word holds one. Among them are the characters of
// the five bytes Windows-1250 leaves undefined (U+0081, U+0083, ...).
inline bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Can typed text (UTF-8) be stored as a word? The format's own rule, so that
// the targets and the program agree on it; stored receives the word's
// Windows-1250 bytes.
inline bool Storable(std::string_view typed, std::string* stored = nullptr) {
  return CheckTypedWord(typed, stored) == WordProblem::None;
}

// Lines as LineReader gives them.
inline std::vector<std::string_view> Lines(std::string_view data) {
  std::vector<std::string_view> out;
  LineReader reader(data);
  while (!reader.AtEnd()) out.push_back(reader.ReadLine());
  return out;
}

// A program folder of its own for this process, with an empty slow/ in it,
// made on first use and removed when the process returns from main. It lies
// in /dev/shm where there is one: the addition syncs every file it writes,
// and syncing to a real disk would slow fuzzing down to a crawl. libFuzzer
// ends without removing it, so scripts/fuzz names a folder of its own to put
// these in (WYPELNIAK_FUZZ_SCRATCH) and removes that when the run is over.
class ScratchFolder {
 public:
  static ScratchFolder& Get() {
    static ScratchFolder folder;
    return folder;
  }

  const std::filesystem::path& Program() const { return program_; }
  std::filesystem::path Slow() const { return DictionaryFolder(program_); }

  // Empties slow/, then writes slow.<n> with the given bytes unless missing.
  void Prepare(int n, bool missing, std::string_view bytes) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Slow(), ec))
      std::filesystem::remove_all(entry.path(), ec);
    if (missing || n < MinWordLength || n > MaxWordLength) return;
    std::ofstream out(WordListPath(n, program_), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
  }

  // The names of the files in slow/.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Slow()))
      names.insert(entry.path().filename().string());
    return names;
  }

  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(program_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

 private:
  ScratchFolder() {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (const char* chosen = std::getenv("WYPELNIAK_FUZZ_SCRATCH"); chosen != nullptr && *chosen != '\0')
      base = chosen;
    else if (!std::filesystem::is_directory(base, ec))
      base = std::filesystem::temp_directory_path();
    std::random_device rd;
    program_ = base / ("wypelniak-fuzz-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(DictionaryFolder(program_));
  }

  std::filesystem::path program_;
};

// The whole content of a file, or nothing when it cannot be opened.
inline bool ReadFile(const std::filesystem::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace wypelniak::fuzz
