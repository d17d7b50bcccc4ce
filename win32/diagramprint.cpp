#include "diagramprint.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "form.h"
#include "gridedit.h"

namespace {

// A cell's side on paper: at most 8 mm, less when the grid is wider than the page.
constexpr int kCellTenthsMm = 80;
constexpr int kMarginTenthsMm = 150;
constexpr int kGapTenthsMm = 80;

// Draws one page after another, each in its device's pixels.
class PagePainter {
 public:
  PagePainter(PageTarget& target, const wypelniak::Puzzle& puzzle) : target_(target), puzzle_(puzzle) {}

  bool Paint() {
    if (!NewPage()) return false;
    int y = Heading(L"Krzyżówka");
    y = Grid(y, false) + MmY(kGapTenthsMm);
    if (!Clues(y) || !target_.EndPage() || !NewPage()) return false;
    Grid(Heading(L"Rozwiązanie"), true);
    return target_.EndPage();
  }

 private:
  // Starts a page and measures it: the text area is the page less the
  // margins, measured from the printable area's corner.
  bool NewPage() {
    dc_ = target_.StartPage();
    if (!dc_) return false;
    dpiX_ = GetDeviceCaps(dc_, LOGPIXELSX);
    dpiY_ = GetDeviceCaps(dc_, LOGPIXELSY);
    const int offsetX = GetDeviceCaps(dc_, PHYSICALOFFSETX), offsetY = GetDeviceCaps(dc_, PHYSICALOFFSETY);
    const int pageW = GetDeviceCaps(dc_, PHYSICALWIDTH), pageH = GetDeviceCaps(dc_, PHYSICALHEIGHT);
    area_ = {MmX(kMarginTenthsMm) - offsetX, MmY(kMarginTenthsMm) - offsetY,
             (pageW > 0 ? pageW : GetDeviceCaps(dc_, HORZRES)) - MmX(kMarginTenthsMm) - offsetX,
             (pageH > 0 ? pageH : GetDeviceCaps(dc_, VERTRES)) - MmY(kMarginTenthsMm) - offsetY};
    return true;
  }

  int MmX(int tenths) const { return MulDiv(tenths, dpiX_, 254); }
  int MmY(int tenths) const { return MulDiv(tenths, dpiY_, 254); }

  HFONT Font(int points, bool bold) const {
    return CreateFontW(-MulDiv(points, dpiY_, 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       EASTEUROPE_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, L"Arial");
  }

  int Heading(const std::wstring& fallback) {
    const std::wstring title = puzzle_.title.empty() ? fallback : fallback + L": " + Widen(puzzle_.title);
    HFONT font = Font(14, true);
    HGDIOBJ old = SelectObject(dc_, font);
    RECT rect = area_;
    DrawTextW(dc_, title.c_str(), -1, &rect, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_SINGLELINE | DT_CALCRECT);
    DrawTextW(dc_, title.c_str(), -1, &rect, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(dc_, old);
    DeleteObject(font);
    return rect.bottom + MmY(40);
  }

  // The grid centred across the page from y, with the letters or with the numbers; returns its bottom.
  int Grid(int y, bool letters) {
    const wypelniak::Grid& g = puzzle_.grid;
    const int width = area_.right - area_.left;
    const int side = std::min(MmX(kCellTenthsMm), width / std::max(g.Width(), 1));
    const int left = area_.left + (width - side * g.Width()) / 2;
    std::vector<int> numbers(static_cast<std::size_t>(g.CellCount()), 0);
    for (const wypelniak::Slot& slot : wypelniak::FindSlots(g))
      numbers[static_cast<std::size_t>(slot.cells.front())] = slot.number;
    HPEN thin = CreatePen(PS_SOLID, std::max(1, MmX(2)), RGB(0, 0, 0));
    HFONT numberFont = Font(6, false);
    HFONT letterFont = CreateFontW(-side * 6 / 10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                   EASTEUROPE_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Arial");
    HGDIOBJ oldPen = SelectObject(dc_, thin);
    HGDIOBJ oldFont = SelectObject(dc_, numberFont);
    SetBkMode(dc_, TRANSPARENT);
    for (int r = 0; r < g.Height(); ++r) {
      for (int c = 0; c < g.Width(); ++c) {
        const int cell = g.Index(r, c);
        RECT rect = {left + c * side, y + r * side, left + (c + 1) * side, y + (r + 1) * side};
        SelectObject(dc_, GetStockObject(g.IsBlock(cell) ? BLACK_BRUSH : WHITE_BRUSH));
        Rectangle(dc_, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
        if (letters && g.HasLetter(cell)) {
          SelectObject(dc_, letterFont);
          const wchar_t letter = static_cast<wchar_t>(wypelniak::CharOfLetter(g.At(cell), true));
          DrawTextW(dc_, &letter, 1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else if (!letters && numbers[static_cast<std::size_t>(cell)] > 0) {
          SelectObject(dc_, numberFont);
          const std::wstring number = std::to_wstring(numbers[static_cast<std::size_t>(cell)]);
          TextOutW(dc_, rect.left + MmX(5), rect.top + MmY(3), number.c_str(),
                   static_cast<int>(number.size()));
        }
      }
    }
    HPEN thick = CreatePen(PS_SOLID, std::max(1, MmX(5)), RGB(0, 0, 0));
    SelectObject(dc_, thick);
    SelectObject(dc_, GetStockObject(NULL_BRUSH));
    Rectangle(dc_, left, y, left + side * g.Width() + 1, y + side * g.Height() + 1);
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldFont);
    DeleteObject(thin);
    DeleteObject(thick);
    DeleteObject(numberFont);
    DeleteObject(letterFont);
    return y + side * g.Height();
  }

  // The clues in two columns from y, going on to further pages; false when a page was refused.
  bool Clues(int y) {
    const wypelniak::ClueSheet sheet = wypelniak::MakeClueSheet(puzzle_);
    column_ = 0;
    top_ = y_ = y;
    if (!Block(L"Poziomo", sheet.across)) return false;
    y_ += MmY(30);
    return Block(L"Pionowo", sheet.down);
  }

  bool Block(const std::wstring& title, const std::vector<std::string>& lines) {
    if (!Line(title, true)) return false;
    for (const std::string& text : lines)
      if (!Line(Widen(text), false)) return false;
    return true;
  }

  // One line of the clues, wrapped within its column; a full column goes on
  // in the next, the second on a new page. false when that page was refused.
  bool Line(const std::wstring& text, bool bold) {
    const int width = (area_.right - area_.left - MmX(kGapTenthsMm)) / 2;
    HFONT font = Font(10, bold);
    HGDIOBJ old = SelectObject(dc_, font);
    RECT bounds = {0, 0, width, 0};
    DrawTextW(dc_, text.c_str(), -1, &bounds, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    const int height = bounds.bottom - bounds.top;
    if (y_ + height > area_.bottom && y_ > top_) {
      if (++column_ == 2) {
        SelectObject(dc_, old);
        DeleteObject(font);
        if (!target_.EndPage() || !NewPage()) return false;
        old = SelectObject(dc_, font = Font(10, bold));
        column_ = 0;
        top_ = area_.top;
      }
      y_ = top_;
    }
    const int x = area_.left + column_ * (width + MmX(kGapTenthsMm));
    RECT rect = {x, y_, x + width, y_ + height};
    SetTextColor(dc_, RGB(0, 0, 0));
    DrawTextW(dc_, text.c_str(), -1, &rect, DT_WORDBREAK | DT_NOPREFIX | DT_LEFT);
    y_ += height + MmY(bold ? 15 : 8);
    SelectObject(dc_, old);
    DeleteObject(font);
    return true;
  }

  PageTarget& target_;
  HDC dc_ = nullptr;
  const wypelniak::Puzzle& puzzle_;
  int dpiX_ = 300, dpiY_ = 300;
  RECT area_{};
  int column_ = 0, top_ = 0, y_ = 0;
};

// The printer's settings asking for A4 paper.
HGLOBAL A4Settings() {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVMODEW));
  if (!memory) return nullptr;
  auto* mode = static_cast<DEVMODEW*>(GlobalLock(memory));
  mode->dmSize = sizeof(DEVMODEW);
  mode->dmFields = DM_PAPERSIZE | DM_ORIENTATION;
  mode->dmPaperSize = DMPAPER_A4;
  mode->dmOrientation = DMORIENT_PORTRAIT;
  GlobalUnlock(memory);
  return memory;
}

// The pages of a printer's document.
class PrinterPages : public PageTarget {
 public:
  explicit PrinterPages(HDC dc) : dc_(dc) {}
  HDC StartPage() override { return ::StartPage(dc_) > 0 ? dc_ : nullptr; }
  bool EndPage() override { return ::EndPage(dc_) > 0; }

 private:
  HDC dc_;
};

}  // namespace

bool PaintPuzzlePages(PageTarget& target, const wypelniak::Puzzle& puzzle) {
  return PagePainter(target, puzzle).Paint();
}

bool PrintPuzzle(HWND owner, const wypelniak::Puzzle& puzzle, std::string& problem) {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.hDevMode = A4Settings();
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  if (!PrintDlgW(&dialog)) {
    // With no printer at all the dialog has said so itself.
    const DWORD error = CommDlgExtendedError();
    if (error != 0 && error != PDERR_NODEFAULTPRN && error != PDERR_NODEVICES)
      problem =
          "Nie można otworzyć okna drukowania (błąd " + std::to_string(error) +
          "). Sprawdź w Ustawieniach systemu Windows (Drukarki i skanery), czy drukarka jest zainstalowana, "
          "a potem wybierz Plik › Drukuj… jeszcze raz.";
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
    return false;
  }
  DOCINFOW document{};
  document.cbSize = sizeof document;
  const std::wstring title = puzzle.title.empty() ? std::wstring(L"Krzyżówka") : Widen(puzzle.title);
  document.lpszDocName = title.c_str();
  PrinterPages pages(dialog.hDC);
  bool printed = StartDocW(dialog.hDC, &document) > 0 && PaintPuzzlePages(pages, puzzle);
  if (printed) {
    printed = EndDoc(dialog.hDC) > 0;
  } else {
    AbortDoc(dialog.hDC);
  }
  if (!printed)
    problem =
        "Drukarka nie przyjęła wydruku. Sprawdź, czy jest włączona i gotowa, i wybierz Plik › Drukuj… "
        "jeszcze raz.";
  DeleteDC(dialog.hDC);
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  return printed;
}
