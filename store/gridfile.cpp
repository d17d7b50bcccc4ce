#include "gridfile.h"

#include <algorithm>

#include "platform.h"
#include "wordlist.h"

namespace wypelniak {
namespace {

bool HasIpuzName(const std::filesystem::path& path) {
  std::string extension = PathText(path.extension());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return extension == ".ipuz";
}

GridFileResult Failed(GridFileError error, const std::filesystem::path& path, std::error_code system = {}) {
  GridFileResult result;
  result.error = error;
  result.path = path;
  result.system = system;
  return result;
}

// The new file, made beside the one it will replace: "~" before its name,
// ".tmp" after.
std::filesystem::path TempBeside(const std::filesystem::path& target) {
  std::filesystem::path temp = target;
  temp.replace_filename(std::filesystem::path("~").native() + target.filename().native() +
                        std::filesystem::path(".tmp").native());
  return temp;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

GridFileResult ParseGridFile(std::string_view content, bool ipuzName) {
  GridFileResult result;
  if (ipuzName || LooksLikeIpuz(content)) {
    result.ipuz = ParseIpuz(content);
    if (result.ipuz.error != IpuzError::None) {
      result.error = GridFileError::Ipuz;
      return result;
    }
    result.puzzle = std::move(result.ipuz.puzzle);
    return result;
  }
  result.text = ParseGridText(content);
  if (result.text.error != GridTextError::None) {
    result.error = GridFileError::Text;
    return result;
  }
  result.puzzle.grid = std::move(result.text.grid);
  return result;
}

GridFileResult ReadGridFile(const std::filesystem::path& path) {
  platform::ReadOnlyFile file;
  if (const std::error_code ec = file.Open(path)) return Failed(GridFileError::Read, path, ec);
  std::string content;
  std::uint64_t size = file.Size();
  if (size <= kMaxGridFileBytes) {
    if (const std::error_code ec = file.ReadAll(content)) return Failed(GridFileError::Read, path, ec);
    size = content.size();  // a file that grew since is still held to the limit
  }
  if (size > kMaxGridFileBytes) {
    GridFileResult result = Failed(GridFileError::TooLarge, path);
    result.size = size;
    return result;
  }
  GridFileResult result = ParseGridFile(content, HasIpuzName(path));
  result.path = path;
  return result;
}

GridFileResult WriteGridFile(const std::filesystem::path& path, const Puzzle& puzzle) {
  return WritePuzzleFile(path, IpuzText(puzzle));
}

GridFileResult WritePuzzleFile(const std::filesystem::path& path, std::string_view content) {
  std::filesystem::path target;
  if (const std::error_code ec = platform::WriteTarget(path, target))
    return Failed(GridFileError::Write, path, ec);
  std::error_code ignored;
  const bool exists = std::filesystem::exists(std::filesystem::symlink_status(target, ignored));
  // A file the user made read-only stays as it is, though its folder would
  // let a new file take its place.
  if (exists) {
    if (const std::error_code ec = platform::CheckWritable(target))
      return Failed(GridFileError::Write, path, ec);
  }
  // The file replaced is the one whose permissions the new one takes, and
  // must still be what stands there when the new one is put in its place.
  platform::FileIdentity replaced;
  if (exists) {
    if (const std::error_code ec = platform::IdentityAt(target, replaced))
      return Failed(GridFileError::Write, path, ec);
  }
  const std::filesystem::path temp = TempBeside(target);
  platform::FileIdentity written;
  if (const std::error_code ec =
          platform::WriteFileDurably(temp, content, exists ? &replaced : nullptr, &written)) {
    GridFileResult result = Failed(GridFileError::Write, path, ec);
    result.temp = temp;
    return result;
  }
  if (const std::error_code ec = platform::RenameChecked(temp, written, target, exists ? &replaced : nullptr)) {
    platform::RemoveFile(temp);
    return Failed(GridFileError::Replace, path, ec);
  }
  if (const std::error_code ec = platform::SyncFolder(FolderOf(target)))
    return Failed(GridFileError::Confirm, path, ec);
  GridFileResult result;
  result.path = path;
  return result;
}

std::string DescribeGridFileError(const GridFileResult& r) {
  const std::string reading = "Nie można odczytać diagramu z pliku " + PathText(r.path) + ": ";
  const std::string writing = "Nie udało się zapisać diagramu w pliku " + PathText(r.path) + ": ";
  const std::string unchanged = ". Plik na dysku nie został zmieniony.";
  switch (r.error) {
    case GridFileError::None: return {};
    case GridFileError::Read: return reading + DescribeFileError(r.system) + ".";
    case GridFileError::TooLarge:
      return reading + "plik jest za duży (" + std::to_string(r.size / 1024) + " KiB); plik diagramu ma " +
             "najwyżej " + std::to_string(kMaxGridFileBytes >> 20) + " MiB (diagram " +
             std::to_string(kMaxGridSide) + " × " + std::to_string(kMaxGridSide) +
             " z hasłami zajmuje kilkadziesiąt KiB), więc to nie jest plik diagramu.";
    case GridFileError::Ipuz: return reading + DescribeIpuzError(r.ipuz) + ".";
    case GridFileError::Text:
      return reading + DescribeGridTextError(r.text) +
             ". Diagram w postaci tekstowej to jeden wiersz w linii: „#” czarne pole, „.” puste pole, "
             "litera – pole z literą; albo plik .ipuz.";
    case GridFileError::Write:
      // What keeps the new file from being made is told of that file.
      if (!r.temp.empty() && (r.system == std::errc::is_a_directory || r.system == std::errc::file_exists))
        return writing + "nie można utworzyć pliku tymczasowego " + PathText(r.temp) + ": " +
               DescribeFileError(r.system) + unchanged;
      return writing + DescribeFileError(r.system) + unchanged;
    case GridFileError::Replace: return writing + DescribeFileError(r.system) + unchanged;
    case GridFileError::Confirm:
      return "Diagram zapisano w pliku " + PathText(r.path) +
             ", ale system nie potwierdził, że zapis przetrwa awarię: " + DescribeFileError(r.system) +
             ". Zapisz diagram jeszcze raz.";
  }
  return {};
}

}  // namespace wypelniak
