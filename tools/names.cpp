// The word-list names as the tool uses them for a folder of its choice, all
// taken from the core's word-list module.
#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;

namespace {

// The name of a file of the word-list folder, from its path in a program folder.
std::string NameOf(const fs::path& pathInProgramFolder) {
  return PathText(pathInProgramFolder.filename());
}

}  // namespace

fs::path TemporaryPath(const fs::path& folder, int n) {
  return folder / NameOf(TempListPath(n, fs::path()));
}

namespace detail {

std::string WordFileName(int n) {
  return NameOf(WordListPath(n, fs::path()));
}

fs::path WordFilePath(const fs::path& folder, int n) {
  return folder / WordFileName(n);
}

fs::path LockFilePath(const fs::path& folder) {
  return folder / NameOf(LockPath(fs::path()));
}

int WordFileLength(std::string_view fileName) {
  for (int n = MinWordLength; n <= MaxWordLength; ++n)
    if (fileName == WordFileName(n)) return n;
  return 0;
}

int TemporaryFileLength(std::string_view fileName) {
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const std::string name = NameOf(TempListPath(n, fs::path()));
    // Earlier versions of the tool wrote their temporary files as ~slow.<n>.tmp.
    if (fileName == name || fileName == name + ".tmp") return n;
  }
  return 0;
}

}  // namespace detail
}  // namespace wypelniak::slownik
