#include "addword.h"

#include <chrono>
#include <cstdint>
#include <string>

#include "cp1250.h"
#include "platform.h"

namespace wypelniak {
namespace {

constexpr char kAddedTitle[] = "Dodałem wyraz";

// How long an addition waits for another copy of the program to finish its own.
constexpr std::chrono::milliseconds kLockWait{10000};

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
  std::string content;
  if (const std::error_code ec = platform::ReadWholeFile(path, content))
    return "Nie można odczytać pliku słownika " + PathText(path) + ": " + DescribeFileError(ec) + ".";

  if (LooksLikeUtf8(content)) return WrongEncodingMessage(path) + " Słownik nie został zmieniony.";
  if (const CountLine first = ReadCountLine(content); first.error != CountError::None)
    return CountLineMessage(path, first) + " Słownik nie został zmieniony.";

  if (HoldsWord(content, Cp1250ToLower(stored)))
    return "Wpisany wyraz (" + std::string(typed) + ") jest już w słowniku!";

  if (const std::error_code ec = platform::CheckWritable(path)) return WriteFailed(path, ec);

  const std::string updated = NewContent(content, stored);
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
    return "Nie udało się potwierdzić zapisu pliku słownika " + PathText(path) + ": " +
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

  const std::string problem = Append(view, programFolder, static_cast<int>(stored.size()), word, stored);
  // The lock is released by now: a message box waiting for the user never
  // keeps another copy of the program from adding.
  if (!problem.empty()) return Refuse(view, problem);

  view.ShowMessage("Wyraz (" + word + ") został dodany do słownika", kAddedTitle, MessageIcon::Information);
  view.SelectWordText();
  view.FocusWord();
}

}  // namespace wypelniak
