// The parts of the file layer that are the same on every system; the rest
// is in linux/platform.cpp or windows/platform.cpp, whichever the build
// picks.
#include <utility>
#include <vector>

#include "platformimpl.h"

namespace wypelniak::platform {
namespace {

FaultHook& Hook() {
  static FaultHook hook;
  return hook;
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
      case FileRefusal::Swapped: return "new file swapped before it was put in place";
      case FileRefusal::SwappedInPlace: return "new file swapped as it was put in place";
    }
    return "refused";
  }
};

class FileErrorCategoryImpl : public std::error_category {
 public:
  const char* name() const noexcept override { return "wypelniak.system"; }
  std::string message(int value) const override {
    switch (static_cast<FileError>(value)) {
      case FileError::InUse: return "file in use";
      case FileError::BadName: return "invalid file name";
      case FileError::QuotaExceeded: return "disk quota exceeded";
      case FileError::NetworkFileGone: return "stale network file";
    }
    return "system error";
  }
};

}  // namespace

const std::error_category& FileErrorCategory() {
  static const FileErrorCategoryImpl category;
  return category;
}

std::error_code make_error_code(FileError error) {
  return {static_cast<int>(error), FileErrorCategory()};
}

const std::error_category& RefusalCategory() {
  static const RefusalCategoryImpl category;
  return category;
}

std::error_code make_error_code(FileRefusal refusal) {
  return {static_cast<int>(refusal), RefusalCategory()};
}

void SetFaultHook(FaultHook hook) {
  Hook() = std::move(hook);
}

std::error_code detail::Fault(FileStep step) {
  const FaultHook& hook = Hook();
  return hook ? hook(step) : std::error_code{};
}

std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  ReadOnlyFile file;
  if (std::error_code ec = file.Open(path)) return ec;
  return file.ReadAll(out);
}

std::error_code WriteFileDurably(const std::filesystem::path& path, std::span<const std::string_view> pieces,
                                 const FileIdentity* modeFrom, FileIdentity* written) {
  std::vector<ContentPiece> content(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) content[i].bytes = pieces[i];
  return WriteFileDurably(path, std::span<const ContentPiece>(content), modeFrom, written);
}

std::error_code WriteFileDurably(const std::filesystem::path& path, std::string_view data,
                                 const FileIdentity* modeFrom, FileIdentity* written) {
  return WriteFileDurably(path, std::span<const std::string_view>(&data, 1), modeFrom, written);
}

std::error_code RenameChecked(const std::filesystem::path& from, const FileIdentity& written,
                              const std::filesystem::path& to, const FileIdentity* replaced) {
  // A rename moves whatever has the name at that instant: a file put there
  // by another program is caught before the rename, one put there in the
  // last instant is caught after it.
  FileIdentity standing;
  if (std::error_code ec = IdentityAt(from, standing)) return ec;
  if (!standing.SameFile(written)) return FileRefusal::Swapped;
  if (replaced != nullptr) {
    if (std::error_code ec = IdentityAt(to, standing)) return ec;
    if (!standing.SameFile(*replaced)) return FileRefusal::Changed;
  }
  if (std::error_code ec = RenameOver(from, to)) return ec;
  if (std::error_code ec = IdentityAt(to, standing)) return ec;
  if (!standing.SameFile(written)) return FileRefusal::SwappedInPlace;
  return {};
}

}  // namespace wypelniak::platform
