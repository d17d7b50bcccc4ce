#include "addword.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "chunkreader.h"
#include "keptmemory.h"
#include "listscan.h"
#include "platform.h"

namespace wypelniak {
namespace {

constexpr char kAddedTitle[] = "Dodałem wyraz";

// How long an addition waits for another copy of the program to finish its own.
constexpr std::chrono::milliseconds kLockWait{10000};

// Looks the whole file over, a chunk at a time, in buffer.
std::error_code ScanListFile(platform::ReadOnlyFile& file, std::string_view word, KeptBuffer& buffer,
                             ListScan& scan) {
  return ScanList(
      [&file](char* into, std::size_t size, std::size_t& got) { return file.ReadSome(into, size, got); },
      word, buffer, ListChunkBytes, MaxListFileBytes, scan);
}

// Reads the first size bytes of the file into buffer: no zero-filled buffer
// is made. The bytes stay valid until buffer is used again.
std::error_code ReadListFile(const platform::ReadOnlyFile& file, std::uint64_t size, KeptBuffer& buffer,
                             std::string_view& content) {
  if (!buffer.Reserve(static_cast<std::size_t>(size) + 1, 0))
    return std::make_error_code(std::errc::not_enough_memory);
  std::size_t used = 0;
  while (used < size) {
    std::size_t got = 0;
    if (const std::error_code ec =
            file.ReadAt(used, buffer.Data() + used, static_cast<std::size_t>(size) - used, got))
      return ec;
    if (got == 0) return platform::FileRefusal::Changed;
    used += got;
  }
  content = {buffer.Data(), used};
  return {};
}

// The new file for a file whose lines do not all end in CR LF: the count of
// word lines, the old word lines, the new word last, every line ended by
// CR LF, built in buffer. Everything is counted from the bytes given, so the
// count and the room taken always fit what is written. The bytes stay valid
// until buffer is used again.
std::string_view RebuiltContent(std::string_view oldContent, std::string_view word, KeptBuffer& buffer) {
  LineReader first(oldContent);
  first.ReadLine();  // the old count
  const std::string_view oldWords = oldContent.substr(first.Position());
  std::size_t wordLines = 0, lineBytes = 0;
  for (LineReader lines(oldWords); !lines.AtEnd(); ++wordLines) lineBytes += lines.ReadLine().size() + 2;
  const std::string count = std::to_string(wordLines + 1) + "\r\n";
  const std::size_t size = count.size() + lineBytes + word.size() + 2;
  if (!buffer.Reserve(size, 0)) throw std::bad_alloc();
  char* out = buffer.Data();
  char* const end = out + size;
  const auto put = [&out, end](std::string_view text) {
    if (text.size() > static_cast<std::size_t>(end - out)) throw std::length_error("rebuilt word list");
    std::memcpy(out, text.data(), text.size());
    out += text.size();
  };
  put(count);
  for (LineReader lines(oldWords); !lines.AtEnd();) {
    put(lines.ReadLine());
    put("\r\n");
  }
  put(word);
  put("\r\n");
  return {buffer.Data(), static_cast<std::size_t>(out - buffer.Data())};
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
std::string Append(AddWordView& view, AddWordMemory& memory, const std::filesystem::path& programFolder,
                   int n, std::string_view typed, const std::string& stored) {
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

  // The lock file stays in the folder, empty: removing it could let two
  // copies lock two different files.
  const std::filesystem::path shownLock = LockPath(programFolder);
  platform::FolderLock lock;
  if (const std::error_code ec = lock.Acquire(folder / shownLock.filename(), kLockWait)) {
    if (ec == std::errc::device_or_resource_busy)
      return "Słownik jest właśnie zmieniany przez inną kopię programu. Spróbuj ponownie za chwilę.";
    return "Nie można zmienić słownika w folderze " + PathText(shownFolder) + ": plik blokady " +
           PathText(shownLock) + ": " + DescribeFileError(ec) + ". Słownik nie został zmieniony.";
  }

  // What stands in the file's place is decided before it is opened: a link
  // is written through, the link kept, only into a file of the user's own,
  // and the new file is made beside that file. The file is then opened
  // without following links, so a link swapped in meanwhile is refused, not
  // read; the file replaced must be the one opened.
  std::filesystem::path target;
  if (const std::error_code ec = platform::WriteTarget(listFile, target)) return WriteFailed(shownPath, ec);
  const bool throughLink = target != listFile;

  // Read under the lock, so that a word another copy has just added is seen.
  // The file stays open until the new one has replaced it (where the system
  // allows it): its old lines are copied from it, and its last close, which
  // frees it, need not be waited for.
  platform::ReadOnlyFile file;
  platform::ReadOnlyFile::Version version;  // as the file was when the scan began
  platform::FileIdentity opened;            // which file it is, its owner and permissions
  ListScan scan;
  {
    std::error_code ec = file.Open(target, platform::Links::Refuse);
    if (!ec) ec = file.Identity(opened);
    version = file.CurrentVersion();
    if (!ec && file.Size() > MaxListFileBytes)
      return "Nie można odczytać pliku słownika " + PathText(shownPath) + ": " +
             DescribeTooLarge(file.Size()) + ". Słownik nie został zmieniony.";
    if (!ec) ec = ScanListFile(file, stored, memory.scan, scan);
    if (ec)
      return "Nie można odczytać pliku słownika " + PathText(shownPath) + ": " + DescribeFileError(ec) +
             ". Słownik nie został zmieniony.";
  }

  if (scan.utf8) return WrongEncodingMessage(shownPath) + " Słownik nie został zmieniony.";
  if (scan.first.error != CountError::None)
    return CountLineMessage(shownPath, scan.first) + " Słownik nie został zmieniony.";
  // A damaged file is told of before the word: it needs mending either way.
  if (scan.misreadLine != 0)
    return MisreadLineMessage(shownPath, scan.misreadLine, scan.misreadText, scan.misread) +
           " Słownik nie został zmieniony.";
  if (scan.holdsWord) return "Wpisany wyraz (" + std::string(typed) + ") jest już w słowniku!";

  const std::filesystem::path temp =
      throughLink ? TempBeside(target) : folder / TempListPath(n, programFolder).filename();
  if (const std::error_code ec = platform::CheckWritable(target)) return WriteFailed(shownPath, ec);

  // The new file: the count of word lines, the old word lines, the new word
  // last. When every old line already ends in CR LF, as in every file this
  // program writes, the old lines go over as they are, copied from the old
  // file by the system; otherwise the file is rebuilt in memory.
  const std::string count = std::to_string(scan.wordLines + 1) + "\r\n";
  const std::uint64_t oldWordBytes = scan.size - scan.wordsStart;
  std::string_view oldContent;  // only for a file that is rebuilt
  std::vector<platform::ContentPiece> pieces;
  if (scan.allEndInCrLf) {
    pieces = {{count}, {{}, &file, scan.wordsStart, oldWordBytes}, {stored}, {"\r\n"}};
  } else {
    if (const std::error_code ec = ReadListFile(file, scan.size, memory.old, oldContent))
      return "Nie można odczytać pliku słownika " + PathText(shownPath) + ": " + DescribeFileError(ec) +
             ". Słownik nie został zmieniony.";
    pieces = {{RebuiltContent(oldContent, stored, memory.rebuilt)}};
  }
  view.ProcessPendingEvents();
  platform::FileIdentity written;
  if (const std::error_code ec = platform::WriteFileDurably(temp, pieces, &opened, &written)) {
    platform::RemoveFile(temp);
    // What keeps the temporary file from being made is told of that file.
    if (ec == std::errc::is_a_directory || ec == std::errc::permission_denied ||
        ec == std::errc::operation_not_permitted || ec == std::errc::file_exists)
      return "Nie udało się utworzyć pliku tymczasowego " +
             PathText(throughLink ? temp : TempListPath(n, programFolder)) + ": " + DescribeFileError(ec) +
             ". Słownik nie został zmieniony.";
    return WriteFailed(shownPath, ec);
  }
  TempFile leftover(temp);
  // A program that ignores the lock may have written to the file since it
  // was looked over: what was copied would not be what was counted.
  if (file.CurrentVersion() != version) return WriteFailed(shownPath, platform::FileRefusal::Changed);
  view.ProcessPendingEvents();
  if (!platform::ReadOnlyFile::CanBeReplacedWhileOpen) file.Close();
  if (const std::error_code ec = platform::RenameChecked(temp, written, target, &opened)) {
    if (ec != platform::FileRefusal::SwappedInPlace) return WriteFailed(shownPath, ec);
    return "Nie udało się zapisać pliku słownika " + PathText(shownPath) + ": " + DescribeFileError(ec) +
           ". Wyraz nie został dodany. Sprawdź słownik poleceniem: wypelniak-slownik check " +
           PathText(shownFolder) + ".";
  }
  leftover.Dismiss();
  if (const std::error_code ec = platform::SyncFolder(target.parent_path())) {
    // The new file is in place but may not survive a crash: put the old one
    // back, so that what the user is told is what the disk holds. Old lines
    // that were copied are read back from the new file.
    platform::ReadOnlyFile placed;
    std::vector<platform::ContentPiece> old = {{oldContent}};
    bool restored = true;
    if (scan.allEndInCrLf) {
      restored = !placed.Open(target);
      old = {{scan.head}, {{}, &placed, count.size(), oldWordBytes}};
    }
    platform::FileIdentity rewritten;
    restored = restored && !platform::WriteFileDurably(temp, old, &opened, &rewritten);
    placed.Close();
    if (restored && !platform::RenameChecked(temp, rewritten, target, &written) &&
        !platform::SyncFolder(target.parent_path()))
      return WriteFailed(shownPath, ec);
    platform::RemoveFile(temp);
    return "Nie udało się potwierdzić zapisu pliku słownika " + PathText(shownPath) + ": " +
           DescribeFileError(ec) + ". Sprawdź, czy wyraz jest w słowniku, zanim dodasz go ponownie.";
  }
  // Only now: the folder's sync would wait for the freeing of the old file.
  file.CloseWithoutWaiting();
  view.ProcessPendingEvents();
  return {};
}

void Refuse(AddWordView& view, const std::string& text) {
  view.ShowMessage(text, ErrorTitle, MessageIcon::Exclamation);
  view.SelectWordText();
  view.FocusWord();
}

}  // namespace

void AddWord(AddWordView& view, AddWordMemory& memory, const std::filesystem::path& programFolder) {
  const std::string word = view.WordText();
  std::string stored;
  if (const WordProblem problem = CheckTypedWord(word, &stored); problem != WordProblem::None)
    return Refuse(view, WordProblemMessage(problem, word));

  const int n = static_cast<int>(stored.size());
  std::string problem;
  try {
    problem = Append(view, memory, programFolder, n, word, stored);
  } catch (const std::bad_alloc&) {
    // The lock and every buffer are let go by now; no file was replaced.
    problem = "Nie udało się dodać wyrazu do pliku słownika " + PathText(WordListPath(n, programFolder)) +
              ": za mało pamięci; zamknij inne programy i spróbuj ponownie. Słownik nie został zmieniony.";
  } catch (const std::length_error&) {
    // The new file would not have been what was counted; nothing was written.
    problem = "Nie udało się dodać wyrazu do pliku słownika " + PathText(WordListPath(n, programFolder)) +
              ": błąd programu przy budowaniu nowej treści pliku. Słownik nie został zmieniony.";
  }
  // The lock is released by now: a message box waiting for the user never
  // keeps another copy of the program from adding.
  if (!problem.empty()) return Refuse(view, problem);

  view.ShowMessage("Wyraz (" + word + ") został dodany do słownika", kAddedTitle, MessageIcon::Information);
  view.SelectWordText();
  view.FocusWord();
}

}  // namespace wypelniak
