// The grid window's printed pages, drawn in this process into a picture a
// page (an enhanced metafile) and read back as the texts on each page.

#include <cwctype>
#include <filesystem>
#include <string>
#include <vector>

#include "checks.h"
#include "diagramprint.h"
#include "gridedit.h"

namespace {

int CALLBACK CollectText(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM texts) {
  if (record->iType == EMR_EXTTEXTOUTW) {
    const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const auto* chars =
        reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
    reinterpret_cast<std::wstring*>(texts)->append(chars, text->emrtext.nChars);
  }
  return 1;
}

// Each page a metafile on the screen's terms; refuses the page refuseAt
// (0 the first) when it is set.
class PicturePages : public PageTarget {
 public:
  explicit PicturePages(int refuseAt = -1) : refuseAt_(refuseAt) {}
  ~PicturePages() override {
    if (dc_) DeleteEnhMetaFile(CloseEnhMetaFile(dc_));
  }
  HDC StartPage() override {
    if (static_cast<int>(texts.size()) == refuseAt_) return nullptr;
    return dc_ = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  }
  bool EndPage() override {
    HENHMETAFILE picture = CloseEnhMetaFile(dc_);
    dc_ = nullptr;
    std::wstring text;
    EnumEnhMetaFile(nullptr, picture, CollectText, &text, nullptr);
    DeleteEnhMetaFile(picture);
    texts.push_back(text);
    return true;
  }

  std::vector<std::wstring> texts;  // each page's texts run together

 private:
  int refuseAt_;
  HDC dc_ = nullptr;
};

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

// Text without its blanks: a wrapped line is drawn as several pieces.
std::wstring Squeezed(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text)
    if (!std::iswspace(c)) out += c;
  return out;
}

// A 6 x 6 grid of letters whose twelve clues are long enough to go on to a
// second page.
wypelniak::Puzzle LongPuzzle() {
  wypelniak::Puzzle puzzle;
  puzzle.grid = wypelniak::ParseGridText("KOTKOT\nŁABĘDŹ\nKOTKOT\nŁABĘDŹ\nKOTKOT\nŁABĘDŹ\n").grid;
  for (const wypelniak::Slot& slot : wypelniak::FindSlots(puzzle.grid)) {
    std::string text = "Wskazówka " + std::to_string(slot.number);
    for (int i = 0; i < 12; ++i) text += " żółty źrebak pije wodę";
    puzzle.clues.push_back({slot.direction, slot.number, text});
  }
  return puzzle;
}

}  // namespace

// The puzzle's heading, grid and every clue in order, going on to a second
// page, then the solution on a page of its own; a refused page, wherever it
// comes, is a failure.
void DiagramPrintPages(const std::filesystem::path&) {
  const wypelniak::Puzzle puzzle = LongPuzzle();
  PicturePages pages;
  CHECK(PaintPuzzlePages(pages, puzzle), L"the pages are drawn");
  CHECK(pages.texts.size() >= 3, L"the clues go on to a second page: " + std::to_wstring(pages.texts.size()));
  if (pages.texts.size() < 3) return;
  CHECK(pages.texts.front().starts_with(L"Krzyżówka"), L"the first page's heading: " + pages.texts.front());
  std::wstring clues;
  for (std::size_t i = 0; i + 1 < pages.texts.size(); ++i) clues += Squeezed(pages.texts[i]);
  const wypelniak::ClueSheet sheet = wypelniak::MakeClueSheet(puzzle);
  std::size_t at = clues.find(L"Poziomo");
  for (const std::vector<std::string>* lines : {&sheet.across, &sheet.down}) {
    if (lines == &sheet.down) at = clues.find(L"Pionowo", at);
    for (const std::string& line : *lines) {
      at = at == std::wstring::npos ? at : clues.find(Squeezed(Wide(line)), at);
      CHECK(at != std::wstring::npos, L"printed, in its place: " + Wide(line));
    }
  }
  CHECK(pages.texts[1].find(L"Wskazówka") != std::wstring::npos, L"the second page goes on with the clues");
  std::wstring solution = L"Rozwiązanie";
  for (int cell = 0; cell < puzzle.grid.CellCount(); ++cell)
    solution += static_cast<wchar_t>(wypelniak::CharOfLetter(puzzle.grid.At(cell), true));
  CHECK_EQ(Squeezed(pages.texts.back()), solution, L"the last page: the solution, row by row");

  const int count = static_cast<int>(pages.texts.size());
  for (int refused : {0, 1, count - 1}) {
    PicturePages refusing(refused);
    CHECK(!PaintPuzzlePages(refusing, puzzle), L"page " + std::to_wstring(refused + 1) + L" refused: a failure");
  }
}
