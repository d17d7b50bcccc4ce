// The repair command: one word-list file rewritten in place as Windows-1250
// with CR LF line ends and the right count, every word kept; a line the
// search would read otherwise goes, as UTF-8 text, to a side file beside it.
#include "cp1250.h"
#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;
using namespace detail;

namespace {

// The repaired form of a file and what was changed to make it.
struct Repaired {
  std::string content;
  std::size_t words = 0;
  bool fromUtf8 = false;       // converted from UTF-8
  bool lineEnds = false;       // a line end other than CR LF, or none at the end
  bool countChanged = false;   // line 1 did not hold the number of words
  bool firstIsWord = false;    // line 1 held no count: it is kept as a word
  std::size_t emptyLines = 0;  // empty lines left out
  std::string setAside;        // lines the search would read otherwise, UTF-8, each ended by CR LF
  std::vector<std::size_t> setAsideLines;  // their numbers
  std::string refusal;         // why the file cannot be repaired; the rest is then of no use
};

// The side file for the lines of slow.<n> that cannot be words.
fs::path SideFilePath(const fs::path& folder, int n) {
  return folder / (WordFileName(n) + "-odlozone.txt");
}

// Does every line end in CR LF, the last one included?
bool OnlyCrLf(std::string_view data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\r' && (i + 1 == data.size() || data[i + 1] != '\n')) return false;
    if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r')) return false;
  }
  return data.size() >= 2 && data.substr(data.size() - 2) == "\r\n";
}

// The first character of UTF-8 text that Windows-1250 cannot store, shown.
std::string FirstUnstorable(std::string_view utf8) {
  std::size_t pos = 0;
  char32_t c = 0;
  while (NextUtf8Char(utf8, pos, c)) {
    if (UnicodeToCp1250(c) < 0) {
      std::string shown;
      AppendUtf8(c, shown);
      return shown;
    }
  }
  return {};
}

// Takes line 1: a count (as the search and the addition read one, or a
// number out of a count's range), or an empty line, is replaced; anything
// else is kept as the first word.
void TakeFirstLine(std::string_view first, std::vector<std::string_view>& words, Repaired& r) {
  std::int32_t count = 0;
  const CountError error = ParseCount(first, count);
  if (first.empty() || error == CountError::None || error == CountError::Negative ||
      error == CountError::TooLarge)
    return;
  r.firstIsWord = true;
  words.push_back(first);
}

// Moves the words the search would read otherwise from words to the side
// text, as UTF-8; lines are the file's lines, for their numbers.
void SetAside(const std::vector<std::string_view>& lines, std::vector<std::string_view>& words, Repaired& r) {
  std::size_t line = 0;
  std::erase_if(words, [&](std::string_view word) {
    if (FindMisread(word).kind == Misreading::None) return false;
    while (line < lines.size() && lines[line].data() != word.data()) ++line;
    r.setAsideLines.push_back(line + 1);
    if (r.fromUtf8)
      r.setAside += word;
    else
      AppendCp1250AsUtf8(word, r.setAside);
    r.setAside += "\r\n";
    return true;
  });
}

Repaired Repair(const fs::path& file, std::string_view data) {
  Repaired r;
  r.fromUtf8 = LooksLikeUtf8(data);
  r.lineEnds = !OnlyCrLf(data);
  std::string_view body = data;
  if (r.fromUtf8 && body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  const std::vector<std::string_view> lines = SplitLines(body);

  std::vector<std::string_view> words;
  if (!lines.empty()) TakeFirstLine(lines[0], words, r);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty())
      ++r.emptyLines;
    else
      words.push_back(lines[i]);
  }
  SetAside(lines, words, r);

  std::string converted;
  std::string tail;
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string_view word = words[i];
    if (r.fromUtf8) {
      const std::optional<std::string> bytes = Utf8ToCp1250(word);
      if (!bytes) {
        // The line number in the file: count the lines up to this word.
        std::size_t line = 1;
        for (std::size_t k = 0; k < lines.size(); ++k)
          if (lines[k].data() == word.data()) line = k + 1;
        r.refusal = "Nie można naprawić pliku " + PathText(file) + ": wiersz " + Num(line) +
                    " zawiera znak „" + FirstUnstorable(word) +
                    "”, którego nie da się zapisać w Windows-1250. Popraw lub usuń ten wiersz i powtórz "
                    "polecenie: " +
                    RepairCommand(file) + ". Nic nie zapisano.";
        return r;
      }
      converted = *bytes;
      word = converted;
    }
    tail += word;
    tail += "\r\n";
  }
  r.words = words.size();
  r.content = Num(r.words) + "\r\n" + tail;
  r.countChanged = lines.empty() || r.firstIsWord || lines[0] != Num(r.words);
  return r;
}

// What was changed, for the report.
std::string Changes(const Repaired& r) {
  std::string text;
  const auto add = [&text](const std::string& item) { text += (text.empty() ? "" : "; ") + item; };
  if (r.fromUtf8) add("przekształcono z UTF-8 na Windows-1250");
  if (r.lineEnds) add("końce wierszy zamieniono na CR LF");
  if (r.firstIsWord) add("wiersz 1 nie zawierał liczby wyrazów i został zachowany jako wyraz");
  if (!r.setAsideLines.empty()) {
    const std::size_t count = r.setAsideLines.size();
    add("przeniesiono " + Num(count) + ' ' + Plural(count, "wiersz", "wiersze", "wierszy") +
        ", których wyszukiwanie nie odczytałoby jako wyrazów, do pliku obok");
  }
  if (r.emptyLines > 0)
    add("pominięto " + Num(r.emptyLines) + ' ' +
        Plural(r.emptyLines, "pusty wiersz", "puste wiersze", "pustych wierszy"));
  if (r.countChanged) add("liczba wyrazów w wierszu 1 to teraz " + Num(r.words));
  return text;
}

// Removes the temporary files of slow.<n> left by writes that did not finish
// (the caller holds the folder's lock, so no write is under way). Returns
// the names removed, or a message on failure.
bool RemoveLeftovers(const fs::path& folder, int n, std::vector<std::string>& removed, std::string& failure) {
  for (const fs::path& leftover : {TemporaryPath(folder, n), fs::path(TemporaryPath(folder, n)) += ".tmp"}) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(leftover, ec))) continue;
    if (const std::error_code removeError = platform::RemoveFile(leftover)) {
      failure = "Nie można usunąć pozostałego pliku tymczasowego " + PathText(leftover) + ": " +
                DescribeFileError(removeError) + ". Nic nie zapisano.";
      return false;
    }
    removed.push_back(PathText(leftover.filename()));
  }
  return true;
}

// Appends text to the side file (made when missing). Returns an empty text or
// a Polish message.
std::string AddToSideFile(const fs::path& folder, const fs::path& side, std::string_view text,
                          const fs::path& file) {
  std::string content;
  bool missing = false;
  if (const std::string problem = ReadRegularFile(side, content, MaxListFileBytes, &missing);
      !problem.empty() && !missing)
    return "Nie można odczytać pliku " + PathText(side) + ": " + problem + ".";
  content += text;
  return WriteSideFile(folder, side, content, file);
}

}  // namespace

int RunRepair(const fs::path& file, const Options& options, std::ostream& out, std::ostream& err) {
  const int n = WordFileLength(PathText(file.filename()));
  if (n == 0) {
    err << "Plik " << PathText(file) << " nie jest plikiem listy słów (slow.2 … slow.22); polecenie repair "
        << "naprawia tylko takie pliki. Nic nie zapisano.\n";
    return kExitProblems;
  }
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");

  platform::FolderLock lock;
  if (const std::string failure = LockFolder(lock, folder, options.lockWait); !failure.empty()) {
    err << failure << '\n';
    return kExitProblems;
  }
  std::string data;
  bool missing = false;
  if (const std::string problem = ReadRegularFile(file, data, MaxListFileBytes, &missing); !problem.empty()) {
    err << "Nie można odczytać pliku " << PathText(file) << ": " << problem << ". Nic nie zapisano.";
    if (missing)
      err << " Brakujący plik utworzy polecenie: wypelniak-slownik merge ŹRÓDŁO " << ShellArg(folder);
    err << '\n';
    return kExitProblems;
  }

  const Repaired r = Repair(file, data);
  if (!r.refusal.empty()) {
    err << r.refusal << '\n';
    return kExitProblems;
  }
  std::vector<std::string> removed;
  std::string failure;
  if (!RemoveLeftovers(folder, n, removed, failure)) {
    err << failure << '\n';
    return kExitProblems;
  }
  for (const std::string& name : removed) out << "Usunięto pozostały plik tymczasowy " << name << ".\n";
  if (r.content == data) {
    out << "Plik " << PathText(file) << " jest w porządku (" << r.words << ' '
        << Plural(r.words, "wyraz", "wyrazy", "wyrazów") << "); nic w nim nie zmieniono.\n";
    return kExitOk;
  }

  // The set-aside lines are written first: should the file's replacement
  // fail, they are in both files, never in neither.
  const fs::path side = SideFilePath(folder, n);
  if (!r.setAside.empty()) {
    if (const std::string failure = AddToSideFile(folder, side, r.setAside, file); !failure.empty()) {
      err << failure << " Nic nie zmieniono w pliku " << PathText(file) << ".\n";
      return kExitProblems;
    }
  }
  std::vector<Replacement> files{{n, &data, [&r](std::string& content) { content = r.content; }}};
  if (const std::string replaceFailure = ReplaceFiles(folder, files, nullptr); !replaceFailure.empty()) {
    err << replaceFailure << '\n';
    return kExitProblems;
  }
  out << "Naprawiono plik " << PathText(file) << ": " << Changes(r) << ". Wyrazów: " << r.words << ".\n";
  if (!r.setAside.empty()) {
    std::string numbers;
    for (std::size_t line : r.setAsideLines) numbers += (numbers.empty() ? "" : ", ") + Num(line);
    out << "Wiersze " << numbers << " (przecinek, cudzysłów lub odstęp na początku) są teraz w pliku "
        << PathText(side) << " (UTF-8). Popraw je tam i dopisz poleceniem: wypelniak-slownik merge "
        << ShellArg(side) << ' ' << ShellArg(folder) << "\n";
  }
  return kExitOk;
}

}  // namespace wypelniak::slownik
