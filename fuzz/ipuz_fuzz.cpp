// The grid-file reader over arbitrary bytes, in both forms. The input's first
// byte says, by its low bit, whether the file's name ends in .ipuz; the rest
// is the file. Whatever the bytes, reading ends in a puzzle or in a Polish
// message (UTF-8) naming what is wrong; a puzzle read keeps to the grid's
// limits, written as .ipuz it reads back the same, and a text grid's own
// text form reads back the same grid.

#include <cstdint>
#include <string>
#include <string_view>

#include "charsets.h"
#include "fuzz_support.h"
#include "gridfile.h"
#include "ipuz.h"

namespace {

bool IsUtf8(std::string_view text) {
  std::string out;
  return wypelniak::AppendAsUtf8(wypelniak::Charset::Utf8, text, out);
}

void CheckGrid(const wypelniak::Grid& grid) {
  using namespace wypelniak;
  FUZZ_CHECK(grid.Width() >= kMinGridSide && grid.Width() <= kMaxGridSide);
  FUZZ_CHECK(grid.Height() >= kMinGridSide && grid.Height() <= kMaxGridSide);
  FUZZ_CHECK(grid.Cells().size() == static_cast<std::size_t>(grid.CellCount()));
  for (CellValue v : grid.Cells()) FUZZ_CHECK(v == kBlock || v == kEmpty || v < kLetterCount);
  for (const Slot& slot : FindSlots(grid)) {
    FUZZ_CHECK(slot.length >= 2 && slot.cells.size() == static_cast<std::size_t>(slot.length));
    for (int cell : slot.cells) FUZZ_CHECK(grid.IsOpen(cell));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace wypelniak;
  if (size == 0) return 0;
  const bool ipuzName = (bytes[0] & 1) != 0;
  const std::string_view content(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  const GridFileResult read = ParseGridFile(content, ipuzName);
  if (read.error != GridFileError::None) {
    const std::string message = DescribeGridFileError(read);
    FUZZ_CHECK(!message.empty());
    FUZZ_CHECK(IsUtf8(message));
    return 0;
  }
  CheckGrid(read.puzzle.grid);
  const IpuzResult again = ParseIpuz(IpuzText(read.puzzle));
  FUZZ_CHECK(again.error == IpuzError::None);
  FUZZ_CHECK(again.puzzle == read.puzzle);
  if (!ipuzName && !LooksLikeIpuz(content))
    FUZZ_CHECK(ParseGridText(GridText(read.puzzle.grid, true)).grid == read.puzzle.grid);
  return 0;
}
