#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

// The few file-system calls the standard library lacks or does badly, with a
// POSIX and a Windows branch.
namespace wypelniak::platform {

// The folder that holds the running executable, or an empty path when the
// system does not say.
std::filesystem::path ExecutableFolder();

// A file opened for reading only: opening never creates it.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile();

  // Opens an existing regular file; a folder is refused as EISDIR.
  std::error_code Open(const std::filesystem::path& path);
  // Reads the whole file, from where it stands, into out.
  std::error_code ReadAll(std::string& out);
  // Reads up to size bytes from where the file stands into buffer; got is
  // 0 only at the end of the file.
  std::error_code ReadSome(char* buffer, std::size_t size, std::size_t& got);
  void Close();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Reads a whole file into out (open, read, close).
std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& out);

// The file operations below, each of which a test can make fail.
enum class FileStep { Lock, OpenRead, Read, CheckWritable, Create, Write, Sync, Close, Replace, SyncFolder, Remove };

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
  // for another holder to let go.
  std::error_code Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);
  void Release();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Fails unless the existing file may be opened for writing.
std::error_code CheckWritable(const std::filesystem::path& path);

// Writes data as the whole content of a new file (replacing one of that name),
// checking every write, and flushes it to the disk before closing. The file
// takes the permissions of modeFrom when that exists. On failure the new file
// is removed.
std::error_code WriteFileDurably(const std::filesystem::path& path, std::string_view data,
                                 const std::filesystem::path& modeFrom);

// Puts from in the place of to in one step: to is at every moment either its
// old or its new content.
std::error_code RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Makes a rename inside folder last across a crash.
std::error_code SyncFolder(const std::filesystem::path& folder);

// Removes a file; a file that is not there is no error.
std::error_code RemoveFile(const std::filesystem::path& path);

}  // namespace wypelniak::platform
