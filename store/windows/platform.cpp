// The file layer on Windows.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>
#ifdef _MSC_VER
#pragma comment(lib, "advapi32.lib")
#endif

#include <algorithm>
#include <utility>
#include <vector>

#include "platformimpl.h"

namespace wypelniak::platform {

using detail::Fault;

namespace {

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes a handle when it goes out of scope, unless taken.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Valid()) CloseHandle(h_);
  }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Get() const { return h_; }
  HANDLE Take() { return std::exchange(h_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE h_;
};

// Whether an open file is a symbolic link or a junction itself (opened with
// FILE_FLAG_OPEN_REPARSE_POINT). Other reparse points, such as files kept
// in the cloud, hold data of their own and count as files.
bool IsLink(HANDLE h) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  return GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) &&
         (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(tag.ReparseTag);
}

// Nothing when the open file is a regular file on a disk, else why not.
std::error_code HandleRefusal(HANDLE h) {
  switch (GetFileType(h)) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_PIPE: return FileRefusal::Fifo;
    case FILE_TYPE_CHAR: return FileRefusal::Device;
    default: return FileRefusal::NotRegular;
  }
  if (IsLink(h)) return FileRefusal::Link;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return LastError();
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    return std::make_error_code(std::errc::is_a_directory);
  return {};
}

// Opens a regular file: a folder, a pipe or a device is refused, and with
// followLinks false so is a link, which is then opened itself, not followed.
HANDLE OpenRegular(const std::filesystem::path& path, DWORD access, bool followLinks, std::error_code& ec) {
  Handle h(CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
  if (!h.Valid()) {
    const DWORD err = GetLastError();
    // Opening a folder fails with "access denied"; say what it really is.
    std::error_code folder;
    if (err == ERROR_ACCESS_DENIED && std::filesystem::is_directory(path, folder))
      ec = std::make_error_code(std::errc::is_a_directory);
    else
      ec = {static_cast<int>(err), std::system_category()};
    return INVALID_HANDLE_VALUE;
  }
  if ((ec = HandleRefusal(h.Get()))) return INVALID_HANDLE_VALUE;
  return h.Take();
}

// Whether the open file belongs to the user running the program (or to the
// owner the system gives that user's new files, such as Administrators).
bool OwnedByMe(HANDLE h) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return false;
  bool mine = false;
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    for (TOKEN_INFORMATION_CLASS which : {TokenUser, TokenOwner}) {
      DWORD size = 0;
      GetTokenInformation(token, which, nullptr, 0, &size);
      std::vector<unsigned char> buffer(size);
      if (size == 0 || !GetTokenInformation(token, which, buffer.data(), size, &size)) continue;
      const PSID sid = which == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                          : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
      mine = mine || EqualSid(owner, sid);
    }
    CloseHandle(token);
  }
  LocalFree(descriptor);
  return mine;
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
  std::error_code ec;
  HANDLE h = OpenRegular(path, GENERIC_READ, true, ec);
  if (ec) return ec;
  handle_ = h;
  return {};
}

std::uint64_t ReadOnlyFile::Size() const {
  LARGE_INTEGER size{};
  if (handle_ == nullptr || !GetFileSizeEx(handle_, &size) || size.QuadPart < 0) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::error_code ReadOnlyFile::ReadAll(std::string& out) {
  out.clear();
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(handle_, &size) && size.QuadPart > 0)
    out.reserve(static_cast<std::size_t>(size.QuadPart));
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

void ReadOnlyFile::CloseWithoutWaiting() {
  Close();
}

ReadOnlyFile::Version ReadOnlyFile::CurrentVersion() const {
  FILE_BASIC_INFO times{};
  LARGE_INTEGER size{};
  if (handle_ == nullptr || !GetFileSizeEx(handle_, &size) ||
      !GetFileInformationByHandleEx(handle_, FileBasicInfo, &times, sizeof times))
    return {};
  return {static_cast<std::uint64_t>(size.QuadPart), times.LastWriteTime.QuadPart, times.ChangeTime.QuadPart};
}

std::error_code ReadOnlyFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size,
                                     std::size_t& got) const {
  got = 0;
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD read = 0;
  if (!ReadFile(handle_, buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &read, &at)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return {};
    return LastError();
  }
  got = read;
  return {};
}

FolderLock::~FolderLock() {
  Release();
}

std::error_code FolderLock::Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait) {
  Release();
  if (std::error_code ec = Fault(FileStep::Lock)) return ec;
  // Read access is enough to lock; a link standing there is opened itself,
  // never followed, and refused.
  Handle h(CreateFileW(lockFile.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.Valid()) return LastError();
  if (std::error_code ec = HandleRefusal(h.Get())) return ec;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(h.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    const DWORD err = GetLastError();
    if (err != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline) {
      return err == ERROR_LOCK_VIOLATION ? std::make_error_code(std::errc::device_or_resource_busy)
                                         : std::error_code(static_cast<int>(err), std::system_category());
    }
    Sleep(10);
  }
  handle_ = h.Take();
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
  std::error_code ec;
  const Handle h(OpenRegular(path, GENERIC_WRITE, false, ec));
  return ec;
}

std::error_code WriteTarget(const std::filesystem::path& path, std::filesystem::path& target) {
  target = path;
  const DWORD access = FILE_READ_ATTRIBUTES | READ_CONTROL;
  const Handle link(CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link.Valid()) {
    const DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return {};
    return {static_cast<int>(err), std::system_category()};
  }
  if (!IsLink(link.Get())) return {};
  // A link someone else made is never followed for writing.
  if (!OwnedByMe(link.Get())) return FileRefusal::ForeignLink;
  const Handle to(CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!to.Valid()) return LastError();
  if (GetFileType(to.Get()) != FILE_TYPE_DISK) return FileRefusal::LinkTarget;
  if (!OwnedByMe(to.Get())) return FileRefusal::ForeignLink;
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(to.Get(), name.data(), static_cast<DWORD>(name.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return LastError();
    if (n < name.size()) {
      target = std::filesystem::path(std::wstring(name.data(), n));
      return {};
    }
    name.resize(n + 1);
  }
}

std::error_code WriteFileDurably(const std::filesystem::path& path, std::span<const ContentPiece> pieces,
                                 const std::filesystem::path& /*modeFrom*/) {
  if (std::error_code ec = Fault(FileStep::Create)) return ec;
  // Whatever has this name goes first: a link or junction itself, never what
  // it leads to. A real folder stays, and the write fails.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (folder && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return std::make_error_code(std::errc::is_a_directory);
    if (!(folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str()))) return LastError();
  }
  Handle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.Valid()) return LastError();
  std::error_code ec;
  const auto put = [&h, &ec](std::string_view data) {
    std::size_t done = 0;
    while (!ec && done < data.size()) {
      if ((ec = Fault(FileStep::Write))) break;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
      DWORD wrote = 0;
      if (!WriteFile(h.Get(), data.data() + done, want, &wrote, nullptr)) ec = LastError();
      done += wrote;
    }
  };
  for (const ContentPiece& piece : pieces) {
    if (piece.file == nullptr) {
      put(piece.bytes);
      continue;
    }
    // Windows has no copy between open files: through a buffer.
    std::vector<char> buffer(std::size_t{1} << 16);
    std::uint64_t done = 0;
    while (!ec && done < piece.length) {
      std::size_t got = 0;
      if ((ec = piece.file->ReadAt(
               piece.offset + done, buffer.data(),
               static_cast<std::size_t>(std::min<std::uint64_t>(piece.length - done, buffer.size())), got)))
        break;
      if (got == 0) ec = FileRefusal::Changed;
      put(std::string_view(buffer.data(), got));
      done += got;
    }
  }
  if (!ec) ec = Fault(FileStep::Sync);
  if (!ec && !FlushFileBuffers(h.Get())) ec = LastError();
  std::error_code closed = Fault(FileStep::Close);
  if (!CloseHandle(h.Take()) && !closed) closed = LastError();
  if (!ec) ec = closed;
  if (ec) DeleteFileW(path.c_str());
  return ec;
}

std::error_code RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (std::error_code ec = Fault(FileStep::Replace)) return ec;
  // Windows refuses to replace a file that another process has open, even
  // one opened with FILE_SHARE_DELETE, as every reader of this program opens
  // it. A search holds its file only while it reads it, so the rename is
  // tried again for a while before the other copy's reading counts as a
  // failure.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
    const DWORD err = GetLastError();
    if ((err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION) ||
        std::chrono::steady_clock::now() >= deadline)
      return {static_cast<int>(err), std::system_category()};
    Sleep(10);
  }
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

}  // namespace wypelniak::platform
