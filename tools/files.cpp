// The tool's file steps, all through the core's platform layer: reading only
// regular files, the folder's lock, and replacing word-list files so that a
// failure at any step leaves the old files as they were.
#include <algorithm>

#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik::detail {
namespace fs = std::filesystem;

std::string ReadRegularFile(const fs::path& path, std::string& out, std::uintmax_t maxBytes, bool* missing) {
  out.clear();
  if (missing != nullptr) *missing = false;
  // The type is looked at before opening: opening a FIFO would wait for a
  // writer that may never come.
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) {
    if (missing != nullptr) *missing = true;
    return DescribeFileError(std::make_error_code(std::errc::no_such_file_or_directory));
  }
  if (ec) return DescribeFileError(ec);
  if (fs::is_directory(status)) return DescribeFileError(std::make_error_code(std::errc::is_a_directory));
  if (!fs::is_regular_file(status)) return "to nie jest zwykły plik, lecz potok, gniazdo lub urządzenie";
  const auto tooLarge = [&] {
    return "plik jest za duży: narzędzie czyta pliki w całości do pamięci, do " +
           Num(static_cast<std::size_t>(maxBytes >> 20)) + " MiB";
  };
  if (const std::uintmax_t size = fs::file_size(path, ec); !ec && size > maxBytes) return tooLarge();

  platform::ReadOnlyFile file;
  if (const std::error_code open = file.Open(path)) return DescribeFileError(open);
  if (const std::error_code read = file.ReadAll(out)) return DescribeFileError(read);
  if (out.size() > maxBytes) {  // it grew since it was measured
    out.clear();
    return tooLarge();
  }
  return {};
}

std::string LockFolder(platform::FolderLock& lock, const fs::path& folder, std::chrono::milliseconds wait) {
  const std::error_code ec = lock.Acquire(LockFilePath(folder), wait);
  if (!ec) return {};
  if (ec == std::errc::device_or_resource_busy)
    return "Lista słów w folderze " + PathText(folder) +
           " jest właśnie zmieniana (dodawany jest wyraz albo działa inne polecenie wypelniak-slownik). "
           "Powtórz polecenie, gdy tamto się skończy. Nic nie zapisano.";
  return "Nie można zablokować listy słów w folderze " + PathText(folder) + " (plik " +
         PathText(LockFilePath(folder).filename()) + "): " + DescribeFileError(ec) + ". Nic nie zapisano.";
}

std::string ReadWordFiles(const fs::path& folder, std::vector<std::optional<std::string>>& old) {
  old.assign(MaxWordLength + 1, std::nullopt);
  std::string content;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    bool missing = false;
    const fs::path path = WordFilePath(folder, n);
    if (const std::string problem = ReadRegularFile(path, content, MaxListFileBytes, &missing);
        !problem.empty()) {
      if (missing) continue;
      return "Nie można odczytać pliku " + PathText(path) + ": " + problem + ". Nic nie zapisano.";
    }
    old[static_cast<std::size_t>(n)] = std::move(content);
  }
  return {};
}

namespace {

// Why a file could not be replaced, said of the tool's own work: the core's
// words for a file changed meanwhile speak of adding a word.
std::string DescribeReplaceError(const std::error_code& ec) {
  if (ec == platform::FileRefusal::Changed)
    return "plik zmienił się, odkąd narzędzie go odczytało (zmienia go jednocześnie inny program); powtórz "
           "polecenie";
  return DescribeFileError(ec);
}

// Removes the temporary files of files[from, to).
void RemoveTemporaries(const fs::path& folder, const std::vector<Replacement>& files, std::size_t from,
                       std::size_t to) {
  for (std::size_t i = from; i < to; ++i) platform::RemoveFile(TemporaryPath(folder, files[i].n));
}

// Writes content whole to a new temporary file for slow.<n>, with the owner
// and permissions in modeFrom when given; written is what was written. A
// leftover of that name (a link among them) is removed first, itself and
// never what it points to.
std::error_code WriteTemporary(const fs::path& folder, int n, std::string_view content,
                               const platform::FileIdentity* modeFrom, platform::FileIdentity& written) {
  const fs::path temporary = TemporaryPath(folder, n);
  if (const std::error_code ec = platform::RemoveFile(temporary)) return ec;
  return platform::WriteFileDurably(temporary, content, modeFrom, &written);
}

// Which file stands at slow.<n> now, opened without following links: the
// file that will be replaced. Its content must still be old (what the
// caller read and built from), or another program has changed it; a file
// that was not there must still not be there. replaced is all zero then.
std::error_code OpenReplaced(const fs::path& path, const std::string* old, platform::FileIdentity& replaced) {
  replaced = {};
  if (old == nullptr) return platform::IdentityAt(path, replaced);
  platform::ReadOnlyFile file;
  std::string now;
  if (std::error_code ec = file.Open(path, platform::Links::Refuse)) return ec;
  if (std::error_code ec = file.Identity(replaced)) return ec;
  if (std::error_code ec = file.ReadAll(now)) return ec;
  if (now != *old) return platform::FileRefusal::Changed;
  return {};
}

// Puts the old content of files[0, count) back: the old file where there was
// one, no file where there was none. Returns whether all of it went well.
bool PutBack(const fs::path& folder, const std::vector<Replacement>& files,
             const std::vector<platform::FileIdentity>& replaced, std::size_t count) {
  bool ok = true;
  for (std::size_t i = 0; i < count; ++i) {
    const Replacement& f = files[i];
    platform::FileIdentity written;
    if (f.old) {
      ok =
          !WriteTemporary(folder, f.n, *f.old, &replaced[i], written) &&
          !platform::RenameChecked(TemporaryPath(folder, f.n), written, WordFilePath(folder, f.n), nullptr) &&
          ok;
      platform::RemoveFile(TemporaryPath(folder, f.n));
    } else {
      ok = !platform::RemoveFile(WordFilePath(folder, f.n)) && ok;
    }
  }
  return !platform::SyncFolder(folder) && ok;
}

// The end of a failure's message: whether the old files are back.
std::string OutcomeText(const fs::path& folder, bool putBack) {
  if (putBack) return " Pliki listy słów zostały bez zmian.";
  return " Nie udało się przywrócić wszystkich poprzednich plików; sprawdź je poleceniem: "
         "wypelniak-slownik check " +
         ShellArg(folder);
}

// Refuses a word-list file that is a symbolic link: replacing it would put a
// plain file in the link's place, and writing through it would write outside
// the folder.
std::string RefuseLinks(const fs::path& folder, const std::vector<Replacement>& files) {
  for (const Replacement& f : files) {
    std::error_code ec;
    const fs::path target = WordFilePath(folder, f.n);
    if (fs::is_symlink(fs::symlink_status(target, ec)))
      return "Plik " + PathText(target) +
             " jest dowiązaniem symbolicznym, a narzędzie zastępuje tylko zwykłe pliki w folderze listy "
             "słów. "
             "Zastąp dowiązanie kopią pliku i powtórz polecenie. Nic nie zapisano.";
  }
  return {};
}

}  // namespace

std::string ReplaceFiles(const fs::path& folder, std::vector<Replacement>& files, Progress* progress) {
  if (std::string refusal = RefuseLinks(folder, files); !refusal.empty()) return refusal;
  // Each file is opened as it stands (never through a link swapped in since
  // the check above), and its owner and permissions go to its new file.
  std::vector<platform::FileIdentity> replaced(files.size()), written(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path target = WordFilePath(folder, files[i].n);
    if (const std::error_code ec = OpenReplaced(target, files[i].old, replaced[i]))
      return "Nie można zastąpić pliku " + PathText(target) + ": " + DescribeReplaceError(ec) +
             ". Nic nie zapisano.";
  }

  std::string content;
  std::size_t largest = 0;
  for (const Replacement& f : files) largest = std::max(largest, f.sizeHint);
  content.reserve(largest);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (progress != nullptr)
      progress->Update("Zapisywanie plików", static_cast<double>(i) / static_cast<double>(files.size()));
    content.clear();
    files[i].makeContent(content);
    const platform::FileIdentity* modeFrom = files[i].old ? &replaced[i] : nullptr;
    if (const std::error_code ec = WriteTemporary(folder, files[i].n, content, modeFrom, written[i])) {
      RemoveTemporaries(folder, files, 0, i + 1);
      return "Nie można zapisać pliku " + PathText(TemporaryPath(folder, files[i].n)) + ": " +
             DescribeFileError(ec) + "." + OutcomeText(folder, true);
    }
  }

  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path target = WordFilePath(folder, files[i].n);
    // What is moved must be the file just written, and what it replaces the
    // file read (or nothing, where there was none).
    if (const std::error_code ec =
            platform::RenameChecked(TemporaryPath(folder, files[i].n), written[i], target, &replaced[i])) {
      RemoveTemporaries(folder, files, i, files.size());
      return "Nie można zastąpić pliku " + PathText(target) + ": " + DescribeReplaceError(ec) + "." +
             OutcomeText(folder,
                         PutBack(folder, files, replaced, i) && ec != platform::FileRefusal::SwappedInPlace);
    }
  }

  if (const std::error_code ec = platform::SyncFolder(folder)) {
    // The new files are in place but may not survive a crash: put the old
    // ones back, so that what the user is told is what the disk holds.
    return "Nie udało się potwierdzić zapisu w folderze " + PathText(folder) + ": " + DescribeFileError(ec) +
           "." + OutcomeText(folder, PutBack(folder, files, replaced, files.size()));
  }
  return {};
}

std::string WriteSideFile(const fs::path& folder, const fs::path& path, std::string_view content,
                          const fs::path& modeFrom) {
  fs::path temporary = path;
  temporary.replace_filename(fs::path("~").native() + path.filename().native());
  // The side file takes the list's permissions, and replaces only what stood
  // at its name when it was looked at (nothing, or an earlier side file).
  platform::FileIdentity list, replaced, written;
  std::error_code ec = platform::IdentityAt(modeFrom, list);
  if (!ec) ec = platform::IdentityAt(path, replaced);
  if (!ec) ec = platform::RemoveFile(temporary);
  if (!ec) ec = platform::WriteFileDurably(temporary, content, list.inode != 0 ? &list : nullptr, &written);
  if (!ec) ec = platform::RenameChecked(temporary, written, path, &replaced);
  if (!ec) ec = platform::SyncFolder(folder);
  if (!ec) return {};
  platform::RemoveFile(temporary);
  return "Nie można zapisać pliku " + PathText(path) + ": " + DescribeFileError(ec) + ".";
}

}  // namespace wypelniak::slownik::detail
