// The file layer on Linux. It uses calls other POSIX systems lack
// (/proc/self/exe, O_TMPFILE, copy_file_range, st_mtim), so the build picks
// it on Linux only.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>

#include <pthread.h>
#include <time.h>

#include <cstdint>
#include <thread>

#include <algorithm>
#include <utility>
#include <vector>

#include "platformimpl.h"

namespace wypelniak::platform {

using detail::Fault;

namespace {

// An errno as an error code: its std::errc, or a FileError where std::errc
// has no name for it.
std::error_code ErrnoError(int err) {
  if (err == EDQUOT) return FileError::QuotaExceeded;
  if (err == ESTALE) return FileError::NetworkFileGone;
  return {err, std::generic_category()};
}

std::error_code LastError() {
  return ErrnoError(errno);
}

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

int Fd(std::intptr_t handle) {
  return static_cast<int>(handle);
}

FileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint32_t>(st.st_mode & 07777), static_cast<std::uint32_t>(st.st_uid),
          static_cast<std::uint32_t>(st.st_gid)};
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// Takes the lock on fd if no one holds it: 0, or the errno (EWOULDBLOCK
// while another holds it).
int TryLock(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

// A wait for a lock in the system's queue, on a thread of its own so that it
// can be given up.
struct LockWaiter {
  int fd = -1;
  int result = EWOULDBLOCK;  // 0 once locked, else the errno
};

extern "C" void* WaitInQueue(void* arg) {
  auto* waiter = static_cast<LockWaiter*>(arg);
  // flock is a plain system call: the cancelling may end it at any point.
  int type = 0;
  ::pthread_setcanceltype(PTHREAD_CANCEL_ASYNCHRONOUS, &type);
  int locked = 0;
  do {
    locked = ::flock(waiter->fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  const int result = locked == 0 ? 0 : errno;
  ::pthread_setcanceltype(PTHREAD_CANCEL_DEFERRED, &type);
  waiter->result = result;
  return nullptr;
}

// Waits up to wait for the lock on fd in the system's queue, so that waiters
// are served as the lock is let go rather than whoever looks first: 0 once
// locked, EWOULDBLOCK when time ran out, else the errno. A lock the thread
// got in the last instant before it was cancelled belongs to fd's open
// file, and goes when the caller closes it.
int WaitForLock(int fd, std::chrono::milliseconds wait) {
  LockWaiter waiter;
  waiter.fd = fd;
  pthread_t thread;
  if (const int err = ::pthread_create(&thread, nullptr, WaitInQueue, &waiter); err != 0) return err;
  timespec deadline{};
  ::clock_gettime(CLOCK_MONOTONIC, &deadline);
  const auto count = std::max<std::int64_t>(wait.count(), 0);
  deadline.tv_sec += static_cast<time_t>(count / 1000);
  deadline.tv_nsec += static_cast<long>(count % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    ++deadline.tv_sec;
    deadline.tv_nsec -= 1000000000L;
  }
  int joined = 0;
  do {
    joined = ::pthread_clockjoin_np(thread, nullptr, CLOCK_MONOTONIC, &deadline);
  } while (joined == EINTR);
  if (joined == 0) return waiter.result;
  ::pthread_cancel(thread);
  void* ended = nullptr;
  ::pthread_join(thread, &ended);
  return ended == PTHREAD_CANCELED ? EWOULDBLOCK : waiter.result;
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

const bool ReadOnlyFile::CanBeReplacedWhileOpen = true;

ReadOnlyFile::~ReadOnlyFile() {
  Close();
}

std::error_code ReadOnlyFile::Open(const std::filesystem::path& path, Links links) {
  Close();
  if (std::error_code ec = Fault(FileStep::OpenRead)) return ec;
  std::error_code ec;
  const int fd = OpenRegular(path, O_RDONLY, links == Links::Follow, ec);
  if (fd < 0) return ec;
  handle_ = fd;
  return {};
}

std::error_code ReadOnlyFile::Identity(FileIdentity& identity) const {
  identity = {};
  struct stat st {};
  if (handle_ < 0) return std::make_error_code(std::errc::bad_file_descriptor);
  if (::fstat(Fd(handle_), &st) != 0) return LastError();
  identity = IdentityOf(st);
  return {};
}

std::error_code IdentityAt(const std::filesystem::path& path, FileIdentity& identity) {
  identity = {};
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? std::error_code{} : LastError();
  identity = IdentityOf(st);
  return {};
}

std::uint64_t ReadOnlyFile::Size() const {
  struct stat st {};
  if (handle_ < 0 || ::fstat(Fd(handle_), &st) != 0 || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

std::error_code ReadOnlyFile::ReadAll(std::string& out) {
  out.clear();
  if (std::error_code ec = Fault(FileStep::Read)) return ec;
  struct stat st {};
  if (::fstat(Fd(handle_), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    out.resize(static_cast<std::size_t>(st.st_size) + 1);
  // Read straight into the string. The one spare byte lets the read that
  // meets the end find room without growing; the string grows only when the
  // file is longer than it was when measured.
  std::size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() < 65536 ? 65536 : out.size() * 2);
    const std::size_t want = std::min<std::size_t>(out.size() - used, INT_MAX);
    const ssize_t got = ::read(Fd(handle_), out.data() + used, want);
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
    const ssize_t n = ::read(Fd(handle_), buffer, std::min<std::size_t>(size, INT_MAX));
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return {};
    }
    if (errno != EINTR) return LastError();
  }
}

void ReadOnlyFile::Close() {
  if (handle_ >= 0) ::close(Fd(handle_));
  handle_ = -1;
}

ReadOnlyFile::Version ReadOnlyFile::CurrentVersion() const {
  struct stat st {};
  if (handle_ < 0 || ::fstat(Fd(handle_), &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

void ReadOnlyFile::CloseWithoutWaiting() {
  if (handle_ < 0) return;
  const int fd = static_cast<int>(std::exchange(handle_, -1));
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
    const ssize_t n =
        ::pread(Fd(handle_), buffer, std::min<std::size_t>(size, INT_MAX), static_cast<off_t>(offset));
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
  int err = TryLock(fd.Get());
  if (err == EBADF) {
    // Some network file systems lock only a file open for writing.
    Descriptor writable(OpenRegular(lockFile, O_RDWR, false, ec));
    if (writable.Get() < 0) return ec;
    fd.Reset(writable.Take());
    err = TryLock(fd.Get());
  }
  if (err == EWOULDBLOCK) {
    if ((ec = Fault(FileStep::LockWait))) return ec;
    err = WaitForLock(fd.Get(), wait);
  }
  if (err == EWOULDBLOCK) return std::make_error_code(std::errc::device_or_resource_busy);
  if (err != 0) return ErrnoError(err);
  handle_ = fd.Take();
  return {};
}

void FolderLock::Release() {
  if (handle_ < 0) return;
  ::flock(Fd(handle_), LOCK_UN);
  ::close(Fd(handle_));
  handle_ = -1;
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
  // What the link leads to, when it is neither a file nor a folder, is named.
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return KindRefusal(st.st_mode);
  if (st.st_uid != me) return FileRefusal::ForeignLink;
  target = resolved;
  return {};
}

namespace {

// Opens a new file to be named path once written: unnamed in path's folder
// where the file system allows it, so that nothing can be put in its place
// under that name while it is written; else created with the name, new and
// never through a link. named tells which.
int CreateNew(const std::filesystem::path& path, bool& named) {
  named = false;
  const int fd = OpenRetrying(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY, 0644);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  named = true;
  return OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
}

// Gives the unnamed file fd the name path; a name taken meanwhile is not
// replaced (file_exists).
std::error_code NameNew(int fd, const std::filesystem::path& path) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
  if (errno != ENOENT || ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) != 0) return LastError();
  return {};
}

// The new file takes the permissions in modeFrom, its group where allowed,
// and (for root) its owner.
void TakeOwnership(int fd, const FileIdentity& modeFrom) {
  struct stat own {};
  if (::fstat(fd, &own) != 0) return;
  const bool root = ::geteuid() == 0;
  if (modeFrom.group != own.st_gid || (root && modeFrom.owner != own.st_uid))
    (void)::fchown(fd, root ? static_cast<uid_t>(modeFrom.owner) : static_cast<uid_t>(-1),
                   static_cast<gid_t>(modeFrom.group));
  (void)::fchmod(fd, static_cast<mode_t>(modeFrom.mode & 0777));
}

}  // namespace

std::error_code WriteFileDurably(const std::filesystem::path& path, std::span<const ContentPiece> pieces,
                                 const FileIdentity* modeFrom, FileIdentity* written) {
  if (written != nullptr) *written = {};
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
  bool named = false;
  Descriptor fd(CreateNew(path, named));
  if (fd.Get() < 0) return LastError();
  if (modeFrom != nullptr) TakeOwnership(fd.Get(), *modeFrom);
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
        copied = ::copy_file_range(Fd(piece.file->handle_), &from, fd.Get(), nullptr, want, 0);
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
  if (!ec && !named) {
    ec = NameNew(fd.Get(), path);
    named = !ec;
  }
  struct stat st {};
  if (!ec && written != nullptr) {
    if (::fstat(fd.Get(), &st) == 0)
      *written = IdentityOf(st);
    else
      ec = LastError();
  }
  std::error_code closed = Fault(FileStep::Close);
  if (::close(fd.Take()) != 0 && !closed) closed = LastError();
  if (!ec) ec = closed;
  if (ec && named) ::unlink(path.c_str());
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

}  // namespace wypelniak::platform
