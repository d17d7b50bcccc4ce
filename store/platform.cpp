#include "platform.h"

#ifdef _WIN32
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
#else
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#endif

#include <algorithm>
#include <utility>
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

class RefusalCategoryImpl : public std::error_category {
 public:
  const char* name() const noexcept override { return "wypelniak.file"; }
  std::string message(int value) const override {
    switch (static_cast<FileRefusal>(value)) {
      case FileRefusal::Fifo: return "named pipe";
      case FileRefusal::Socket: return "socket";
      case FileRefusal::Device: return "device";
      case FileRefusal::NotRegular: return "not a regular file";
      case FileRefusal::Link: return "symbolic link";
      case FileRefusal::ForeignLink: return "link or its target owned by another user";
      case FileRefusal::LinkTarget: return "link to neither a file nor a folder";
      case FileRefusal::Changed: return "file changed while read";
    }
    return "refused";
  }
};

}  // namespace

const std::error_category& RefusalCategory() {
  static const RefusalCategoryImpl category;
  return category;
}

std::error_code make_error_code(FileRefusal refusal) {
  return {static_cast<int>(refusal), RefusalCategory()};
}

void SetFaultHook(FaultHook hook) { Hook() = std::move(hook); }

#ifdef _WIN32

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

#else

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Closes a descriptor when it goes out of scope, unless taken.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  int Take() { return std::exchange(fd_, -1); }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd = -1;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Nothing when mode is a regular file's, else why it is refused.
std::error_code KindRefusal(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return std::make_error_code(std::errc::is_a_directory);
  if (S_ISFIFO(mode)) return FileRefusal::Fifo;
  if (S_ISSOCK(mode)) return FileRefusal::Socket;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileRefusal::Device;
  if (S_ISLNK(mode)) return FileRefusal::Link;
  return FileRefusal::NotRegular;
}

// Opens a regular file with flags (no O_CREAT), never waiting and never
// opening anything else: what the path names is looked at before opening, so
// a pipe or a device is not opened at all, then opened without blocking and
// looked at again through the descriptor, in case it was swapped in between.
// With followLinks false a link is refused as FileRefusal::Link.
int OpenRegular(const std::filesystem::path& path, int flags, bool followLinks, std::error_code& ec) {
  struct stat st {};
  if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    ec = LastError();
    return -1;
  }
  if ((ec = KindRefusal(st.st_mode))) return -1;
  Descriptor fd(OpenRetrying(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW)));
  if (fd.Get() < 0) {
    ec = !followLinks && errno == ELOOP ? std::error_code(FileRefusal::Link) : LastError();
    return -1;
  }
  if (::fstat(fd.Get(), &st) != 0) {
    ec = LastError();
    return -1;
  }
  if ((ec = KindRefusal(st.st_mode))) return -1;
  // A regular file: reads and writes wait as usual from here on.
  const int status = ::fcntl(fd.Get(), F_GETFL);
  if (status < 0 || ::fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK) != 0) {
    ec = LastError();
    return -1;
  }
  ec.clear();
  return fd.Take();
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// Makes a new lock file usable by everyone who may change the folder: it
// goes to the folder's owner where allowed (root adding to a user's folder),
// takes the folder's group, and is readable by the group when the group may
// write the folder, and by all when all may. Reading is all a lock needs.
void ShareLikeFolder(int fd, const std::filesystem::path& folder) {
  struct stat dir {};
  struct stat own {};
  if (::stat(folder.c_str(), &dir) != 0 || ::fstat(fd, &own) != 0) return;
  mode_t mode = 0600;
  // Root may read any file; another owner of the folder must be able to.
  if (own.st_uid != dir.st_uid && dir.st_uid != 0 && ::fchown(fd, dir.st_uid, static_cast<gid_t>(-1)) != 0)
    mode |= 0044;
  if (dir.st_mode & S_IWGRP) {
    const bool groupSet = own.st_gid == dir.st_gid || ::fchown(fd, static_cast<uid_t>(-1), dir.st_gid) == 0;
    // Not allowed to hand it to the folder's group: only all may read it then.
    mode |= groupSet ? 0040 : 0044;
  }
  if (dir.st_mode & S_IWOTH) mode |= 0004;
  (void)::fchmod(fd, mode);
}

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
  std::error_code ec;
  const int fd = OpenRegular(path, O_RDONLY, true, ec);
  if (fd < 0) return ec;
  fd_ = fd;
  return {};
}

std::uint64_t ReadOnlyFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

std::error_code ReadOnlyFile::ReadAll(std::string& out) {
  out.clear();
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    out.resize(static_cast<std::size_t>(st.st_size) + 1);
  // Read straight into the string. The one spare byte lets the read that
  // meets the end find room without growing; the string grows only when the
  // file is longer than it was when measured.
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

ReadOnlyFile::Version ReadOnlyFile::CurrentVersion() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

void ReadOnlyFile::CloseWithoutWaiting() {
  if (fd_ < 0) return;
  const int fd = std::exchange(fd_, -1);
  try {
    std::thread([fd] { ::close(fd); }).detach();
  } catch (const std::system_error&) {
    ::close(fd);
  }
}

std::error_code ReadOnlyFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size,
                                     std::size_t& got) const {
  got = 0;
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  for (;;) {
    const ssize_t n = ::pread(fd_, buffer, std::min<std::size_t>(size, INT_MAX), static_cast<off_t>(offset));
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return {};
    }
    if (errno != EINTR) return LastError();
  }
}

FolderLock::~FolderLock() {
  Release();
}

std::error_code FolderLock::Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait) {
  Release();
  if (std::error_code ec = Fault(FileStep::Lock)) return ec;
  std::error_code ec;
  Descriptor fd;
  // Open the existing file, or make it; two copies making it at once are
  // told apart by O_EXCL, and the one that lost opens what the other made.
  for (int attempt = 0; attempt < 3 && fd.Get() < 0; ++attempt) {
    Descriptor opened(OpenRegular(lockFile, O_RDONLY, false, ec));
    if (opened.Get() < 0 && ec == std::errc::no_such_file_or_directory) {
      opened.Reset(
          OpenRetrying(lockFile.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK, 0600));
      if (opened.Get() >= 0) {
        ShareLikeFolder(opened.Get(), FolderOf(lockFile));
      } else {
        ec = LastError();
        if (ec == std::errc::file_exists) continue;
      }
    }
    if (opened.Get() < 0) return ec;
    fd.Reset(opened.Take());
  }
  if (fd.Get() < 0) return ec;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if (err == EINTR) continue;
    if (err == EBADF) {
      // Some network file systems lock only a file open for writing.
      Descriptor writable(OpenRegular(lockFile, O_RDWR, false, ec));
      if (writable.Get() < 0) return ec;
      fd.Reset(writable.Take());
      if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) break;
      if (errno != EWOULDBLOCK) return LastError();
    } else if (err != EWOULDBLOCK) {
      return {err, std::generic_category()};
    }
    if (std::chrono::steady_clock::now() >= deadline)
      return std::make_error_code(std::errc::device_or_resource_busy);
    ::usleep(5000);
  }
  fd_ = fd.Take();
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
  std::error_code ec;
  const int fd = OpenRegular(path, O_WRONLY, false, ec);
  if (fd >= 0) ::close(fd);
  return ec;
}

std::error_code WriteTarget(const std::filesystem::path& path, std::filesystem::path& target) {
  target = path;
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0) return errno == ENOENT ? std::error_code{} : LastError();
  if (!S_ISLNK(link.st_mode)) return {};
  // A link someone else made is never followed for writing: it could lead
  // anywhere the user running the program may write.
  const uid_t me = ::geteuid();
  if (link.st_uid != me) return FileRefusal::ForeignLink;
  std::error_code ec;
  const std::filesystem::path text = std::filesystem::read_symlink(path, ec);
  if (ec) return ec;
  // A link never changes once made: the same link still standing there means
  // the text read is the text of the link that was checked.
  struct stat again {};
  if (::lstat(path.c_str(), &again) != 0) return LastError();
  if (!S_ISLNK(again.st_mode) || again.st_ino != link.st_ino || again.st_dev != link.st_dev ||
      again.st_uid != me)
    return FileRefusal::ForeignLink;
  const std::filesystem::path resolved = std::filesystem::canonical(FolderOf(path) / text, ec);
  if (ec) return ec;
  struct stat st {};
  if (::lstat(resolved.c_str(), &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return FileRefusal::LinkTarget;
  if (st.st_uid != me) return FileRefusal::ForeignLink;
  target = resolved;
  return {};
}

std::error_code WriteFileDurably(const std::filesystem::path& path, std::span<const ContentPiece> pieces,
                                 const std::filesystem::path& modeFrom) {
  if (std::error_code ec = Fault(FileStep::Create)) return ec;
  // Whatever has this name goes first: unlink removes a link itself, never
  // what it leads to. A folder stays, and creating the file then fails.
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    const std::error_code ec = LastError();
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      return std::make_error_code(std::errc::is_a_directory);
    return ec;
  }
  Descriptor fd(OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644));
  if (fd.Get() < 0) return LastError();
  // The new file takes the old one's permissions, its group where allowed,
  // and (for root) its owner, all read from the old file once opened.
  std::error_code ignored;
  if (!modeFrom.empty()) {
    const Descriptor from(OpenRegular(modeFrom, O_RDONLY, false, ignored));
    struct stat old {
    }, own{};
    if (from.Get() >= 0 && ::fstat(from.Get(), &old) == 0 && ::fstat(fd.Get(), &own) == 0) {
      const bool root = ::geteuid() == 0;
      if (old.st_gid != own.st_gid || (root && old.st_uid != own.st_uid))
        (void)::fchown(fd.Get(), root ? old.st_uid : static_cast<uid_t>(-1), old.st_gid);
      (void)::fchmod(fd.Get(), old.st_mode & 0777);
    }
  }
  std::error_code ec;
  const auto put = [&fd, &ec](std::string_view data) {
    std::size_t done = 0;
    while (!ec && done < data.size()) {
      if ((ec = Fault(FileStep::Write))) break;
      const ssize_t wrote =
          ::write(fd.Get(), data.data() + done, std::min<std::size_t>(data.size() - done, 1u << 30));
      if (wrote < 0) {
        if (errno != EINTR) ec = LastError();
      } else {
        done += static_cast<std::size_t>(wrote);
      }
    }
  };
  for (const ContentPiece& piece : pieces) {
    if (piece.file == nullptr) {
      put(piece.bytes);
      continue;
    }
    // The system copies from file to file without the bytes passing through
    // this process; where it cannot (another file system, an old kernel),
    // through a buffer.
    bool bySystem = true;
    std::vector<char> buffer;  // only when the system cannot copy
    std::uint64_t done = 0;
    while (!ec && done < piece.length) {
      if ((ec = Fault(FileStep::Write))) break;
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(piece.length - done, 1u << 30));
      ssize_t copied = 0;
      if (bySystem) {
        off_t from = static_cast<off_t>(piece.offset + done);
        copied = ::copy_file_range(piece.file->fd_, &from, fd.Get(), nullptr, want, 0);
        if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                           errno == EBADF || errno == ETXTBSY)) {
          bySystem = false;
          continue;
        }
        if (copied < 0) {
          if (errno != EINTR) ec = LastError();
          continue;
        }
      } else {
        buffer.resize(std::size_t{1} << 16);
        std::size_t got = 0;
        if ((ec = piece.file->ReadAt(piece.offset + done, buffer.data(), std::min(want, buffer.size()), got)))
          break;
        put(std::string_view(buffer.data(), got));
        copied = static_cast<ssize_t>(got);
      }
      if (copied == 0 && !ec) ec = FileRefusal::Changed;
      done += static_cast<std::uint64_t>(copied);
    }
  }
  if (!ec) ec = Fault(FileStep::Sync);
  if (!ec && ::fsync(fd.Get()) != 0) ec = LastError();
  std::error_code closed = Fault(FileStep::Close);
  if (::close(fd.Take()) != 0 && !closed) closed = LastError();
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
  const Descriptor fd(OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK));
  if (fd.Get() < 0) return LastError();
  if (::fsync(fd.Get()) != 0) return LastError();
  return {};
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

std::error_code WriteFileDurably(const std::filesystem::path& path, std::span<const std::string_view> pieces,
                                 const std::filesystem::path& modeFrom) {
  std::vector<ContentPiece> content(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) content[i].bytes = pieces[i];
  return WriteFileDurably(path, std::span<const ContentPiece>(content), modeFrom);
}

std::error_code WriteFileDurably(const std::filesystem::path& path, std::string_view data,
                                 const std::filesystem::path& modeFrom) {
  return WriteFileDurably(path, std::span<const std::string_view>(&data, 1), modeFrom);
}

}  // namespace wypelniak::platform
