// The merge command: the words of a UTF-8 source that a word-list folder
// lacks are appended to its files; every word already there stays, in its
// place.
#include "cp1250.h"
#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;
using namespace detail;

namespace {

// Why an existing file cannot take words as it is, or an empty text. Such a
// file is put right by "repair" first: merging into it would keep what the
// search misreads.
std::string MergeRefusal(const fs::path& path, std::string_view old) {
  if (LooksLikeUtf8(old)) return WrongEncodingMessage(path);
  if (const CountLine line = ReadCountLine(old); line.error != CountError::None)
    return CountLineMessage(path, line);
  for (std::size_t i = 0; i < old.size(); ++i) {
    const bool loneCr = old[i] == '\r' && (i + 1 == old.size() || old[i + 1] != '\n');
    const bool loneLf = old[i] == '\n' && (i == 0 || old[i - 1] != '\r');
    if (loneCr || loneLf) return DamagedFileMessage(path, "nie każdy wiersz kończy się parą znaków CR LF");
  }
  // The search would read the words appended after such a line beyond its count.
  const std::vector<std::string_view> lines = SplitLines(old);
  for (std::size_t i = 1; i < lines.size(); ++i)
    if (const Misread misread = FindMisread(lines[i]); misread.kind != Misreading::None)
      return MisreadLineMessage(path, i + 1, lines[i], misread);
  return {};
}

// One file's merge: the old word lines as they are, then the new words.
struct Merged {
  int n = 0;
  const std::string* old = nullptr;
  std::vector<std::string_view> oldWords;
  std::vector<std::string_view> added;
};

// Finds the words of length n in set (in lower case) that the old file lacks,
// its words compared in lower case too: "Gęślątko" there is "gęślątko". A
// source the list was built from holds its words in the same order, so each
// word is first compared with the old word that follows the last one found
// in step; only a word that is not found so is looked up in a table.
Merged MergeFile(const WordSet& set, int n, const std::string* old, WordTable& table) {
  Merged m;
  m.n = n;
  m.old = old;
  const std::string lower = old != nullptr ? Cp1250ToLower(*old) : std::string();
  if (old != nullptr) {
    const std::vector<std::string_view> lines = SplitLines(*old);
    m.oldWords.assign(lines.begin() + (lines.empty() ? 0 : 1), lines.end());
  }
  // An old word in lower case: the same bytes of lower.
  const auto lowerOf = [&](std::string_view o) {
    return std::string_view(lower).substr(o.data() - old->data(), o.size());
  };
  const auto length = static_cast<std::size_t>(n);
  bool tableMade = false;
  const auto lookUp = [&](std::string_view w) {
    if (!tableMade) {
      table.Reset(m.oldWords.size(), lower.data(), length);
      for (std::string_view o : m.oldWords)
        if (o.size() == length)
          table.Insert(HashWord(lowerOf(o)), static_cast<std::uint32_t>(o.data() - old->data()));
      tableMade = true;
    }
    return table.Contains(HashWord(w), w.data());
  };
  std::size_t inStep = 0;
  for (std::size_t i = 0; i < set.Count(n); ++i) {
    const std::string_view w = set.Word(n, i);
    if (inStep < m.oldWords.size() && lowerOf(m.oldWords[inStep]) == w)
      ++inStep;
    else if (!lookUp(w))
      m.added.push_back(w);
  }
  return m;
}

void MergedContent(const Merged& m, std::string& content) {
  content += Num(m.oldWords.size() + m.added.size());
  content += "\r\n";
  for (const auto* words : {&m.oldWords, &m.added}) {
    for (std::string_view w : *words) {
      content += w;
      content += "\r\n";
    }
  }
}

void ReportAdded(std::ostream& out, const fs::path& folder, const std::vector<Merged>& merged) {
  std::size_t total = 0;
  for (const Merged& m : merged) total += m.added.size();
  out << "Dopisano " << Num(total) << ' ' << Plural(total, "wyraz", "wyrazy", "wyrazów") << " w folderze "
      << PathText(folder) << ":\n";
  for (const Merged& m : merged) {
    const std::size_t all = m.oldWords.size() + m.added.size();
    out << "  " << PadRight(WordFileName(m.n), 8) << PadLeft(Num(m.added.size()), 9) << ' '
        << Plural(m.added.size(), "nowy", "nowe", "nowych") << " (razem " << Num(all) << ')'
        << (m.old == nullptr ? ", plik utworzony" : "") << '\n';
  }
}

}  // namespace

int RunMerge(const fs::path& source, const fs::path& folder, const Options& options, std::ostream& out,
             std::ostream& err) {
  std::error_code ec;
  if (!fs::is_directory(fs::status(folder, ec))) {
    err << "Folder " << PathText(folder) << " nie istnieje lub nie jest folderem. Nową listę słów utworzy "
        << "polecenie: wypelniak-slownik build " << ShellArg(source) << ' ' << ShellArg(folder) << '\n';
    return kExitProblems;
  }
  Progress progress(err, options.showProgress);
  WordSet set;
  if (!ReadSource(source, set, out, err, progress)) return kExitProblems;

  platform::FolderLock lock;
  std::vector<std::optional<std::string>> old;
  std::string failure = LockFolder(lock, folder, options.lockWait);
  // Read under the lock: a word another copy has just added stays.
  if (failure.empty()) failure = ReadWordFiles(folder, old);
  if (!failure.empty()) {
    err << failure << '\n';
    return kExitProblems;
  }
  bool refused = false;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const auto& content = old[static_cast<std::size_t>(n)];
    if (const std::string why = content ? MergeRefusal(WordFilePath(folder, n), *content) : std::string();
        !why.empty()) {
      err << why << '\n';
      refused = true;
    }
  }
  if (refused) {
    err << "Nic nie zapisano.\n";
    return kExitProblems;
  }

  std::vector<Merged> merged;
  std::vector<Replacement> files;
  WordTable table;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    const auto& content = old[static_cast<std::size_t>(n)];
    merged.push_back(MergeFile(set, n, content ? &*content : nullptr, table));
  }
  for (const Merged& m : merged)
    if (m.old == nullptr || !m.added.empty())
      files.push_back({m.n, m.old, [&m](std::string& content) { MergedContent(m, content); }});
  failure = ReplaceFiles(folder, files, &progress);
  progress.Finish();
  if (!failure.empty()) {
    err << failure << '\n';
    return kExitProblems;
  }
  ReportRead(out, source, set.stats);
  ReportAdded(out, folder, merged);
  ReportDropped(out, set.stats);
  return kExitOk;
}

}  // namespace wypelniak::slownik
