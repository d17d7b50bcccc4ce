#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

// The few file-system calls the standard library lacks or does badly. This
// is the one interface; linux/platform.cpp and windows/platform.cpp
// implement it, and the build compiles the one for its system.
namespace wypelniak::platform {

// The folder that holds the running executable, or an empty path when the
// system does not say.
std::filesystem::path ExecutableFolder();

// Why a file was refused that the system itself would have opened: what it
// is instead of a regular file, or a link this layer will not follow.
enum class FileRefusal {
  Fifo = 1,        // a named pipe: reading it would wait for a writer
  Socket,          // a socket
  Device,          // a character or block device (/dev/zero, a disk)
  NotRegular,      // anything else that is neither a regular file nor a folder
  Link,            // a symbolic link (or reparse point) where only a file may stand
  ForeignLink,     // a link, or what it leads to, not owned by the user running the program
  LinkTarget,      // a link that leads neither to a regular file nor to a folder
  Changed,         // a file changed while it was read and copied: another program
                   // writes to it, or another file now stands in its place
  Swapped,         // the new file was swapped for another before it was put in place
  SwappedInPlace,  // the new file was swapped for another as it was put in place:
                   // what now stands there is not what was written
};
const std::error_category& RefusalCategory();
std::error_code make_error_code(FileRefusal refusal);

// Errors of the system that std::errc has no name for, as each system's
// layer maps them; every other error comes as its std::errc.
enum class FileError {
  InUse = 1,        // the file is open in another program, which forbids sharing it
  BadName,          // the system takes no file of that name
  QuotaExceeded,    // the user's share of the disk is used up
  NetworkFileGone,  // a file on a network disk is no longer there
};
const std::error_category& FileErrorCategory();
std::error_code make_error_code(FileError error);

struct ContentPiece;

// Which file a file is, told apart from any other put in its place since,
// with the owner and permissions it had when looked at (those two are
// POSIX's; Windows leaves them 0). All zero: no file.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t mode = 0;  // permission bits
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  bool SameFile(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};

// What an open does with a symbolic link where the file should be.
enum class Links { Follow, Refuse };

// A file opened for reading only: opening never creates it, never waits (a
// named pipe with no writer is refused at once), and takes only a regular
// file. A symbolic link is followed unless the opening refuses links.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile();

  // Opens an existing regular file; a folder is refused as EISDIR, anything
  // else that is not a regular file as a FileRefusal, and with Links::Refuse
  // a link as FileRefusal::Link (never followed, even when swapped in just
  // before the opening).
  std::error_code Open(const std::filesystem::path& path, Links links = Links::Follow);
  // Which file is open (as the system says of the open file, not of a path).
  std::error_code Identity(FileIdentity& identity) const;
  // The open file's size in bytes, as it is now; 0 when none is open.
  std::uint64_t Size() const;
  // Reads the whole file, from where it stands, into out.
  std::error_code ReadAll(std::string& out);
  // Reads up to size bytes from where the file stands into buffer; got is
  // 0 only at the end of the file.
  std::error_code ReadSome(char* buffer, std::size_t size, std::size_t& got);
  // Reads up to size bytes from offset on into buffer, wherever the file
  // stands; got is 0 only at the end of the file.
  std::error_code ReadAt(std::uint64_t offset, char* buffer, std::size_t size, std::size_t& got) const;
  void Close();
  // Closes the file without waiting for the system: the last close of a file
  // that has just been replaced frees its blocks, some milliseconds for a
  // large word list, which is done on a thread of its own.
  void CloseWithoutWaiting();

  // What tells one version of the open file from another: its size and the
  // times of its last changes. A program writing to the file changes them.
  struct Version {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own units
    std::int64_t changed = 0;
    bool operator==(const Version&) const = default;
  };
  // The open file's version as it is now; all zero when none is open.
  Version CurrentVersion() const;

  // Whether a file may be replaced while it is open here. Windows refuses to
  // replace an open file, so there the file is closed before.
  static const bool CanBeReplacedWhileOpen;

 private:
  friend std::error_code WriteFileDurably(const std::filesystem::path& path,
                                          std::span<const ContentPiece> pieces, const FileIdentity* modeFrom,
                                          FileIdentity* written);
  // The system's descriptor or handle; -1 when none is open.
  std::intptr_t handle_ = -1;
};

// What stands at path itself (a link is not followed): all zero when nothing
// does.
std::error_code IdentityAt(const std::filesystem::path& path, FileIdentity& identity);

// Reads a whole file into out (open, read, close).
std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& out);

// The file operations below, each of which a test can make fail.
// LockWait comes each time the lock is waited for, Replace right before the
// rename, after the checks of what stands at both names.
enum class FileStep {
  Lock,
  OpenRead,
  Read,
  CheckWritable,
  Create,
  Write,
  Sync,
  Close,
  Replace,
  SyncFolder,
  Remove,
  LockWait
};

// Called before every file operation; an error it returns is taken as the
// operation's own. For tests only: the program never sets it.
using FaultHook = std::function<std::error_code(FileStep)>;
void SetFaultHook(FaultHook hook);

// An exclusive lock on a lock file, shared by every copy of the program on
// the machine. The system drops it when its holder ends, so a killed process
// never leaves it held.
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

  // Creates the lock file if needed and takes the lock, waiting up to wait
  // for another holder to let go. The wait is the system's own: waiters are
  // woken as the lock is let go, not by looking again now and then, so a
  // stream of short holders cannot keep a waiter out. The lock file is opened for reading only,
  // so whoever may read it may lock (a folder shared by a group works for
  // every member); a new one is made readable by the folder's group. A lock
  // file that is a link or not a regular file is refused, never followed.
  std::error_code Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);
  void Release();

 private:
  std::intptr_t handle_ = -1;  // the system's descriptor or handle; -1 when none
};

// Fails unless the existing regular file may be opened for writing. A link
// is not followed; nothing else is ever opened.
std::error_code CheckWritable(const std::filesystem::path& path);

// Where a write meant for path must go, in target. path itself unless it is
// a symbolic link; a link is followed only when both the link and what it
// finally leads to (a regular file or a folder) belong to the user running
// the program, and target is then that file or folder. Otherwise fails with
// FileRefusal::ForeignLink or FileRefusal::LinkTarget (or what the link
// leads to instead, such as FileRefusal::Device, where the system tells),
// and nothing is opened. A path that does not exist is its own target.
std::error_code WriteTarget(const std::filesystem::path& path, std::filesystem::path& target);

// Writes data as the whole content of a new file, checking every write, and
// flushes it to the disk before closing. Whatever stands at path is removed
// first (a link itself, never what it leads to; a folder is not removed and
// the write fails), and the file is then created new, never through a link
// (on Linux unnamed, and given its name only once written). The file takes
// the permissions and, where the system allows, the owner and group in
// modeFrom (taken from the open file it replaces), when given. written, when
// given, is what was written, for RenameChecked. On failure the new file is
// removed.
std::error_code WriteFileDurably(const std::filesystem::path& path, std::string_view data,
                                 const FileIdentity* modeFrom, FileIdentity* written = nullptr);
// The same, the content being the pieces one after another (written from
// where they lie, never gathered into one buffer first).
std::error_code WriteFileDurably(const std::filesystem::path& path, std::span<const std::string_view> pieces,
                                 const FileIdentity* modeFrom, FileIdentity* written = nullptr);

// A piece of a new file's content: the bytes given, or, when file is set,
// length bytes of that open file from offset on, copied by the system itself
// where it can (no pass through the program's memory). A file that ends
// before fails the write with FileRefusal::Changed.
struct ContentPiece {
  std::string_view bytes;
  const ReadOnlyFile* file = nullptr;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};
std::error_code WriteFileDurably(const std::filesystem::path& path, std::span<const ContentPiece> pieces,
                                 const FileIdentity* modeFrom, FileIdentity* written = nullptr);

// Puts from in the place of to in one step: to is at every moment either its
// old or its new content.
std::error_code RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// The same for a file just written, making sure that what is moved is that
// file: from must be written (else FileRefusal::Swapped, nothing moved), to
// must be replaced when given (else FileRefusal::Changed, nothing moved; all
// zero: nothing may stand there), and after the rename to must be written
// (else FileRefusal::SwappedInPlace).
std::error_code RenameChecked(const std::filesystem::path& from, const FileIdentity& written,
                              const std::filesystem::path& to, const FileIdentity* replaced);

// Makes a rename inside folder last across a crash.
std::error_code SyncFolder(const std::filesystem::path& folder);

// Removes a file; a file that is not there is no error.
std::error_code RemoveFile(const std::filesystem::path& path);

}  // namespace wypelniak::platform

template <>
struct std::is_error_code_enum<wypelniak::platform::FileRefusal> : std::true_type {};
template <>
struct std::is_error_code_enum<wypelniak::platform::FileError> : std::true_type {};
