#include "addword.h"

#include <chrono>
#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "cp1250.h"
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
constexpr char kLockName[] = ".lock";

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
// new word last; every line ended by CR LF.
std::string NewContent(std::string_view oldContent, std::string_view word) {
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

  std::string updated = std::to_string(wordLines + 1) + "\r\n";
  updated.reserve(updated.size() + oldWords.size() + wordLines + word.size() + 2);
  if (allEndInCrLf) {
    // As in every file this program writes: the old lines go over as they are.
    updated += oldWords;
  } else {
    LineReader again(oldWords);
    while (!again.AtEnd()) {
      updated += again.ReadLine();
      updated += "\r\n";
    }
  }
  updated += word;
  updated += "\r\n";
  return updated;
}

// Does the file hold the word? Every line after the first is compared whole.
bool HoldsWord(std::string_view content, std::string_view word) {
  LineReader lines(content);
  lines.ReadLine();
  while (!lines.AtEnd())
    if (lines.ReadLine() == word) return true;
  return false;
}

std::string WriteFailed(const std::filesystem::path& path, const std::error_code& ec) {
  return "Nie udało się zapisać pliku słownika " + PathText(path) + ": " + DescribeFileError(ec) +
         ". Słownik nie został zmieniony.";
}

// The temporary file beside the file it will replace: ~slow.N in the folder,
// or "~" and the name of the file a link leads to, beside that file.
std::filesystem::path TempBeside(const std::filesystem::path& target) {
  std::filesystem::path temp = target;
  temp.replace_filename(std::filesystem::path("~").native() + target.filename().native());
  return temp;
}

// Removes the temporary file when it goes out of scope, unless dismissed: an
// exception between writing it and renaming it leaves nothing behind.
class TempFile {
 public:
  explicit TempFile(std::filesystem::path path) : path_(std::move(path)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (path_.empty()) return;
    try {
      platform::RemoveFile(path_);
    } catch (...) {
    }
  }
  void Dismiss() { path_.clear(); }

 private:
  std::filesystem::path path_;
};

// Adds the stored form of a word, under the folder's lock. Returns the
// refusal or error text, or an empty text when the word was added. Messages
// name the paths as the user knows them; the files are reached through the
// folder and file a link there leads to, when the link may be followed.
std::string Append(AddWordView& view, const std::filesystem::path& programFolder, int n,
                   std::string_view typed, const std::string& stored) {
  const std::filesystem::path shownFolder = DictionaryFolder(programFolder);
  const std::filesystem::path shownPath = WordListPath(n, programFolder);

  std::error_code ignored;
  if (!std::filesystem::is_directory(shownFolder, ignored))
    return "Nie znaleziono folderu słownika " + PathText(shownFolder) + ".";
  std::filesystem::path folder;
  if (const std::error_code ec = platform::WriteTarget(shownFolder, folder))
    return "Nie można zmienić słownika w folderze " + PathText(shownFolder) + ": " + DescribeFileError(ec) +
           ". Słownik nie został zmieniony.";
  const std::filesystem::path listFile = folder / shownPath.filename();

  platform::FolderLock lock;
  if (const std::error_code ec = lock.Acquire(folder / kLockName, kLockWait)) {
    if (ec == std::errc::device_or_resource_busy)
      return "Słownik jest właśnie zmieniany przez inną kopię programu. Spróbuj ponownie za chwilę.";
    return "Nie można zmienić słownika w folderze " + PathText(shownFolder) + ": plik blokady " +
           PathText(shownFolder / kLockName) + ": " + DescribeFileError(ec) +
           ". Słownik nie został zmieniony.";
  }

  // Read under the lock, so that a word another copy has just added is seen.
  std::string content;
  {
    platform::ReadOnlyFile file;
    std::error_code ec = file.Open(listFile);
    if (!ec && file.Size() > MaxListFileBytes)
      return "Nie można odczytać pliku słownika " + PathText(shownPath) + ": " +
             DescribeTooLarge(file.Size()) + ". Słownik nie został zmieniony.";
    if (!ec) ec = file.ReadAll(content);
    if (ec)
      return "Nie można odczytać pliku słownika " + PathText(shownPath) + ": " + DescribeFileError(ec) +
             ". Słownik nie został zmieniony.";
  }

  if (LooksLikeUtf8(content)) return WrongEncodingMessage(shownPath) + " Słownik nie został zmieniony.";
  LineReader first(content);
  const std::string_view countLine = first.AtEnd() ? std::string_view{} : first.ReadLine();
  std::int32_t oldCount = 0;
  if (const CountError error = ParseCount(countLine, oldCount); error != CountError::None)
    return "Plik słownika " + PathText(shownPath) +
           " jest uszkodzony: " + DescribeCountProblem(error, countLine) + ". Słownik nie został zmieniony.";

  if (HoldsWord(content, Cp1250ToLower(stored)))
    return "Wpisany wyraz (" + std::string(typed) + ") jest już w słowniku!";

  // A link in place of the file is written through, the link kept, only
  // into a file of the user's own; the new file is made beside that file.
  std::filesystem::path target;
  if (const std::error_code ec = platform::WriteTarget(listFile, target)) return WriteFailed(shownPath, ec);
  const bool throughLink = target != listFile;
  const std::filesystem::path temp =
      throughLink ? TempBeside(target) : folder / TempListPath(n, programFolder).filename();
  if (const std::error_code ec = platform::CheckWritable(target)) return WriteFailed(shownPath, ec);

  const std::string updated = NewContent(content, stored);
  view.ProcessPendingEvents();
  if (const std::error_code ec = platform::WriteFileDurably(temp, updated, target)) {
    platform::RemoveFile(temp);
    // What keeps the temporary file from being made is told of that file.
    if (ec == std::errc::is_a_directory || ec == std::errc::permission_denied ||
        ec == std::errc::operation_not_permitted || ec == std::errc::file_exists)
      return "Nie udało się utworzyć pliku tymczasowego " +
             PathText(throughLink ? temp : TempListPath(n, programFolder)) + ": " + DescribeFileError(ec) +
             ". Słownik nie został zmieniony.";
    return WriteFailed(shownPath, ec);
  }
  TempFile written(temp);
  view.ProcessPendingEvents();
  if (const std::error_code ec = platform::RenameOver(temp, target)) return WriteFailed(shownPath, ec);
  written.Dismiss();
  if (const std::error_code ec = platform::SyncFolder(target.parent_path())) {
    // The new file is in place but may not survive a crash: put the old one
    // back, so that what the user is told is what the disk holds.
    if (!platform::WriteFileDurably(temp, content, target) && !platform::RenameOver(temp, target) &&
        !platform::SyncFolder(target.parent_path())) {
      return WriteFailed(shownPath, ec);
    }
    platform::RemoveFile(temp);
    return "Nie udało się potwierdzić zapisu pliku słownika " + PathText(shownPath) + ": " +
           DescribeFileError(ec) + ". Sprawdź, czy wyraz jest w słowniku, zanim dodasz go ponownie.";
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
  std::string problem;
  try {
    problem = Append(view, programFolder, static_cast<int>(n), word, stored);
  } catch (const std::bad_alloc&) {
    // The lock and every buffer are let go by now; no file was replaced.
    problem = "Nie udało się dodać wyrazu do pliku słownika " +
              PathText(WordListPath(static_cast<int>(n), programFolder)) +
              ": za mało pamięci; zamknij inne programy i spróbuj ponownie. Słownik nie został zmieniony.";
  }
  // The lock is released by now: a message box waiting for the user never
  // keeps another copy of the program from adding.
  if (!problem.empty()) return Refuse(view, problem);

  view.ShowMessage("Wyraz (" + word + ") został dodany do słownika", kAddedTitle, MessageIcon::Information);
  view.SelectWordText();
  view.FocusWord();
}

}  // namespace wypelniak
