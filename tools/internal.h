#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"
#include "slownik.h"

// What the verbs of wypelniak-slownik share; not part of the tool's interface.
namespace wypelniak::slownik::detail {

// ---------------------------------------------------------------- names
//
// The word-list names in a folder of the tool's choice (names.cpp), taken
// from the core's word-list module, as are all its format rules.

// slow.<n> and its path in folder.
std::string WordFileName(int n);
std::filesystem::path WordFilePath(const std::filesystem::path& folder, int n);
// The folder's lock file.
std::filesystem::path LockFilePath(const std::filesystem::path& folder);
// The length n of a word-list file name slow.<n>, or 0 for any other name.
int WordFileLength(std::string_view fileName);
// The length n of a temporary file name (~slow.<n>, or ~slow.<n>.tmp as
// earlier versions of the tool wrote), or 0 for any other name.
int TemporaryFileLength(std::string_view fileName);

// ---------------------------------------------------------------- limits

// A source is at most 4 GiB less one byte: the build keeps its words'
// offsets in 32 bits.
inline constexpr std::uintmax_t kMaxSourceBytes = 0xFFFFFFFFu;
// A word-list file is at most MaxListFileBytes (the core's limit): the full
// Polish list, all lengths together, is a twentieth of that, and the tool
// reads a file into memory whole.

// ---------------------------------------------------------------- text

std::string Num(std::size_t n);
std::string PadRight(std::string_view utf8, std::size_t width);
std::string PadLeft(const std::string& text, std::size_t width);
// Windows-1250 bytes shown in quotes as UTF-8, control bytes as \xNN, cut
// after 40 characters.
std::string ShowWord(std::string_view bytes);
// 0xNN.
std::string ByteText(unsigned char b);
// A path as a command-line argument the user can paste (quoted when needed).
std::string ShellArg(const std::filesystem::path& path);
// A path given on the command line as UTF-8 (main() hands the arguments over
// in UTF-8 on every system).
std::filesystem::path PathArg(std::string_view utf8);
// A file's lines, each without its line end; any of CR LF, CR and LF ends a
// line, as in a text editor. A line end at the very end opens no new line.
std::vector<std::string_view> SplitLines(std::string_view data);

// ---------------------------------------------------------------- files

// Reads a whole regular file (a link to one too) into out. Returns an empty
// text, or why it could not: a Polish description without the path. A FIFO,
// socket or device is refused before it is opened, so that nothing waits on
// it. missing, when given, is set when the file does not exist.
std::string ReadRegularFile(const std::filesystem::path& path, std::string& out, std::uintmax_t maxBytes,
                            bool* missing = nullptr);

// Takes the folder's lock (the one the addition takes), waiting up to wait.
// Returns an empty text or a Polish message.
std::string LockFolder(platform::FolderLock& lock, const std::filesystem::path& folder,
                       std::chrono::milliseconds wait);

// One word-list file to be replaced.
struct Replacement {
  int n = 0;
  const std::string* old = nullptr;               // its content now; none when it does not exist
  std::function<void(std::string&)> makeContent;  // fills in the new content
  std::size_t sizeHint = 0;  // the new content's size where known, so that one buffer serves every file
};

// Replaces the files of folder (the caller holds its lock): each new content
// is written whole to a new temporary file, and only when all are written
// are they renamed into place and the folder synced. Any failure puts back
// the old files, byte for byte. Returns an empty text or a Polish message.
std::string ReplaceFiles(const std::filesystem::path& folder, std::vector<Replacement>& files,
                         Progress* progress);

// Writes content as the file at path in folder (the caller holds its lock),
// replacing what is there: through a new temporary file beside it, synced and
// renamed into place, its mode taken from modeFrom. Returns an empty text or
// a Polish message.
std::string WriteSideFile(const std::filesystem::path& folder, const std::filesystem::path& path,
                          std::string_view content, const std::filesystem::path& modeFrom);

// Reads every existing slow.<n> of folder (under its lock) into old. Returns
// an empty text or a Polish message naming a file that cannot be read.
std::string ReadWordFiles(const std::filesystem::path& folder, std::vector<std::optional<std::string>>& old);

// ---------------------------------------------------------------- words

// The hash of a word's bytes under which the tool's tables file it.
std::uint32_t HashWord(std::string_view bytes);

// A set of words of one length whose bytes lie in one block of memory, by
// open addressing with linear probing. A slot holds hash << 32 | (offset + 1),
// and 0 marks an empty slot.
class WordTable {
 public:
  // Empties the table and makes room for count words of length bytes in base.
  void Reset(std::size_t count, const char* base, std::size_t length);
  // Fetches the slot of a hash ahead of its use.
  void Prefetch(std::uint32_t hash) const {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(&slots_[hash & mask_], 1);
#else
    (void)hash;
#endif
  }
  // Adds the word at base + offset; false when an equal word is there.
  bool Insert(std::uint32_t hash, std::uint32_t offset);
  // Does the table hold the word (of the table's length)?
  bool Contains(std::uint32_t hash, const char* word) const {
    return Find(hash, word) != nullptr;
  }
  // The place in base of the word equal to it, or nullptr.
  const char* Find(std::uint32_t hash, const char* word) const;

 private:
  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
  const char* base_ = nullptr;
  std::size_t length_ = 0;
};

// Reads a UTF-8 source for build and merge into set (or, with hunspell, the
// stems of a Hunspell dictionary); reports a failure on err. Returns false
// when nothing can be done with it.
bool ReadSource(const std::filesystem::path& source, WordSet& set, std::ostream& out, std::ostream& err,
                Progress& progress, const HunspellOptions* hunspell = nullptr);

// ---------------------------------------------------------------- reports

void ReportRead(std::ostream& out, const std::filesystem::path& source, const BuildStats& st);
void ReportDropped(std::ostream& out, const BuildStats& st);

}  // namespace wypelniak::slownik::detail
