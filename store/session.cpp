#include "session.h"

#include <algorithm>
#include <charconv>
#include <chrono>

#include <nlohmann/json.hpp>

#include "cp1250.h"
#include "gridfile.h"
#include "ipuz.h"
#include "wordlist.h"

namespace wypelniak {
namespace {

namespace fs = std::filesystem;

// A lock held by the word-list tool for a long change is waited for no
// longer than this: the window waits meanwhile.
constexpr std::chrono::milliseconds kLockWait{2000};
constexpr const char* kOriginalKey = "wypelniak:plik";

constexpr std::string_view kPreferKey = "wyrazy-z-haslami";
constexpr std::string_view kScoreFileKey = "plik-ocen";
constexpr std::string_view kMinScoreKey = "najnizsza-ocena";
constexpr std::string_view kRecentKey = "ostatni";

SessionResult Failed(SessionError error, const fs::path& path, std::error_code system = {}) {
  SessionResult result;
  result.error = error;
  result.path = path;
  result.system = system;
  return result;
}

// Whether text is UTF-8 throughout (a real U+FFFD is three bytes; an
// invalid byte reads as one of one byte).
bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  char32_t c = 0;
  while (true) {
    const std::size_t at = pos;
    if (!NextUtf8Char(text, pos, c)) return true;
    if (c == 0xFFFD && pos - at != 3) return false;
  }
}

bool HoldsLineEnd(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// Reads a whole regular file of at most limit bytes; missing is set (and no
// error given) when nothing stands at path.
SessionResult ReadSmallFile(const fs::path& path, std::uint64_t limit, std::string& out, bool& missing) {
  missing = false;
  platform::ReadOnlyFile file;
  if (const std::error_code ec = file.Open(path)) {
    missing = ec == std::errc::no_such_file_or_directory;
    return missing ? SessionResult{} : Failed(SessionError::Read, path, ec);
  }
  if (file.Size() > limit) {
    SessionResult result = Failed(SessionError::Damaged, path);
    result.text = "plik jest za duży (" + std::to_string(file.Size() / 1024) + " KiB)";
    return result;
  }
  if (const std::error_code ec = file.ReadAll(out)) return Failed(SessionError::Read, path, ec);
  return {};
}

// Writes content in place of path under the word-list lock of folder.
SessionResult WriteLocked(const fs::path& folder, const fs::path& path, std::string_view content) {
  platform::FolderLock lock;
  if (const std::error_code ec = lock.Acquire(folder / LockPath(fs::path()).filename(), kLockWait))
    return Failed(SessionError::Lock, path, ec);
  fs::path temp = path;
  temp.replace_filename(fs::path("~").native() + path.filename().native());
  // The new file replaces only what stood at its name when looked at.
  platform::FileIdentity replaced, written;
  std::error_code ec = platform::IdentityAt(path, replaced);
  if (!ec) ec = platform::RemoveFile(temp);
  if (!ec) ec = platform::WriteFileDurably(temp, content, nullptr, &written);
  if (!ec) ec = platform::RenameChecked(temp, written, path, &replaced);
  if (!ec) ec = platform::SyncFolder(folder);
  if (!ec) return {};
  platform::RemoveFile(temp);
  return Failed(SessionError::Write, path, ec);
}

bool ParseBool(std::string_view value, bool& out) {
  if (value == "tak") return out = true, true;
  if (value == "nie") return out = false, true;
  return false;
}

bool ParseScore(std::string_view value, int& out) {
  int n = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec != std::errc() || end != value.data() + value.size() || n < 0 || n > kMaxMinScore) return false;
  out = n;
  return true;
}

// Takes one "key=value" line into settings; false when it is damaged.
bool TakeLine(std::string_view key, std::string_view value, SessionSettings& settings, std::string& why) {
  if (key == kPreferKey) {
    if (ParseBool(value, settings.preferClueable)) return true;
    why = "wartość „" + std::string(value) + "” zamiast „tak” albo „nie”";
    return false;
  }
  if (key == kMinScoreKey) {
    if (ParseScore(value, settings.minScore)) return true;
    why = "wartość „" + std::string(value) + "” zamiast liczby od 0 do " + std::to_string(kMaxMinScore);
    return false;
  }
  if (key == kScoreFileKey) settings.scoreFile = std::string(value);
  if (key == kRecentKey && !value.empty() && settings.recentFiles.size() < kMaxRecentFiles &&
      std::find(settings.recentFiles.begin(), settings.recentFiles.end(), value) ==
          settings.recentFiles.end())
    settings.recentFiles.emplace_back(value);
  return true;
}

std::string RecoveryText(const Puzzle& puzzle, const std::string& originalPath) {
  std::string text = IpuzText(puzzle);
  const std::string quoted =
      nlohmann::json(originalPath).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  // IpuzText opens with "{\n"; the key goes first, before its other keys.
  text.insert(2, "  \"" + std::string(kOriginalKey) + "\": " + quoted + ",\n");
  return text;
}

// The original path a recovery copy names; false when its JSON holds none.
bool OriginalPathOf(std::string_view text, std::string& path) {
  try {
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object()) return false;
    const auto it = doc.find(kOriginalKey);
    if (it == doc.end() || !it->is_string()) return false;
    path = it->get<std::string>();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

void SessionSettings::AddRecent(const std::string& path) {
  DropRecent(path);
  recentFiles.insert(recentFiles.begin(), path);
  if (recentFiles.size() > kMaxRecentFiles) recentFiles.resize(kMaxRecentFiles);
}

void SessionSettings::DropRecent(const std::string& path) {
  std::erase(recentFiles, path);
}

fs::path SettingsPath(const fs::path& folder) {
  return folder / "diagram-ustawienia.txt";
}

fs::path RecoveryPath(const fs::path& folder) {
  return folder / "diagram-kopia.ipuz";
}

fs::path PathFromText(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string SessionSettingsText(const SessionSettings& s) {
  std::string out = "# Wypełniak – ustawienia okna diagramu\n";
  out += std::string(kPreferKey) + "=" + (s.preferClueable ? "tak" : "nie") + "\n";
  if (!HoldsLineEnd(s.scoreFile)) out += std::string(kScoreFileKey) + "=" + s.scoreFile + "\n";
  out += std::string(kMinScoreKey) + "=" + std::to_string(std::clamp(s.minScore, 0, kMaxMinScore)) + "\n";
  for (const std::string& recent : s.recentFiles)
    if (!HoldsLineEnd(recent)) out += std::string(kRecentKey) + "=" + recent + "\n";
  return out;
}

SessionSettings ParseSessionSettings(std::string_view text, SessionResult& result) {
  result = {};
  SessionSettings settings;
  const auto damaged = [&](int line, std::string why) {
    result.error = SessionError::Damaged;
    result.line = line;
    result.text = std::move(why);
    return SessionSettings{};
  };
  if (!IsValidUtf8(text)) return damaged(0, "plik nie jest tekstem UTF-8");
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return damaged(number, "wiersz bez znaku „=”");
    std::string why;
    if (!TakeLine(line.substr(0, eq), line.substr(eq + 1), settings, why)) return damaged(number, why);
  }
  return settings;
}

SessionSettings ReadSessionSettings(const fs::path& folder, SessionResult* result) {
  SessionResult local;
  SessionResult& r = result != nullptr ? *result : local;
  const fs::path path = SettingsPath(folder);
  std::string text;
  bool missing = false;
  r = ReadSmallFile(path, kMaxSettingsBytes, text, missing);
  if (r.error != SessionError::None || missing) return {};
  SessionSettings settings = ParseSessionSettings(text, r);
  r.path = path;
  return settings;
}

SessionResult WriteSessionSettings(const fs::path& folder, const SessionSettings& settings) {
  return WriteLocked(folder, SettingsPath(folder), SessionSettingsText(settings));
}

SessionResult WriteRecoveryCopy(const fs::path& folder, const Puzzle& puzzle,
                                const std::string& originalPath) {
  return WriteLocked(folder, RecoveryPath(folder), RecoveryText(puzzle, originalPath));
}

std::optional<RecoveryCopy> ReadRecoveryCopy(const fs::path& folder, SessionResult* result) {
  SessionResult local;
  SessionResult& r = result != nullptr ? *result : local;
  const fs::path path = RecoveryPath(folder);
  std::string text;
  bool missing = false;
  r = ReadSmallFile(path, kMaxGridFileBytes, text, missing);
  if (r.error != SessionError::None || missing) return std::nullopt;
  GridFileResult grid = ParseGridFile(text, true);
  RecoveryCopy copy;
  if (grid.error != GridFileError::None) {
    r = Failed(SessionError::Damaged, path);
    r.text = DescribeIpuzError(grid.ipuz);
    return std::nullopt;
  }
  if (!OriginalPathOf(text, copy.originalPath)) {
    r = Failed(SessionError::Damaged, path);
    r.text = "brak klucza „" + std::string(kOriginalKey) + "” z nazwą pliku diagramu";
    return std::nullopt;
  }
  copy.puzzle = std::move(grid.puzzle);
  return copy;
}

SessionResult DropRecoveryCopy(const fs::path& folder) {
  const fs::path path = RecoveryPath(folder);
  platform::FolderLock lock;
  if (const std::error_code ec = lock.Acquire(folder / LockPath(fs::path()).filename(), kLockWait))
    return Failed(SessionError::Lock, path, ec);
  if (const std::error_code ec = platform::RemoveFile(path)) return Failed(SessionError::Write, path, ec);
  return {};
}

FileStamp TakeFileStamp(const fs::path& path) {
  platform::ReadOnlyFile file;
  FileStamp stamp;
  if (file.Open(path) || file.Identity(stamp.identity)) return {};
  const platform::ReadOnlyFile::Version version = file.CurrentVersion();
  stamp.exists = true;
  stamp.size = version.size;
  stamp.modified = version.modified;
  return stamp;
}

bool FileChangedSince(const fs::path& path, const FileStamp& stamp) {
  return !(TakeFileStamp(path) == stamp);
}

std::string DescribeSessionError(const SessionResult& r) {
  const std::string name = PathText(r.path);
  const std::string folder = PathText(r.path.parent_path());
  switch (r.error) {
    case SessionError::None: return {};
    case SessionError::Read:
      return "Nie można odczytać pliku " + name + ": " + DescribeFileError(r.system) +
             ". Nadaj mu prawo odczytu albo go usuń; okno diagramu zapisze go od nowa.";
    case SessionError::Damaged:
      return "Plik " + name + " jest uszkodzony" +
             (r.line > 0 ? " (wiersz " + std::to_string(r.line) + ")" : std::string()) + ": " + r.text +
             ". Usuń ten plik; okno diagramu zapisze go od nowa.";
    case SessionError::Lock:
      return "Nie można zapisać pliku " + name + ": nie udało się zablokować folderu " + folder + " (plik " +
             PathText(LockPath(fs::path()).filename()) + "): " + DescribeFileError(r.system) +
             ". Jeśli słownik zmienia właśnie inny program (wypelniak-slownik), spróbuj ponownie, gdy "
             "skończy; "
             "inaczej nadaj prawo zapisu do folderu " +
             folder + ".";
    case SessionError::Write:
      return "Nie można zapisać pliku " + name + ": " + DescribeFileError(r.system) +
             ". Sprawdź, czy folder " + folder + " jest zapisywalny i czy na dysku jest miejsce.";
  }
  return {};
}

}  // namespace wypelniak
