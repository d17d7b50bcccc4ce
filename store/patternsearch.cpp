#include "patternsearch.h"

#include <array>
#include <cstdint>
#include <new>
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

// A value that holds a control byte (IsControlByte) comes from a damaged file.
bool HoldsControlByte(std::string_view word) {
  for (char ch : word)
    if (IsControlByte(static_cast<unsigned char>(ch))) return true;
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

// The first piece of the file holds its count line (unless that line is
// longer than a whole chunk, which no count is). The line is read as the
// addition reads it; its text is kept for the message, since the buffer
// under it moves as the reading goes on.
struct FirstLine {
  bool seen = false;
  CountLine line;
  std::string text;
};

FirstLine ReadFirstLine(std::string_view piece, bool wholeFile) {
  FirstLine first;
  first.seen = true;
  first.line = ReadCountLine(piece);
  constexpr std::size_t kShown = 4096;  // enough for any message about it
  first.text.assign(first.line.text.substr(0, kShown));
  // A line that runs past the first chunk is no count, whatever it starts with.
  if (!wholeFile && first.line.text.size() == piece.size() && first.line.error == CountError::None) {
    first.line.error = CountError::NotANumber;
    first.line.count = 0;
  }
  first.line.text = {};  // points into first.text once first has its place
  return first;
}

// The search, up to its end or its first refusal. path is set to the file
// searched once that is known.
void Search(SearchView& view, SearchMemory& memory, const std::filesystem::path& programFolder,
            std::filesystem::path& path) {
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

  path = WordListPath(static_cast<int>(length), programFolder);
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
  // Refused before reading: no word list comes near this size, and a file
  // of zeros this long would be one endless value.
  const std::uint64_t size = file.Size();
  if (size > MaxListFileBytes) {
    Fail(view, FileProblem(path, DescribeTooLarge(size)));
    return;
  }
  view.SetPatternEnabled(false);
  view.ProcessPendingEvents();

  // The file is read a chunk at a time into the caller's buffer, and no more
  // of it is touched than a chunk. Every piece goes through the encoding
  // check, so the whole file is judged, not its start.
  FirstLine first;
  Utf8Detector encoding;
  ChunkedReader reader(
      memory.chunks, ListChunkBytes,
      [&file](char* into, std::size_t want, std::size_t& got) { return file.ReadSome(into, want, got); },
      [&](std::string_view piece) {
        if (!first.seen) first = ReadFirstLine(piece, piece.size() >= size);
        if (!encoding.Decided()) encoding.Feed(piece);
      });

  std::string_view value;
  const bool hasValue = reader.Next(value);
  if (reader.Error()) {
    Fail(view, FileProblem(path, DescribeFileError(reader.Error())));
    return;
  }
  if (!hasValue && !first.seen) first.line.error = CountError::EmptyFile;
  if (first.line.error != CountError::None) {
    first.line.text = first.text;
    Fail(view, encoding.IsUtf8() ? WrongEncodingMessage(path) : CountLineMessage(path, first.line));
    return;
  }
  // A count line holds no comma or quotation mark, so the value just read
  // was that whole line.
  const std::int32_t count = first.line.count;

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
  std::int64_t inFile = read;
  if (read == count)
    while (reader.Next(value)) inFile += value.empty() ? 0 : 1;
  if (reader.Error()) {
    Fail(view, FileProblem(path, DescribeFileError(reader.Error())));
    return;
  }
  file.Close();
  if (encoding.IsUtf8()) {
    Fail(view, WrongEncodingMessage(path));
    return;
  }

  view.SetResultsVisible(true);
  view.SetPatternEnabled(true);
  // Whatever is wrong with the file is said once, after the list.
  std::string notes;
  if (inFile != count) notes = CountMismatchMessage(path, count, inFile);
  if (skipped > 0) {
    if (!notes.empty()) notes += '\n';
    notes += Damaged(
        path, "pominięto pasujące wyrazy zawierające znaki sterujące (" + std::to_string(skipped) + ")");
  }
  if (!notes.empty()) view.ShowMessage(notes, ErrorTitle, MessageIcon::Exclamation);
}

}  // namespace

void PatternSearch(SearchView& view, SearchMemory& memory, const std::filesystem::path& programFolder) {
  std::filesystem::path path;
  try {
    Search(view, memory, programFolder, path);
  } catch (const std::bad_alloc&) {
    // What the search held is freed by now; the window goes back to normal.
    const std::string what = "za mało pamięci, by przeszukać plik; zamknij inne programy i spróbuj ponownie";
    Fail(view, path.empty() ? "Nie można przeszukać słownika: " + what + "." : FileProblem(path, what));
  }
}

}  // namespace wypelniak
