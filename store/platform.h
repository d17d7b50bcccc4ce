#pragma once

#include <filesystem>
#include <string>
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

}  // namespace wypelniak::platform
