#include "addword.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <utility>

#include "cp1250.h"
#include "keptmemory.h"
#include "platform.h"

namespace wypelniak {
namespace {

constexpr char kAddedTitle[] = "Dodałem wyraz";

// How long an addition waits for another copy of the program to finish its own.
constexpr std::chrono::milliseconds kLockWait{10000};

// The lock file that every addition to the folder holds. It stays in the
// folder, empty: removing it could let two copies lock two different files.
constexpr char kLockName[] = ".lock";

// The new file: the count of word lines, the old word lines unchanged, the
// new word last; every line ended by CR LF. Given as pieces to write one
// after another: when every old line already ends in CR LF the old lines are
// written from where they were read, with no copy; otherwise the lines are
// rebuilt in memory kept for the run, which the next addition reuses. The
// pieces stay valid until the next call, and while oldContent and word do.
std::span<const std::string_view> NewContent(std::string_view oldContent, std::string_view word) {
  static KeptBuffer buffer;
  static std::string count;
  static std::array<std::string_view, 4> pieces;
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

  count = std::to_string(wordLines + 1) + "\r\n";
  if (allEndInCrLf) {
    // As in every file this program writes: the old lines go over as they are.
    pieces = {count, oldWords, word, "\r\n"};
    return pieces;
  }
  if (!buffer.Reserve(count.size() + oldWords.size() + wordLines + word.size() + 2, 0))
    throw std::bad_alloc();
  char* out = buffer.Data();
  const auto put = [&out](std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    out += text.size();
  };
  put(count);
  LineReader again(oldWords);
  while (!again.AtEnd()) {
    put(again.ReadLine());
    put("\r\n");
  }
  put(word);
  put("\r\n");
  pieces[0] = {buffer.Data(), static_cast<std::size_t>(out - buffer.Data())};
  return std::span<const std::string_view>(pieces.data(), 1);
}

// Reads the whole file into memory kept for the run: no zero-filled buffer
// is made, and the next addition reuses the memory. The bytes stay valid
// until the next call.
std::error_code ReadListFile(platform::ReadOnlyFile& file, std::string_view& content) {
  static KeptBuffer buffer;
  const std::uint64_t size = file.Size();  // a hint only: the file may grow
  std::size_t used = 0;
  if (!buffer.Reserve(size > MaxListFileBytes ? std::size_t{1} << 16 : static_cast<std::size_t>(size) + 1, 0))
    return std::make_error_code(std::errc::not_enough_memory);
  for (;;) {
    if (used == buffer.Size() && !buffer.Reserve(buffer.Size() * 2, used))
      return std::make_error_code(std::errc::not_enough_memory);
    std::size_t got = 0;
    if (const std::error_code ec = file.ReadSome(buffer.Data() + used, buffer.Size() - used, got)) return ec;
    if (got == 0) break;
    used += got;
    // A file that grows while it is read is held to the same limit.
    if (used > MaxListFileBytes) return std::make_error_code(std::errc::file_too_large);
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
  std::string_view content;
  {
    platform::ReadOnlyFile file;
    std::error_code ec = file.Open(listFile);
    if (!ec && file.Size() > MaxListFileBytes)
      return "Nie można odczytać pliku słownika " + PathText(shownPath) + ": " +
             DescribeTooLarge(file.Size()) + ". Słownik nie został zmieniony.";
    if (!ec) ec = ReadListFile(file, content);
    if (ec)
      return "Nie można odczytać pliku słownika " + PathText(shownPath) + ": " + DescribeFileError(ec) +
             ". Słownik nie został zmieniony.";
  }

  if (LooksLikeUtf8(content)) return WrongEncodingMessage(shownPath) + " Słownik nie został zmieniony.";
  if (const CountLine first = ReadCountLine(content); first.error != CountError::None)
    return CountLineMessage(shownPath, first) + " Słownik nie został zmieniony.";

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

  const std::span<const std::string_view> updated = NewContent(content, stored);
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
  std::string stored;
  if (const WordProblem problem = CheckTypedWord(word, &stored); problem != WordProblem::None)
    return Refuse(view, WordProblemMessage(problem, word));

  const int n = static_cast<int>(stored.size());
  std::string problem;
  try {
    problem = Append(view, programFolder, n, word, stored);
  } catch (const std::bad_alloc&) {
    // The lock and every buffer are let go by now; no file was replaced.
    problem = "Nie udało się dodać wyrazu do pliku słownika " + PathText(WordListPath(n, programFolder)) +
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
