#include "patternsearch.h"

#include <array>
#include <cstdint>
#include <string>

#include "chunkreader.h"
#include "cp1250.h"
#include "keptmemory.h"
#include "platform.h"

namespace wypelniak {
namespace {

constexpr char kTooShort[] = "Najkrótszy wyraz musi mieć minimum 2 litery !!!";
constexpr char kNoWildcard[] = "Podane wyrażenie musi zawierać minimum jedną gwiazdkę (*) !!!";
constexpr char kTooLong[] = "W języku polskim nie ma słów mających więcej niż 22 znaki !!!";

// The piece of the file read at a time: small enough to stay in the
// processor's cache between the copy from the system and the scan, and to
// cost the first search of a process few fresh pages (measured: 64 KiB
// beats 256 KiB by some hundred page faults).
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

// What a pattern cell asks of the word's character at its position.
constexpr int kAnyChar = -1;  // '*': any character, or none
constexpr int kNoChar = -2;   // a character no word-list file can hold

// The pattern's first 22 characters, each as the Windows-1250 byte it must
// equal. The files are single-byte and every byte decodes to a character of
// its own, so comparing bytes is comparing characters.
struct PatternCells {
  std::array<int, MaxWordLength> cell{};
  bool hasWildcard = false;
};

PatternCells StoreCells(std::string_view pattern) {
  PatternCells cells;
  cells.cell.fill(' ');
  std::size_t pos = 0;
  char32_t c = 0;
  for (int k = 0; k < MaxWordLength && NextUtf8Char(pattern, pos, c); ++k) {
    if (c == U'*') {
      cells.cell[k] = kAnyChar;
      cells.hasWildcard = true;
    } else {
      const int b = UnicodeToCp1250(c);
      cells.cell[k] = b < 0 ? kNoChar : b;
    }
  }
  return cells;
}

// A word matches when it has the pattern's length and agrees with it at every
// position that is not '*'. A value of another length (a damaged file, or a
// line split at a comma) is never listed: it could not fill the slot.
bool Matches(const PatternCells& cells, std::size_t length, std::string_view word) {
  if (word.size() != length) return false;
  for (std::size_t l = 0; l < length; ++l) {
    const int want = cells.cell[l];
    if (want == kAnyChar) continue;
    if (static_cast<unsigned char>(word[l]) != want) return false;
  }
  return true;
}

// A control character or one of the five bytes Windows-1250 leaves undefined:
// no word holds one, so a value that does comes from a damaged file.
bool HoldsControlByte(std::string_view word) {
  for (char ch : word) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) return true;
  }
  return false;
}

// Puts the window back as it is between searches, then tells what went wrong.
void Fail(SearchView& view, const std::string& text) {
  view.ClearResults();
  view.SetResultsVisible(true);
  view.SetPatternEnabled(true);
  view.ShowMessage(text, ErrorTitle, MessageIcon::Exclamation);
}

std::string FileProblem(const std::filesystem::path& path, const std::string& what) {
  return "Nie można odczytać pliku słownika " + PathText(path) + ": " + what + ".";
}

std::string Damaged(const std::filesystem::path& path, const std::string& what) {
  return "Plik słownika " + PathText(path) + " jest uszkodzony: " + what + ".";
}

// What the list shows when the count on the first line and the words of the
// file disagree.
std::string CountDisagrees(std::int32_t count, std::uint64_t inFile) {
  const std::string stated = "liczba wyrazów podana w pierwszym wierszu (" + std::to_string(count) + ")";
  if (inFile < static_cast<std::uint64_t>(count))
    return stated + " jest większa niż liczba wyrazów w pliku (" + std::to_string(inFile) +
           "); pokazano wyrazy, które są w pliku";
  return stated + " jest mniejsza niż liczba wyrazów w pliku (" + std::to_string(inFile) +
         "); pokazano tylko pierwsze " + std::to_string(count);
}

// The command that mends the file. The word-list module is to give this
// text; until it does, it is made here.
std::string RepairAdvice(const std::filesystem::path& path) {
  return "Napraw go poleceniem: wypelniak-slownik repair " + PathText(path);
}

}  // namespace

void PatternSearch(SearchView& view, const std::filesystem::path& programFolder) {
  const std::string pattern = view.PatternText();
  if (pattern.empty()) return;
  const std::size_t length = Utf8Length(pattern);
  if (length < MinWordLength) {
    view.ShowMessage(kTooShort, "", MessageIcon::None);
    return;
  }

  const PatternCells cells = StoreCells(pattern);
  if (!cells.hasWildcard) {
    view.ShowMessage(kNoWildcard, ErrorTitle, MessageIcon::Exclamation);
    return;
  }

  view.ClearResults();
  view.SetResultsVisible(false);
  if (length > MaxWordLength) {
    view.ShowMessage(kTooLong, ErrorTitle, MessageIcon::Exclamation);
    return;
  }

  const std::filesystem::path path = WordListPath(static_cast<int>(length), programFolder);
  platform::ReadOnlyFile file;
  if (const std::error_code ec = file.Open(path)) {
    std::error_code ignored;
    if (ec == std::errc::no_such_file_or_directory &&
        !std::filesystem::is_directory(DictionaryFolder(programFolder), ignored)) {
      Fail(view, "Nie znaleziono folderu słownika " + PathText(DictionaryFolder(programFolder)) + ".");
    } else {
      Fail(view, FileProblem(path, DescribeFileError(ec)));
    }
    return;
  }
  view.SetPatternEnabled(false);
  view.ProcessPendingEvents();

  // The file is read a chunk at a time into one buffer kept for the whole
  // run: the memory is paid for by the first search and reused by every
  // later one, and no more of it is touched than a chunk.
  static KeptBuffer buffer;
  bool firstPiece = true;
  bool utf8 = false;
  ChunkedReader reader(
      buffer, kChunkBytes,
      [&file](char* into, std::size_t size, std::size_t& got) { return file.ReadSome(into, size, got); },
      [&](std::string_view piece) {
        // Told from the first chunk, which holds the 64 KiB LooksLikeUtf8
        // looks at. A detector fed every piece here would see the whole file.
        if (firstPiece) utf8 = LooksLikeUtf8(piece);
        firstPiece = false;
      });

  std::string_view value;
  const bool hasCount = reader.Next(value);
  if (reader.Error()) {
    Fail(view, FileProblem(path, DescribeFileError(reader.Error())));
    return;
  }
  if (utf8) {
    Fail(view, WrongEncodingMessage(path));
    return;
  }
  if (!hasCount) {
    Fail(view, Damaged(path, "plik jest pusty"));
    return;
  }
  std::int32_t count = 0;
  if (const CountError error = ParseCount(value, count); error != CountError::None) {
    Fail(view, Damaged(path, DescribeCountProblem(error, value)));
    return;
  }

  ResultList* store = view.ResultStore();
  if (store != nullptr) store->Reset(length);
  std::string decoded;
  std::int32_t skipped = 0;  // matching values that hold control characters
  std::int32_t read = 0;     // words read, at most the count
  for (; read < count && reader.NextExpecting(length, value); ++read) {
    if (Matches(cells, length, value)) {
      if (HoldsControlByte(value)) {
        ++skipped;
        continue;
      }
      if (store != nullptr) {
        store->Append(value);
        continue;
      }
      decoded.clear();
      AppendCp1250AsUtf8(value, decoded);
      view.AddResult(decoded);
    }
  }
  // The words beyond the count are not listed, but are counted so that the
  // message can say how many the file holds. Empty lines are not words.
  std::uint64_t inFile = static_cast<std::uint64_t>(read);
  if (read == count)
    while (reader.Next(value)) inFile += value.empty() ? 0 : 1;
  if (reader.Error()) {
    Fail(view, FileProblem(path, DescribeFileError(reader.Error())));
    return;
  }
  file.Close();

  view.SetResultsVisible(true);
  view.SetPatternEnabled(true);
  // Whatever is wrong with the file is said once, after the list.
  std::string problems;
  if (inFile != static_cast<std::uint64_t>(count)) problems = CountDisagrees(count, inFile);
  if (skipped > 0) {
    if (!problems.empty()) problems += "; ";
    problems += "pominięto pasujące wyrazy zawierające znaki sterujące (" + std::to_string(skipped) + ")";
  }
  if (!problems.empty()) {
    std::string text = Damaged(path, problems);
    if (inFile != static_cast<std::uint64_t>(count)) text.append(" ").append(RepairAdvice(path));
    view.ShowMessage(text, ErrorTitle, MessageIcon::Exclamation);
  }
}

}  // namespace wypelniak
