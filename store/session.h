#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform.h"
#include "puzzle.h"

// The grid window's session, kept the same by every front end: its settings
// (remembered from one start to the next), the recovery copy of a grid with
// unsaved changes, and the stamp that tells whether another program changed
// a grid file since it was opened or saved.
//
// Both files live in the word-list folder (slow/ beside the program), the
// one folder the program writes to on its own:
//   diagram-ustawienia.txt  the settings: UTF-8, one "key=value" a line, "#"
//                           starts a comment line; keys wyrazy-z-haslami
//                           (tak/nie), plik-ocen (a path, may be empty),
//                           najnizsza-ocena (0-100), ostatni (a recent file,
//                           once per file, most recent first). Unknown keys
//                           are passed over.
//   diagram-kopia.ipuz      the recovery copy: the grid's .ipuz text with one
//                           more key, "wypelniak:plik", the path (UTF-8) of
//                           the file the grid came from ("" for a grid never
//                           saved). Any .ipuz reader takes the copy as it is.
// Each is written the way the program writes every file: a new file beside
// it (the name with "~" before it), synced, renamed into place, under the
// word-list lock (slow/.lock). No function here throws.
namespace wypelniak {

inline constexpr std::size_t kMaxRecentFiles = 8;
inline constexpr int kMaxMinScore = 100;
// A settings file is a few hundred bytes; a larger one is refused unread.
inline constexpr std::uint64_t kMaxSettingsBytes = 64 * 1024;

struct SessionSettings {
  bool preferClueable = true;
  std::string scoreFile;                 // UTF-8; empty: no score file
  int minScore = 0;                      // 0 ... kMaxMinScore
  std::vector<std::string> recentFiles;  // UTF-8, most recent first, no repeats, at most kMaxRecentFiles

  // Puts path first in recentFiles (moving it there if listed already).
  void AddRecent(const std::string& path);
  // Takes path off recentFiles.
  void DropRecent(const std::string& path);
  bool operator==(const SessionSettings&) const = default;
};

enum class SessionError {
  None,
  Read,     // the file cannot be opened or read (system)
  Damaged,  // the file's content is not what this module writes (line, text)
  Lock,     // the word-list lock cannot be taken (system)
  Write,    // the new file cannot be written or put in place (system); the old one is unchanged
};

struct SessionResult {
  SessionError error = SessionError::None;
  std::filesystem::path path;  // the file concerned
  std::error_code system;
  int line = 0;      // Damaged: the line at fault, counted from 1; 0 for the whole file
  std::string text;  // Damaged: what is wrong
};

// The Polish message for a failed read or write, naming the file and what
// mends it.
std::string DescribeSessionError(const SessionResult& result);

// The two files in folder (the word-list folder).
std::filesystem::path SettingsPath(const std::filesystem::path& folder);
std::filesystem::path RecoveryPath(const std::filesystem::path& folder);

// A path from UTF-8 text (the form the settings keep paths in).
std::filesystem::path PathFromText(std::string_view utf8);

// Reads the settings of folder. No file gives the defaults and no error; a
// damaged or unreadable one gives the defaults and the error.
SessionSettings ReadSessionSettings(const std::filesystem::path& folder, SessionResult* result = nullptr);
// Writes the settings (a recent file whose path holds a line end is left out).
SessionResult WriteSessionSettings(const std::filesystem::path& folder, const SessionSettings& settings);

// The settings as the file holds them, and read back from that text.
std::string SessionSettingsText(const SessionSettings& settings);
SessionSettings ParseSessionSettings(std::string_view text, SessionResult& result);

struct RecoveryCopy {
  Puzzle puzzle;
  std::string originalPath;  // UTF-8; empty for a grid never saved
};

// Writes the recovery copy of puzzle, which came from originalPath.
SessionResult WriteRecoveryCopy(const std::filesystem::path& folder, const Puzzle& puzzle,
                                const std::string& originalPath);
// The recovery copy of folder; none when there is none, or when it cannot be
// read (the reason then in result).
std::optional<RecoveryCopy> ReadRecoveryCopy(const std::filesystem::path& folder,
                                             SessionResult* result = nullptr);
// Removes the recovery copy; none there is no error.
SessionResult DropRecoveryCopy(const std::filesystem::path& folder);

// What a grid file was when opened or saved: which file stood at the path
// (a link followed), its size and the time of its last change. exists is
// false when no regular file stood there.
struct FileStamp {
  bool exists = false;
  platform::FileIdentity identity;
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // the system's own units
  bool operator==(const FileStamp& other) const {
    return exists == other.exists && identity.SameFile(other.identity) && size == other.size &&
           modified == other.modified;
  }
};
FileStamp TakeFileStamp(const std::filesystem::path& path);
// Whether what stands at path now is not what stamp saw: another file put in
// its place, written to, or removed. A write that keeps both the size and
// the modification time (within the system's clock tick) is not seen.
bool FileChangedSince(const std::filesystem::path& path, const FileStamp& stamp);

}  // namespace wypelniak
