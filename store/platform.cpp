#include "platform.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <vector>

namespace wypelniak::platform {
namespace {

FaultHook& Hook() {
  static FaultHook hook;
  return hook;
}

std::error_code Fault(FileStep step) {
  const FaultHook& hook = Hook();
  return hook ? hook(step) : std::error_code{};
}

}  // namespace

void SetFaultHook(FaultHook hook) { Hook() = std::move(hook); }

#ifdef _WIN32

namespace {
std::error_code LastError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}
}  // namespace

std::filesystem::path ExecutableFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), n)).parent_path();
    buffer.resize(buffer.size() * 2);
  }
}

ReadOnlyFile::~ReadOnlyFile() { Close(); }

std::error_code ReadOnlyFile::Open(const std::filesystem::path& path) {
  Close();
  if (std::error_code ec = Fault(FileStep::OpenRead)) return ec;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    // Opening a folder fails with "access denied"; say what it really is.
    if (err == ERROR_ACCESS_DENIED && std::filesystem::is_directory(path))
      return std::make_error_code(std::errc::is_a_directory);
    return {static_cast<int>(err), std::system_category()};
  }
  handle_ = h;
  return {};
}

std::error_code ReadOnlyFile::ReadAll(std::string& out) {
  out.clear();
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(handle_, &size) && size.QuadPart > 0) out.reserve(static_cast<std::size_t>(size.QuadPart));
  char chunk[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle_, chunk, sizeof chunk, &got, nullptr)) return LastError();
    if (got == 0) return {};
    out.append(chunk, got);
  }
}

std::error_code ReadOnlyFile::ReadSome(char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  DWORD read = 0;
  if (!ReadFile(handle_, buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &read, nullptr))
    return LastError();
  got = read;
  return {};
}

void ReadOnlyFile::Close() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
}


FolderLock::~FolderLock() { Release(); }

std::error_code FolderLock::Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait) {
  Release();
  if (std::error_code ec = Fault(FileStep::Lock)) return ec;
  HANDLE h = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    const DWORD err = GetLastError();
    if (err != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline) {
      CloseHandle(h);
      return err == ERROR_LOCK_VIOLATION ? std::make_error_code(std::errc::device_or_resource_busy)
                                         : std::error_code(static_cast<int>(err), std::system_category());
    }
    Sleep(10);
  }
  handle_ = h;
  return {};
}

void FolderLock::Release() {
  if (handle_ == nullptr) return;
  OVERLAPPED at{};
  UnlockFileEx(handle_, 0, 1, 0, &at);
  CloseHandle(handle_);
  handle_ = nullptr;
}

std::error_code CheckWritable(const std::filesystem::path& path) {
  if (std::error_code ec = Fault(FileStep::CheckWritable)) return ec;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  CloseHandle(h);
  return {};
}

std::error_code WriteFileDurably(const std::filesystem::path& path, std::string_view data,
                                 const std::filesystem::path& /*modeFrom*/) {
  if (std::error_code ec = Fault(FileStep::Create)) return ec;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  std::error_code ec;
  std::size_t done = 0;
  while (!ec && done < data.size()) {
    if ((ec = Fault(FileStep::Write))) break;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
    DWORD wrote = 0;
    if (!WriteFile(h, data.data() + done, want, &wrote, nullptr)) ec = LastError();
    done += wrote;
  }
  if (!ec) ec = Fault(FileStep::Sync);
  if (!ec && !FlushFileBuffers(h)) ec = LastError();
  std::error_code closed = Fault(FileStep::Close);
  if (!CloseHandle(h) && !closed) closed = LastError();
  if (!ec) ec = closed;
  if (ec) DeleteFileW(path.c_str());
  return ec;
}

std::error_code RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (std::error_code ec = Fault(FileStep::Replace)) return ec;
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return LastError();
  return {};
}

std::error_code SyncFolder(const std::filesystem::path& /*folder*/) {
  // MOVEFILE_WRITE_THROUGH has already made the rename last.
  return Fault(FileStep::SyncFolder);
}

std::error_code RemoveFile(const std::filesystem::path& path) {
  if (std::error_code ec = Fault(FileStep::Remove)) return ec;
  if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return LastError();
  return {};
}

#else

namespace {
std::error_code LastError() { return {errno, std::generic_category()}; }
}  // namespace

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

ReadOnlyFile::~ReadOnlyFile() { Close(); }

std::error_code ReadOnlyFile::Open(const std::filesystem::path& path) {
  Close();
  if (std::error_code ec = Fault(FileStep::OpenRead)) return ec;
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LastError();
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const std::error_code ec = LastError();
    ::close(fd);
    return ec;
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    return std::make_error_code(std::errc::is_a_directory);
  }
  fd_ = fd;
  return {};
}

std::error_code ReadOnlyFile::ReadAll(std::string& out) {
  out.clear();
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    out.resize(static_cast<std::size_t>(st.st_size) + 1);
  // Read straight into the string. The one spare byte lets the read that
  // meets the end find room without growing; the string grows only when the
  // file is longer than it was when measured, or has no size (a pipe).
  std::size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() < 65536 ? 65536 : out.size() * 2);
    const std::size_t want = std::min<std::size_t>(out.size() - used, INT_MAX);
    const ssize_t got = ::read(fd_, out.data() + used, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      const std::error_code ec = LastError();
      out.clear();
      return ec;
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  out.resize(used);
  return {};
}

std::error_code ReadOnlyFile::ReadSome(char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, std::min<std::size_t>(size, INT_MAX));
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return {};
    }
    if (errno != EINTR) return LastError();
  }
}

void ReadOnlyFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

FolderLock::~FolderLock() { Release(); }

std::error_code FolderLock::Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait) {
  Release();
  if (std::error_code ec = Fault(FileStep::Lock)) return ec;
  const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return LastError();
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if (err == EINTR) continue;
    if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return err == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                : std::error_code(err, std::generic_category());
    }
    ::usleep(5000);
  }
  fd_ = fd;
  return {};
}

void FolderLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

std::error_code CheckWritable(const std::filesystem::path& path) {
  if (std::error_code ec = Fault(FileStep::CheckWritable)) return ec;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return LastError();
  ::close(fd);
  return {};
}

std::error_code WriteFileDurably(const std::filesystem::path& path, std::string_view data,
                                 const std::filesystem::path& modeFrom) {
  if (std::error_code ec = Fault(FileStep::Create)) return ec;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return LastError();
  // The new file takes the old one's permissions and, where allowed, owner.
  struct stat st {};
  if (!modeFrom.empty() && ::stat(modeFrom.c_str(), &st) == 0) {
    (void)::fchmod(fd, st.st_mode & 07777);
    if (::geteuid() == 0) (void)::fchown(fd, st.st_uid, st.st_gid);
  }
  std::error_code ec;
  std::size_t done = 0;
  while (!ec && done < data.size()) {
    if ((ec = Fault(FileStep::Write))) break;
    const ssize_t wrote = ::write(fd, data.data() + done, std::min<std::size_t>(data.size() - done, 1u << 30));
    if (wrote < 0) {
      if (errno != EINTR) ec = LastError();
    } else {
      done += static_cast<std::size_t>(wrote);
    }
  }
  if (!ec) ec = Fault(FileStep::Sync);
  if (!ec && ::fsync(fd) != 0) ec = LastError();
  std::error_code closed = Fault(FileStep::Close);
  if (::close(fd) != 0 && !closed) closed = LastError();
  if (!ec) ec = closed;
  if (ec) ::unlink(path.c_str());
  return ec;
}

std::error_code RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (std::error_code ec = Fault(FileStep::Replace)) return ec;
  if (::rename(from.c_str(), to.c_str()) != 0) return LastError();
  return {};
}

std::error_code SyncFolder(const std::filesystem::path& folder) {
  if (std::error_code ec = Fault(FileStep::SyncFolder)) return ec;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastError();
  std::error_code ec;
  if (::fsync(fd) != 0) ec = LastError();
  ::close(fd);
  return ec;
}

std::error_code RemoveFile(const std::filesystem::path& path) {
  if (std::error_code ec = Fault(FileStep::Remove)) return ec;
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return LastError();
  return {};
}

#endif

std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  ReadOnlyFile file;
  if (std::error_code ec = file.Open(path)) return ec;
  return file.ReadAll(out);
}

}  // namespace wypelniak::platform
