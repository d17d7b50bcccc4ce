#include "patternsearch.h"

#include <array>
#include <cstdint>
#include <string>

#include "cp1250.h"
#include "platform.h"

namespace wypelniak {
namespace {

constexpr char kTooShort[] = "Najkrótszy wyraz musi mieć minimum 2 litery !!!";
constexpr char kNoWildcard[] = "Podane wyrażenie musi zawierać minimum jedną gwiazdkę (*) !!!";
constexpr char kTooLong[] = "W języku polskim nie ma słów mających więcej niż 22 znaki !!!";

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

  std::string data;
  if (const std::error_code ec = file.ReadAll(data)) {
    Fail(view, FileProblem(path, DescribeFileError(ec)));
    return;
  }
  file.Close();

  if (LooksLikeUtf8(data)) {
    Fail(view, WrongEncodingMessage(path));
    return;
  }

  const CountLine first = ReadCountLine(data);
  if (first.error != CountError::None) {
    Fail(view, CountLineMessage(path, first));
    return;
  }
  const std::int32_t count = first.count;
  CountedReader reader(std::string_view(data).substr(first.wordsStart));
  std::string_view value;

  ResultList* store = view.ResultStore();
  if (store != nullptr) store->Reset(length);
  std::string decoded;
  std::int32_t skipped = 0;    // matching values that hold control characters
  std::int64_t found = count;  // the words the file holds, when not the count
  for (std::int32_t i = 0; i < count; ++i) {
    if (!reader.NextExpecting(length, value)) {
      found = i;
      break;
    }
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

  // Words beyond the count are never listed; they are only counted.
  if (found == count)
    while (reader.Next(value))
      if (!value.empty()) ++found;

  view.SetResultsVisible(true);
  view.SetPatternEnabled(true);
  std::string notes;
  if (found != count) notes = CountMismatchMessage(path, count, found);
  if (skipped > 0) {
    if (!notes.empty()) notes += '\n';
    notes += Damaged(
        path, "pominięto pasujące wyrazy zawierające znaki sterujące (" + std::to_string(skipped) + ")");
  }
  if (!notes.empty()) view.ShowMessage(notes, ErrorTitle, MessageIcon::Exclamation);
}

}  // namespace wypelniak
