#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "grid.h"
#include "ipuz.h"
#include "puzzle.h"

// Grid files: reading a crossword from an .ipuz file or from the grid's text
// form (told apart by their content), and writing it as .ipuz the way the
// word-list files are written: a new file beside the old one, synced to the
// disk, then renamed into its place, so that a failure leaves the old file as
// it was.
namespace wypelniak {

// A 40 × 40 grid with its clues takes some tens of KiB; a larger file is
// refused unread.
inline constexpr std::uint64_t kMaxGridFileBytes = std::uint64_t{4} << 20;

enum class GridFileError {
  None,
  Read,      // the file cannot be opened or read (system)
  TooLarge,  // larger than kMaxGridFileBytes (size)
  Ipuz,      // an .ipuz file that cannot be read (ipuz)
  Text,      // a text grid that cannot be read (text)
  Write,     // the new file cannot be written (system; temp: the new file); the old one is unchanged
  Replace,   // the new file cannot take the old one's place (system); the old one is unchanged
  Confirm,   // the new file is in place, but the system did not confirm it will survive a crash (system)
};

struct GridFileResult {
  GridFileError error = GridFileError::None;
  std::filesystem::path path;  // the file as the user named it
  std::filesystem::path temp;  // Write: the new file made beside it
  std::error_code system;
  std::uint64_t size = 0;
  IpuzResult ipuz;      // the .ipuz error
  GridTextResult text;  // the text-form error
  Puzzle puzzle;        // what was read
};

// Reads a grid file: .ipuz when the name ends in .ipuz or the content looks
// like it (LooksLikeIpuz), the text form (UTF-8) otherwise. Only a regular file is read.
GridFileResult ReadGridFile(const std::filesystem::path& path);

// The same for content already read; ipuzName: the file's name ends in .ipuz.
GridFileResult ParseGridFile(std::string_view content, bool ipuzName);

// Writes the puzzle as .ipuz in place of path (a new file, synced, renamed
// over the old one; a link of the user's own is written through).
GridFileResult WriteGridFile(const std::filesystem::path& path, const Puzzle& puzzle);

// The same for content already made (the puzzle as .ipuz, or printed as PDF).
GridFileResult WritePuzzleFile(const std::filesystem::path& path, std::string_view content);

// The Polish message for a failed read or write, naming the file.
std::string DescribeGridFileError(const GridFileResult& result);

}  // namespace wypelniak
