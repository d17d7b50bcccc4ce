#include "platform.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#else
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <vector>

namespace wypelniak::platform {

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

void ReadOnlyFile::Close() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
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

void ReadOnlyFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

#endif

std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  ReadOnlyFile file;
  if (std::error_code ec = file.Open(path)) return ec;
  return file.ReadAll(out);
}

}  // namespace wypelniak::platform
