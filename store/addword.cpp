#include "addword.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "cp1250.h"
#include "keptmemory.h"
#include "platform.h"

namespace wypelniak {
namespace {

constexpr char kEmpty[] = "Nic nie wpisałeś";
constexpr char kTooShort[] = "Nie można dodawać do słownika wyrazów krótszych niż dwuznakowych";
constexpr char kTooLong[] = "Nie można dodawać do słownika wyrazów dłuższych niż te, które mają 22 znaki";
constexpr char kAddedTitle[] = "Dodałem wyraz";

// How long an addition waits for another copy of the program to finish its own.
constexpr std::chrono::milliseconds kLockWait{10000};

// The lock file that every addition to the folder holds. It stays in the
// folder, empty: removing it could let two copies lock two different files.
std::filesystem::path LockPath(const std::filesystem::path& programFolder) {
  return DictionaryFolder(programFolder) / ".lock";
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Why the word cannot be written to a Windows-1250 file as one line, or
// nothing when it can.
std::string UnstorableReason(std::string_view word) {
  std::size_t pos = 0;
  char32_t c = 0;
  while (NextUtf8Char(word, pos, c)) {
    if (IsControl(c)) {
      return "Wyraz zawiera znak sterujący (na przykład koniec wiersza lub tabulację), "
             "którego nie można zapisać w słowniku";
    }
    if (UnicodeToCp1250(c) < 0) {
      std::string shown;
      AppendUtf8(c, shown);
      return "Wyraz zawiera znak „" + shown + "”, którego nie można zapisać w słowniku (kodowanie Windows-1250)";
    }
  }
  return {};
}

// The new file: the count of word lines, the old word lines unchanged, the
// new word last; every line ended by CR LF. Built in memory kept for the
// run, which the next addition reuses.
std::string_view NewContent(std::string_view oldContent, std::string_view word) {
  static KeptBuffer buffer;
  LineReader lines(oldContent);
  lines.ReadLine();  // the old count
  const std::string_view oldWords = oldContent.substr(lines.Position());
  std::size_t wordLines = 0;
  bool allEndInCrLf = true;
  while (!lines.AtEnd()) {
    lines.ReadLine();
    ++wordLines;
    const std::size_t end = lines.Position();
    allEndInCrLf = allEndInCrLf && end >= 2 && oldContent[end - 2] == '\r' && oldContent[end - 1] == '\n';
  }

  const std::string count = std::to_string(wordLines + 1) + "\r\n";
  if (!buffer.Reserve(count.size() + oldWords.size() + wordLines + word.size() + 2, 0))
    throw std::bad_alloc();
  char* out = buffer.Data();
  const auto put = [&out](std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    out += text.size();
  };
  put(count);
  if (allEndInCrLf) {
    // As in every file this program writes: the old lines go over as they are.
    put(oldWords);
  } else {
    LineReader again(oldWords);
    while (!again.AtEnd()) {
      put(again.ReadLine());
      put("\r\n");
    }
  }
  put(word);
  put("\r\n");
  return {buffer.Data(), static_cast<std::size_t>(out - buffer.Data())};
}

// Reads the whole file into memory kept for the run: no zero-filled buffer
// is made, and the next addition reuses the memory. The bytes stay valid
// until the next call.
std::error_code ReadListFile(const std::filesystem::path& path, std::string_view& content) {
  static KeptBuffer buffer;
  platform::ReadOnlyFile file;
  if (const std::error_code ec = file.Open(path)) return ec;
  std::error_code ignored;
  const std::uintmax_t size = std::filesystem::file_size(path, ignored);  // a hint only
  std::size_t used = 0;
  if (!buffer.Reserve(ignored || size > (std::size_t{1} << 40) ? std::size_t{1} << 16 : size + 1, 0))
    return std::make_error_code(std::errc::not_enough_memory);
  for (;;) {
    if (used == buffer.Size() && !buffer.Reserve(buffer.Size() * 2, used))
      return std::make_error_code(std::errc::not_enough_memory);
    std::size_t got = 0;
    if (const std::error_code ec = file.ReadSome(buffer.Data() + used, buffer.Size() - used, got)) return ec;
    if (got == 0) break;
    used += got;
  }
  content = {buffer.Data(), used};
  return {};
}

// Does the file hold the word? Every line after the first is compared whole.
// The word's bytes are looked for in the whole text at once (the library's
// search skips through it fast); a place counts when a line begins there
// (after a CR, or after the LF of a CR LF) and ends right after the word.
bool HoldsWord(std::string_view content, std::string_view word) {
  LineReader first(content);
  if (!first.AtEnd()) first.ReadLine();
  const std::size_t from = first.Position();
  if (word.empty()) {
    LineReader lines(content.substr(from));
    while (!lines.AtEnd())
      if (lines.ReadLine().empty()) return true;
    return false;
  }
  for (std::size_t at = content.find(word, from); at != std::string_view::npos;
       at = content.find(word, at + 1)) {
    const bool begins =
        at == from || content[at - 1] == '\r' || (content[at - 1] == '\n' && content[at - 2] == '\r');
    const std::size_t end = at + word.size();
    if (begins && (end == content.size() || content[end] == '\r')) return true;
  }
  return false;
}

std::string WriteFailed(const std::filesystem::path& path, const std::error_code& ec) {
  return "Nie udało się zapisać pliku słownika " + PathText(path) + ": " + DescribeFileError(ec) +
         ". Słownik nie został zmieniony.";
}

// Adds the stored form of a word, under the folder's lock. Returns the
// refusal or error text, or an empty text when the word was added.
std::string Append(AddWordView& view, const std::filesystem::path& programFolder, int n,
                   std::string_view typed, const std::string& stored) {
  const std::filesystem::path folder = DictionaryFolder(programFolder);
  const std::filesystem::path path = WordListPath(n, programFolder);
  const std::filesystem::path temp = TempListPath(n, programFolder);

  std::error_code ignored;
  if (!std::filesystem::is_directory(folder, ignored))
    return "Nie znaleziono folderu słownika " + PathText(folder) + ".";

  platform::FolderLock lock;
  if (const std::error_code ec = lock.Acquire(LockPath(programFolder), kLockWait)) {
    if (ec == std::errc::device_or_resource_busy)
      return "Słownik jest właśnie zmieniany przez inną kopię programu. Spróbuj ponownie za chwilę.";
    return "Nie można zmienić słownika w folderze " + PathText(folder) + ": " + DescribeFileError(ec) +
           ". Słownik nie został zmieniony.";
  }

  // Read under the lock, so that a word another copy has just added is seen.
  std::string_view content;
  if (const std::error_code ec = ReadListFile(path, content))
    return "Nie można odczytać pliku słownika " + PathText(path) + ": " + DescribeFileError(ec) + ".";

  if (LooksLikeUtf8(content)) return WrongEncodingMessage(path) + " Słownik nie został zmieniony.";
  LineReader first(content);
  const std::string_view countLine = first.AtEnd() ? std::string_view{} : first.ReadLine();
  std::int32_t oldCount = 0;
  if (const CountError error = ParseCount(countLine, oldCount); error != CountError::None)
    return "Plik słownika " + PathText(path) + " jest uszkodzony: " + DescribeCountProblem(error, countLine) +
           ". Słownik nie został zmieniony.";

  if (HoldsWord(content, Cp1250ToLower(stored)))
    return "Wpisany wyraz (" + std::string(typed) + ") jest już w słowniku!";

  if (const std::error_code ec = platform::CheckWritable(path)) return WriteFailed(path, ec);

  const std::string_view updated = NewContent(content, stored);
  view.ProcessPendingEvents();
  if (const std::error_code ec = platform::WriteFileDurably(temp, updated, path)) {
    platform::RemoveFile(temp);
    return WriteFailed(path, ec);
  }
  view.ProcessPendingEvents();
  if (const std::error_code ec = platform::RenameOver(temp, path)) {
    platform::RemoveFile(temp);
    return WriteFailed(path, ec);
  }
  if (const std::error_code ec = platform::SyncFolder(folder)) {
    // The new file is in place but may not survive a crash: put the old one
    // back, so that what the user is told is what the disk holds.
    if (!platform::WriteFileDurably(temp, content, path) && !platform::RenameOver(temp, path) &&
        !platform::SyncFolder(folder)) {
      return WriteFailed(path, ec);
    }
    platform::RemoveFile(temp);
    return "Nie udało się potwierdzić zapisu pliku słownika " + PathText(path) + ": " + DescribeFileError(ec) +
           ". Sprawdź, czy wyraz jest w słowniku, zanim dodasz go ponownie.";
  }
  view.ProcessPendingEvents();
  return {};
}

void Refuse(AddWordView& view, const std::string& text) {
  view.ShowMessage(text, ErrorTitle, MessageIcon::Exclamation);
  view.SelectWordText();
  view.FocusWord();
}

}  // namespace

void AddWord(AddWordView& view, const std::filesystem::path& programFolder) {
  const std::string word = view.WordText();
  if (word.empty()) return Refuse(view, kEmpty);
  const std::size_t n = Utf8Length(word);
  if (n < MinWordLength) return Refuse(view, kTooShort);
  if (n > MaxWordLength) return Refuse(view, kTooLong);
  if (const std::string reason = UnstorableReason(word); !reason.empty()) return Refuse(view, reason);

  const std::string stored = *Utf8ToCp1250(word);
  const std::string problem = Append(view, programFolder, static_cast<int>(n), word, stored);
  // The lock is released by now: a message box waiting for the user never
  // keeps another copy of the program from adding.
  if (!problem.empty()) return Refuse(view, problem);

  view.ShowMessage("Wyraz (" + word + ") został dodany do słownika", kAddedTitle, MessageIcon::Information);
  view.SelectWordText();
  view.FocusWord();
}

}  // namespace wypelniak
