// use: puts the full list or the base-form list into slow/, the program's
// only word list, and the other one aside under its own name, by renaming
// the two folders under their locks. Nothing is copied; a refusal moves
// nothing.
#include <ostream>

#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;
using namespace detail;

namespace {

// One of the two lists: the name of the folder it waits in while not in
// use, what it is called, and the command that makes it.
struct ListKind {
  const char* name;    // on the command line
  const char* folder;  // beside slow/ while not in use
  const char* called;  // "lista pełna"
  const char* build;   // the command that makes it in that folder
};
constexpr ListKind kLists[] = {
    {"pelna", "slow-pelne", "lista pełna", "wypelniak-slownik build /usr/share/dict/polish"},
    {"podstawowa", "slow-podstawowe", "lista form podstawowych",
     "wypelniak-slownik build --hunspell /usr/share/hunspell/pl_PL.dic"},
};

enum class Entry { Missing, Folder, Other };

Entry Look(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (status.type() == fs::file_type::not_found) return Entry::Missing;
  return fs::is_directory(status) ? Entry::Folder : Entry::Other;  // a link is never followed
}

// The three folders a switch touches and what stands at each.
struct Folders {
  fs::path active, wanted, aside;  // slow/, the wanted list, where slow/ goes
  Entry activeIs = Entry::Missing, wantedIs = Entry::Missing, asideIs = Entry::Missing;

  void Look() {
    activeIs = slownik::Look(active);
    wantedIs = slownik::Look(wanted);
    asideIs = slownik::Look(aside);
  }
  bool operator==(const Folders&) const = default;
};

constexpr char kNothingMoved[] = " Nic nie przeniesiono.";

// Why the switch cannot be made, or an empty text. inUse is set when the
// wanted list is already slow/ (nothing to do, no error).
std::string Refusal(const Folders& f, const ListKind& wanted, const ListKind& other, bool& inUse) {
  inUse = false;
  const std::pair<const fs::path*, Entry> entries[] = {
      {&f.active, f.activeIs}, {&f.wanted, f.wantedIs}, {&f.aside, f.asideIs}};
  for (const auto& [path, is] : entries)
    if (is == Entry::Other)
      return PathText(*path) + " nie jest folderem (to plik albo dowiązanie); przełączam tylko foldery." +
             kNothingMoved;
  if (f.wantedIs == Entry::Missing && f.activeIs == Entry::Folder && f.asideIs == Entry::Folder) {
    inUse = true;
    return std::string("W użyciu jest już ") + wanted.called + ": folderu " + PathText(f.wanted) +
           " nie ma, a " + other.called + " leży w " + PathText(f.aside) + "." + kNothingMoved;
  }
  if (f.wantedIs == Entry::Missing)
    return std::string("Nie ma folderu ") + PathText(f.wanted) + ", w którym czeka " + wanted.called +
           ". Zbuduj ją poleceniem:\n    " + wanted.build + " " + ShellArg(f.wanted) +
           "\nNic nie przeniesiono.";
  if (f.activeIs == Entry::Folder && f.asideIs == Entry::Folder)
    return "Folder " + PathText(f.aside) + " już istnieje, więc obecna lista " + PathText(f.active) +
           " nie ma gdzie się podziać. Sprawdź, co jest w " + PathText(f.aside) +
           ", i usuń go albo zmień jego nazwę." + kNothingMoved;
  return {};
}

// Renames slow/ aside and the wanted list into slow/; puts slow/ back when
// the second step fails. Returns an empty text or a Polish message.
std::string Swap(const Folders& f) {
  std::error_code ec;
  if (f.activeIs == Entry::Folder) {
    fs::rename(f.active, f.aside, ec);
    if (ec)
      return "Nie można przenieść " + PathText(f.active) + " do " + PathText(f.aside) + ": " +
             DescribeFileError(ec) + "." + kNothingMoved;
  }
  fs::rename(f.wanted, f.active, ec);
  if (!ec) return {};
  std::string message = "Nie można przenieść " + PathText(f.wanted) + " do " + PathText(f.active) + ": " +
                        DescribeFileError(ec) + ".";
  if (f.activeIs != Entry::Folder) return message + kNothingMoved;
  std::error_code back;
  fs::rename(f.aside, f.active, back);
  if (!back) return message + kNothingMoved;
  return message + " Obecna lista została w " + PathText(f.aside) + "; przywróć ją:\n    mv " +
         ShellArg(f.aside) + " " + ShellArg(f.active);
}

// Takes the locks of the folders that are there. Returns an empty text or a
// Polish message.
std::string LockBoth(platform::FolderLock& activeLock, platform::FolderLock& wantedLock, const Folders& f,
                     std::chrono::milliseconds wait) {
  std::string problem;
  if (f.activeIs == Entry::Folder) problem = detail::LockFolder(activeLock, f.active, wait);
  if (problem.empty()) problem = detail::LockFolder(wantedLock, f.wanted, wait);
  if (const auto at = problem.find(" Nic nie zapisano."); at != std::string::npos)
    problem.replace(at, std::string::npos, kNothingMoved);
  return problem;
}

}  // namespace

int RunUse(const std::string& which, const fs::path& programFolder, const Options& options, std::ostream& out,
           std::ostream& err) {
  const ListKind* wanted = nullptr;
  const ListKind* other = nullptr;
  for (const ListKind& kind : kLists) (kind.name == which ? wanted : other) = &kind;
  if (wanted == nullptr) {
    err << "Nieznana lista: " << which << " (dostępne: pelna, podstawowa).\n";
    return kExitUsage;
  }
  Folders f;
  f.active = DictionaryFolder(programFolder);
  f.wanted = programFolder / wanted->folder;
  f.aside = programFolder / other->folder;
  f.Look();
  bool inUse = false;
  if (std::string refusal = Refusal(f, *wanted, *other, inUse); !refusal.empty()) {
    (inUse ? out : err) << refusal << '\n';
    return inUse ? kExitOk : kExitProblems;
  }

  // Under the locks of both lists: no addition or other command writes to
  // either while they move. What was seen must still stand.
  platform::FolderLock activeLock, wantedLock;
  if (const std::string problem = LockBoth(activeLock, wantedLock, f, options.lockWait); !problem.empty()) {
    err << problem << '\n';
    return kExitProblems;
  }
  const Folders seen = f;
  f.Look();
  if (!(f == seen)) {
    err << "Foldery listy zmieniły się w trakcie polecenia; powtórz je." << kNothingMoved << '\n';
    return kExitProblems;
  }
  if (const std::string problem = Swap(f); !problem.empty()) {
    err << problem << '\n';
    return kExitProblems;
  }
  platform::SyncFolder(programFolder);
  out << "W użyciu jest teraz " << wanted->called << ": " << PathText(f.wanted) << " → "
      << PathText(f.active);
  if (f.activeIs == Entry::Folder)
    out << ", a dotychczasowa lista " << PathText(f.active) << " → " << PathText(f.aside);
  out << ".\n";
  return kExitOk;
}

}  // namespace wypelniak::slownik
