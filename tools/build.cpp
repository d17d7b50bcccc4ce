// The build command: a new word list from a UTF-8 source.
#include <algorithm>
#include <cstring>

#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;
using namespace detail;

namespace {

// Does folder hold any word-list file (a link or anything else of that name)?
bool HoldsWordList(const fs::path& folder) {
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(WordFilePath(folder, n), ec))) return true;
  }
  return false;
}

std::string ExistingListRefusal(const fs::path& source, const fs::path& folder, const Options& options) {
  std::string text = "W folderze " + PathText(folder) +
                     " jest już lista słów; polecenie build jej nie zastępuje, bo przepadłyby wyrazy dodane do "
                     "niej później. Nic nie zapisano.\n";
  std::string build = "wypelniak-slownik build --overwrite ";
  if (options.fromHunspell) {
    // merge reads a UTF-8 list only; the dictionary's words are had by building anew.
    build += "--hunspell ";
    if (options.hunspell.dropProperNames) build += "--no-proper-names ";
    if (options.hunspell.dropAbbreviations) build += "--no-abbreviations ";
  } else {
    text += "Aby dopisać wyrazy ze źródła do tej listy, zachowując jej wyrazy: wypelniak-slownik merge " +
            ShellArg(source) + ' ' + ShellArg(folder) + "\n";
  }
  return text + "Aby zastąpić listę nową (wyrazy spoza źródła przepadną): " + build + ShellArg(source) + ' ' +
         ShellArg(folder);
}

// Makes folder and the folders above it that are missing. made receives
// those it made, innermost first. Returns an empty text or a message.
std::string MakeFolder(const fs::path& folder, std::vector<fs::path>& made) {
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  if (fs::exists(status) && !fs::is_directory(status))
    return "Nie można zapisać listy słów: " + PathText(folder) + " to plik, a nie folder.";
  if (fs::exists(status)) return {};
  for (fs::path p = folder; !p.empty(); p = p.parent_path()) {
    const fs::file_status st = fs::status(p, ec);
    if (!fs::status_known(st) || fs::exists(st)) break;  // unknown: leave it alone
    made.push_back(p);
    if (p == p.parent_path()) break;
  }
  fs::create_directories(folder, ec);
  if (!ec) return {};
  for (const fs::path& p : made) fs::remove(p, ec);  // only empty folders go
  return "Nie można utworzyć folderu " + PathText(folder) + ": " + DescribeFileError(ec) + ".";
}

// Removes the folders a failed build made (with the lock file it left in the
// innermost one); a folder that holds anything else stays.
void RemoveMadeFolders(const std::vector<fs::path>& made) {
  if (made.empty()) return;
  platform::RemoveFile(LockFilePath(made.front()));
  std::error_code ec;
  for (const fs::path& p : made) fs::remove(p, ec);
}

// The content of slow.<n>: the count, then one word a line, every line
// ended by CR LF.
void FileContent(const WordSet& set, int n, std::string& content) {
  const std::size_t count = set.Count(n);
  const std::string head = std::to_string(count) + "\r\n";
  const auto length = static_cast<std::size_t>(n);
  // Sized once and filled through a pointer: appending word by word costs
  // more than the copying itself.
  content.resize(head.size() + count * (length + 2));
  char* p = content.data();
  std::memcpy(p, head.data(), head.size());
  p += head.size();
  for (std::size_t i = 0; i < count; ++i) {
    std::memcpy(p, set.Word(n, i).data(), length);
    p[length] = '\r';
    p[length + 1] = '\n';
    p += length + 2;
  }
}

// How many word lines of an old file the new list lacks: every line after
// the first that is not one of the new words of length n. A list rebuilt
// from the same source holds the same words in the same order, so each line
// is first compared with the new word that follows the last one found in
// step; only a line that is not found so is looked up in a table.
std::size_t LostWords(const WordSet& set, int n, std::string_view old, WordTable& table) {
  const auto length = static_cast<std::size_t>(n);
  const std::size_t count = set.Count(n);
  bool tableMade = false;
  const auto lookUp = [&](std::string_view w) {
    if (!tableMade) {
      table.Reset(count, set.bytes.data(), length);
      const auto& offsets = set.offsets[length];
      for (std::size_t i = 0; i < count; ++i) table.Insert(HashWord(set.Word(n, i)), offsets[i]);
      tableMade = true;
    }
    return table.Contains(HashWord(w), w.data());
  };
  const std::vector<std::string_view> lines = SplitLines(old);
  std::size_t lost = 0, inStep = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view w = lines[i];
    if (w.empty()) continue;
    if (inStep < count && set.Word(n, inStep) == w)
      ++inStep;
    else if (w.size() != length || !lookUp(w))
      ++lost;
  }
  return lost;
}

void ReportKept(std::ostream& out, const fs::path& folder, const BuildStats& st) {
  const std::size_t total = st.TotalKept();
  out << "Zapisano " << Num(total) << ' ' << Plural(total, "wyraz", "wyrazy", "wyrazów") << " w folderze "
      << PathText(folder) << ":\n";
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const std::size_t k = st.kept[static_cast<std::size_t>(n)];
    out << "  " << PadRight(WordFileName(n), 8) << PadLeft(Num(k), 9) << ' '
        << Plural(k, "wyraz", "wyrazy", "wyrazów") << '\n';
  }
}

// Says, per replaced file, how many of its words the new list lacks.
void ReportLost(std::ostream& out, const WordSet& set, const std::vector<std::optional<std::string>>& old) {
  if (std::none_of(old.begin(), old.end(), [](const auto& o) { return o.has_value(); })) return;
  WordTable table;
  std::size_t total = 0;
  std::string lines;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const auto& content = old[static_cast<std::size_t>(n)];
    if (!content) continue;
    const std::size_t lost = LostWords(set, n, *content, table);
    total += lost;
    lines += "  " + PadRight(WordFileName(n), 8) + PadLeft(Num(lost), 9) + ' ' +
             Plural(lost, "wyraz", "wyrazy", "wyrazów") + '\n';
  }
  out << "Poprzednia lista została zastąpiona; przepadło " << Num(total) << ' '
      << Plural(total, "wyraz", "wyrazy", "wyrazów") << ", których nie ma w źródle:\n"
      << lines;
}

}  // namespace

int RunBuild(const fs::path& source, const fs::path& folder, const Options& options, std::ostream& out,
             std::ostream& err) {
  if (!options.overwrite && HoldsWordList(folder)) {
    err << ExistingListRefusal(source, folder, options) << '\n';
    return kExitProblems;
  }
  Progress progress(err, options.showProgress);
  WordSet set;
  if (!ReadSource(source, set, out, err, progress, options.fromHunspell ? &options.hunspell : nullptr))
    return kExitProblems;

  std::vector<fs::path> made;
  if (const std::string problem = MakeFolder(folder, made); !problem.empty()) {
    err << problem << '\n';
    return kExitProblems;
  }
  std::string failure;
  std::vector<std::optional<std::string>> old;
  {
    platform::FolderLock lock;
    failure = LockFolder(lock, folder, options.lockWait);
    // Read under the lock: a word another copy has just added counts.
    if (failure.empty()) failure = ReadWordFiles(folder, old);
    if (failure.empty() && !options.overwrite &&
        std::any_of(old.begin(), old.end(), [](const auto& o) { return o.has_value(); }))
      failure = ExistingListRefusal(source, folder, options);
    if (failure.empty()) {
      std::vector<Replacement> files;
      for (int n = MinWordLength; n <= MaxWordLength; ++n)
        files.push_back({n, old[static_cast<std::size_t>(n)] ? &*old[static_cast<std::size_t>(n)] : nullptr,
                         [&set, n](std::string& content) { FileContent(set, n, content); },
                         12 + set.Count(n) * (static_cast<std::size_t>(n) + 2)});
      failure = ReplaceFiles(folder, files, &progress);
    }
  }
  progress.Finish();
  if (!failure.empty()) {
    RemoveMadeFolders(made);
    err << failure << '\n';
    return kExitProblems;
  }
  ReportRead(out, source, set.stats);
  ReportKept(out, folder, set.stats);
  ReportDropped(out, set.stats);
  if (options.overwrite) ReportLost(out, set, old);
  return kExitOk;
}

}  // namespace wypelniak::slownik
