#include "diagramgrid.h"

#include <algorithm>
#include <string>
#include <vector>

#include "controls.h"
#include "form.h"

using wypelniak::Direction;

namespace diagramgrid {
namespace {

const COLORREF kBlock = RGB(20, 20, 20);
const COLORREF kDeadSlot = RGB(255, 214, 214);
const COLORREF kCurrentSlot = RGB(209, 226, 255);
const COLORREF kSelection = RGB(201, 232, 201);
const COLORREF kCursor = RGB(255, 223, 105);
const COLORREF kDeadCell = RGB(210, 0, 0);
const COLORREF kLine = RGB(60, 60, 60);

struct State {
  wypelniak::GridEdit* edit = nullptr;
  const wypelniak::LiveView* live = nullptr;
  bool readOnly = false;
  int pressRow = -1, pressColumn = -1;
  bool dragging = false;
};

const wchar_t kStateProperty[] = L"WypelniakGridState";

State* StateOf(HWND grid) {
  return static_cast<State*>(GetPropW(grid, kStateProperty));
}

// The cells' geometry in the control's pixels.
struct Layout {
  int side = 4, left = 0, top = 0;
};

Layout LayoutOf(HWND grid, const wypelniak::Grid& g) {
  RECT client;
  GetClientRect(grid, &client);
  Layout layout;
  layout.side = std::max(
      4, static_cast<int>(std::min((client.right - 2) / g.Width(), (client.bottom - 2) / g.Height())));
  layout.left = (client.right - layout.side * g.Width()) / 2;
  layout.top = (client.bottom - layout.side * g.Height()) / 2;
  return layout;
}

bool CellAt(HWND grid, const State& state, LPARAM point, int& row, int& column) {
  const wypelniak::Grid& g = state.edit->GetGrid();
  const Layout layout = LayoutOf(grid, g);
  const int x = static_cast<short>(LOWORD(point)) - layout.left;
  const int y = static_cast<short>(HIWORD(point)) - layout.top;
  if (x < 0 || y < 0) return false;
  row = y / layout.side;
  column = x / layout.side;
  return g.Contains(row, column);
}

HFONT CellFont(int pixels, bool bold) {
  return CreateFontW(-pixels, 0, 0, 0, bold ? FW_SEMIBOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     EASTEUROPE_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     VARIABLE_PITCH | FF_SWISS, L"Arial");
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

bool InDeadSlot(const State& state, int cell) {
  if (!state.live) return false;
  for (Direction d : {Direction::Across, Direction::Down}) {
    const int slot = state.edit->SlotAt(cell, d);
    if (slot >= 0 && state.live->Dead(slot)) return true;
  }
  return false;
}

COLORREF Background(const State& state, int row, int column, const std::vector<char>& inCurrent) {
  const wypelniak::GridEdit& edit = *state.edit;
  const int cell = edit.GetGrid().Index(row, column);
  if (edit.GetGrid().IsBlock(cell)) return kBlock;
  if (row == edit.Row() && column == edit.Column()) return kCursor;
  if (edit.Selection().Contains(row, column)) return kSelection;
  if (inCurrent[static_cast<std::size_t>(cell)]) return kCurrentSlot;
  return InDeadSlot(state, cell) ? kDeadSlot : RGB(255, 255, 255);
}

void PaintCells(HDC dc, const State& state, const Layout& layout) {
  const wypelniak::GridEdit& edit = *state.edit;
  const wypelniak::Grid& g = edit.GetGrid();
  std::vector<int> numbers(static_cast<std::size_t>(g.CellCount()), 0);
  for (const wypelniak::Slot& slot : edit.Slots())
    numbers[static_cast<std::size_t>(slot.cells.front())] = slot.number;
  std::vector<char> inCurrent(static_cast<std::size_t>(g.CellCount()), 0);
  if (const int current = edit.CurrentSlot(); current >= 0)
    for (int cell : edit.Slots()[static_cast<std::size_t>(current)].cells)
      inCurrent[static_cast<std::size_t>(cell)] = 1;

  const int side = layout.side;
  HFONT numberFont = CellFont(std::max(6, side * 26 / 100), false);
  HFONT letterFont = CellFont(std::max(7, side * 55 / 100), true);
  HPEN deadPen = CreatePen(PS_INSIDEFRAME, std::max(2, side / 12), kDeadCell);
  SetBkMode(dc, TRANSPARENT);
  for (int r = 0; r < g.Height(); ++r) {
    for (int c = 0; c < g.Width(); ++c) {
      const int cell = g.Index(r, c);
      const RECT rect = {layout.left + c * side, layout.top + r * side, layout.left + (c + 1) * side,
                         layout.top + (r + 1) * side};
      Fill(dc, rect, Background(state, r, c, inCurrent));
      const bool deadCell = state.live && !g.IsBlock(cell) && state.live->DeadCell(cell);
      if (deadCell) {
        HGDIOBJ oldPen = SelectObject(dc, deadPen);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, rect.left + 2, rect.top + 2, rect.right - 1, rect.bottom - 1);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
      }
      SetBkMode(dc, TRANSPARENT);
      if (const int number = numbers[static_cast<std::size_t>(cell)]; number > 0) {
        SelectObject(dc, numberFont);
        SetTextColor(dc, g.IsBlock(cell) ? RGB(255, 255, 255) : RGB(0, 0, 0));
        const std::wstring text = std::to_wstring(number);
        TextOutW(dc, rect.left + std::max(2, side / 16), rect.top + 1, text.c_str(),
                 static_cast<int>(text.size()));
      }
      if (g.HasLetter(cell)) {
        SelectObject(dc, letterFont);
        SetTextColor(dc, deadCell ? kDeadCell : RGB(0, 0, 0));
        const wchar_t letter = static_cast<wchar_t>(wypelniak::CharOfLetter(g.At(cell), true));
        RECT text = rect;
        text.top += side / 8;
        DrawTextW(dc, &letter, 1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      }
    }
  }
  DeleteObject(numberFont);
  DeleteObject(letterFont);
  DeleteObject(deadPen);
}

void PaintLines(HDC dc, const wypelniak::Grid& g, const Layout& layout) {
  HPEN thin = CreatePen(PS_SOLID, 1, kLine);
  HGDIOBJ old = SelectObject(dc, thin);
  const int right = layout.left + layout.side * g.Width();
  const int bottom = layout.top + layout.side * g.Height();
  for (int r = 0; r <= g.Height(); ++r) {
    MoveToEx(dc, layout.left, layout.top + r * layout.side, nullptr);
    LineTo(dc, right + 1, layout.top + r * layout.side);
  }
  for (int c = 0; c <= g.Width(); ++c) {
    MoveToEx(dc, layout.left + c * layout.side, layout.top, nullptr);
    LineTo(dc, layout.left + c * layout.side, bottom + 1);
  }
  SelectObject(dc, old);
  DeleteObject(thin);
}

void Paint(HWND grid, const State& state) {
  PAINTSTRUCT paint;
  HDC target = BeginPaint(grid, &paint);
  RECT client;
  GetClientRect(grid, &client);
  // Drawn off screen first, so that typing never flickers.
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap =
      CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  Fill(dc, client, GetSysColor(COLOR_BTNFACE));
  if (state.edit) {
    const Layout layout = LayoutOf(grid, state.edit->GetGrid());
    PaintCells(dc, state, layout);
    PaintLines(dc, state.edit->GetGrid(), layout);
  }
  if (GetFocus() == grid) {
    RECT focus = client;
    DrawFocusRect(dc, &focus);
  }
  BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  EndPaint(grid, &paint);
}

void Edited(HWND grid) {
  InvalidateRect(grid, nullptr, FALSE);
  SendMessageW(GetParent(grid), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(grid), kEdited),
               reinterpret_cast<LPARAM>(grid));
}

bool OnKey(State& state, WPARAM key) {
  wypelniak::GridEdit& edit = *state.edit;
  switch (key) {
    case VK_LEFT: edit.Arrow(0, -1); return true;
    case VK_RIGHT: edit.Arrow(0, 1); return true;
    case VK_UP: edit.Arrow(-1, 0); return true;
    case VK_DOWN: edit.Arrow(1, 0); return true;
    case VK_BACK: edit.Backspace(); return true;
    case VK_DELETE: edit.Delete(); return true;
    default: return false;
  }
}

bool OnChar(State& state, wchar_t c) {
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  wypelniak::GridEdit& edit = *state.edit;
  if (c == L' ') {
    edit.ToggleDirection();
    return true;
  }
  if (c == L'.') {
    edit.ToggleBlock();
    return true;
  }
  const wypelniak::LetterCode letter = wypelniak::LetterOfChar(static_cast<char32_t>(c));
  if (letter == wypelniak::kNoLetter) return false;
  edit.Type(letter);
  return true;
}

void OnButtonUp(HWND grid, State& state) {
  if (state.pressRow < 0) return;
  ReleaseCapture();
  if (!state.dragging) {
    state.edit->Select({});
    state.edit->Click(state.pressRow, state.pressColumn);
  }
  state.pressRow = state.pressColumn = -1;
  Edited(grid);
}

void OnMouseMove(HWND grid, State& state, LPARAM point) {
  int row = 0, column = 0;
  if (state.pressRow < 0 || !CellAt(grid, state, point, row, column)) return;
  if (!state.dragging && row == state.pressRow && column == state.pressColumn) return;
  state.dragging = true;
  state.edit->Select({std::min(row, state.pressRow), std::min(column, state.pressColumn),
                      std::max(row, state.pressRow), std::max(column, state.pressColumn)});
  InvalidateRect(grid, nullptr, FALSE);
}

LRESULT TextMessage(const State& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const std::wstring text = state.edit ? Widen(state.edit->Text()) : std::wstring();
  if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
  if (wParam == 0) return 0;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(wParam) - 1);
  auto* out = reinterpret_cast<wchar_t*>(lParam);
  std::copy_n(text.data(), n, out);
  out[n] = L'\0';
  return static_cast<LRESULT>(n);
}

LRESULT CALLBACK GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam) {
  State* state = StateOf(grid);
  switch (message) {
    case WM_NCCREATE: SetPropW(grid, kStateProperty, new State); break;
    case WM_NCDESTROY:
      delete state;
      RemovePropW(grid, kStateProperty);
      return DefWindowProcW(grid, message, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      if (state) return TextMessage(*state, message, wParam, lParam);
      break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
      if (state) {
        Paint(grid, *state);
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SIZE: InvalidateRect(grid, nullptr, FALSE); break;
    default: break;
  }
  if (!state || !state->edit) return DefWindowProcW(grid, message, wParam, lParam);
  switch (message) {
    case WM_KEYDOWN:
      if (!state->readOnly && OnKey(*state, wParam)) {
        state->edit->Select({});
        Edited(grid);
        return 0;
      }
      break;
    case WM_CHAR:
      if (!state->readOnly && OnChar(*state, static_cast<wchar_t>(wParam))) {
        state->edit->Select({});
        Edited(grid);
      }
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(grid);
      int row = 0, column = 0;
      if (state->readOnly || !CellAt(grid, *state, lParam, row, column)) return 0;
      SetCapture(grid);
      state->pressRow = row;
      state->pressColumn = column;
      state->dragging = false;
      return 0;
    }
    case WM_MOUSEMOVE: OnMouseMove(grid, *state, lParam); return 0;
    case WM_LBUTTONUP: OnButtonUp(grid, *state); return 0;
    case WM_RBUTTONDOWN: {
      SetFocus(grid);
      int row = 0, column = 0;
      if (state->readOnly || !CellAt(grid, *state, lParam, row, column)) return 0;
      state->edit->MoveTo(row, column);
      state->edit->ToggleBlock();
      Edited(grid);
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(grid, message, wParam, lParam);
}

}  // namespace

void Register() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, WYPELNIAK_DIAGRAM_GRID_CLASS, &windowClass)) return;
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = GridProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = WYPELNIAK_DIAGRAM_GRID_CLASS;
  RegisterClassExW(&windowClass);
}

void Attach(HWND grid, wypelniak::GridEdit* edit) {
  if (State* state = StateOf(grid)) state->edit = edit;
  InvalidateRect(grid, nullptr, FALSE);
}

void SetLiveView(HWND grid, const wypelniak::LiveView* live) {
  if (State* state = StateOf(grid)) state->live = live;
  InvalidateRect(grid, nullptr, FALSE);
}

void SetReadOnly(HWND grid, bool readOnly) {
  if (State* state = StateOf(grid)) state->readOnly = readOnly;
}

}  // namespace diagramgrid
