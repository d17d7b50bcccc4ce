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

// A Windows error as an error code: its std::errc, or a FileError or
// FileRefusal where std::errc has no name for it, so that what the rest of
// the program compares and describes is the same on every system.
std::error_code WindowsError(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FileError::InUse;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return std::make_error_code(std::errc::file_exists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_WRITE_PROTECT: return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return std::make_error_code(std::errc::not_enough_memory);
    case ERROR_TOO_MANY_OPEN_FILES: return std::make_error_code(std::errc::too_many_files_open);
    case ERROR_DIR_NOT_EMPTY: return std::make_error_code(std::errc::directory_not_empty);
    case ERROR_NOT_SAME_DEVICE: return std::make_error_code(std::errc::cross_device_link);
    case ERROR_FILENAME_EXCED_RANGE: return std::make_error_code(std::errc::filename_too_long);
    case ERROR_NOT_SUPPORTED: return std::make_error_code(std::errc::not_supported);
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return std::make_error_code(std::errc::io_error);
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NET_NAME: return std::make_error_code(std::errc::network_unreachable);
    case ERROR_INVALID_NAME: return FileError::BadName;
    case ERROR_PIPE_BUSY: return FileRefusal::Fifo;
    case ERROR_CANT_ACCESS_FILE: return FileRefusal::LinkTarget;
    case ERROR_CANT_RESOLVE_FILENAME: return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    default: return {static_cast<int>(err), std::system_category()};
  }
}

std::error_code LastError() {
  return WindowsError(GetLastError());
}

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
      ec = WindowsError(err);
    return INVALID_HANDLE_VALUE;
  }
  if ((ec = HandleRefusal(h.Get()))) return INVALID_HANDLE_VALUE;
  return h.Take();
}

// Whether the open file belongs to the user running the program (or to the
// owner the system gives that user's new files, such as Administrators).
HANDLE H(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}
std::intptr_t Stored(HANDLE h) {
  return reinterpret_cast<std::intptr_t>(h);
}
constexpr std::intptr_t kNone = -1;

FileIdentity IdentityOf(HANDLE h, std::error_code& ec) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) {
    ec = LastError();
    return {};
  }
  ec.clear();
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow, 0, 0, 0};
}

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

// Takes the lock on h (opened overlapped), waiting up to wait in the
// system's queue: the request stays queued, and is granted as the lock is
// let go, in turn. At the time limit the request is withdrawn.
std::error_code WaitForLock(HANDLE h, std::chrono::milliseconds wait) {
  Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.Valid()) return LastError();
  OVERLAPPED at{};
  at.hEvent = event.Get();
  if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) return {};
  if (GetLastError() != ERROR_IO_PENDING) return LastError();
  std::error_code ec = Fault(FileStep::LockWait);
  const DWORD limit = static_cast<DWORD>(std::clamp<long long>(wait.count(), 0, 0x7FFFFFFF));
  if (!ec && WaitForSingleObject(event.Get(), limit) == WAIT_OBJECT_0) {
    DWORD done = 0;
    if (GetOverlappedResult(h, &at, &done, FALSE)) return {};
    return LastError();
  }
  // Withdrawn; a lock granted in the last instant is kept only by this
  // handle, which the caller then closes.
  CancelIoEx(h, &at);
  DWORD done = 0;
  GetOverlappedResult(h, &at, &done, TRUE);
  return ec ? ec : std::make_error_code(std::errc::device_or_resource_busy);
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

const bool ReadOnlyFile::CanBeReplacedWhileOpen = false;

ReadOnlyFile::~ReadOnlyFile() {
  Close();
}

std::error_code ReadOnlyFile::Open(const std::filesystem::path& path, Links links) {
  Close();
  if (std::error_code ec = Fault(FileStep::OpenRead)) return ec;
  std::error_code ec;
  HANDLE h = OpenRegular(path, GENERIC_READ, links == Links::Follow, ec);
  if (ec) return ec;
  handle_ = Stored(h);
  return {};
}

std::error_code ReadOnlyFile::Identity(FileIdentity& identity) const {
  identity = {};
  if (handle_ == kNone) return std::make_error_code(std::errc::bad_file_descriptor);
  std::error_code ec;
  identity = IdentityOf(H(handle_), ec);
  return ec;
}

std::error_code IdentityAt(const std::filesystem::path& path, FileIdentity& identity) {
  identity = {};
  const Handle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) {
    const DWORD err = GetLastError();
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? std::error_code{} : WindowsError(err);
  }
  std::error_code ec;
  identity = IdentityOf(h.Get(), ec);
  return ec;
}

std::uint64_t ReadOnlyFile::Size() const {
  LARGE_INTEGER size{};
  if (handle_ == kNone || !GetFileSizeEx(H(handle_), &size) || size.QuadPart < 0) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::error_code ReadOnlyFile::ReadAll(std::string& out) {
  out.clear();
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(H(handle_), &size) && size.QuadPart > 0)
    out.reserve(static_cast<std::size_t>(size.QuadPart));
  char chunk[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(H(handle_), chunk, sizeof chunk, &got, nullptr)) return LastError();
    if (got == 0) return {};
    out.append(chunk, got);
  }
}

std::error_code ReadOnlyFile::ReadSome(char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  DWORD read = 0;
  if (!ReadFile(H(handle_), buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &read,
                nullptr))
    return LastError();
  got = read;
  return {};
}

void ReadOnlyFile::Close() {
  if (handle_ != kNone) CloseHandle(H(handle_));
  handle_ = kNone;
}

void ReadOnlyFile::CloseWithoutWaiting() {
  Close();
}

ReadOnlyFile::Version ReadOnlyFile::CurrentVersion() const {
  FILE_BASIC_INFO times{};
  LARGE_INTEGER size{};
  if (handle_ == kNone || !GetFileSizeEx(H(handle_), &size) ||
      !GetFileInformationByHandleEx(H(handle_), FileBasicInfo, &times, sizeof times))
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
  if (!ReadFile(H(handle_), buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &read, &at)) {
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
  // never followed, and refused. Opened for waiting with a time limit.
  Handle h(CreateFileW(lockFile.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_OVERLAPPED, nullptr));
  if (!h.Valid()) return LastError();
  if (std::error_code ec = HandleRefusal(h.Get())) return ec;
  if (std::error_code ec = WaitForLock(h.Get(), wait)) return ec;
  handle_ = Stored(h.Take());
  return {};
}

void FolderLock::Release() {
  if (handle_ == kNone) return;
  OVERLAPPED at{};
  UnlockFileEx(H(handle_), 0, 1, 0, &at);
  CloseHandle(H(handle_));
  handle_ = kNone;
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
    return WindowsError(err);
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
                                 const FileIdentity* /*modeFrom*/, FileIdentity* written) {
  // A new file takes the folder's permissions, as the old one did.
  if (written != nullptr) *written = {};
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
  Handle h(CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, CREATE_NEW,
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
  if (!ec && written != nullptr) *written = IdentityOf(h.Get(), ec);
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
      return WindowsError(err);
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
