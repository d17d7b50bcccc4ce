#include "frmmain.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

#include "controls.h"
#include "frmabout.h"
#include "frmpodpowiedzi.h"
#include "frmslownik.h"
#include "patternsearch.h"

namespace {

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX | WS_VISIBLE;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE;

// In creation order; the result list comes before the please-wait label so
// that it lies above it and covers it while shown.
const ControlSpec kControls[] = {
    {IDC_MAIN_LABEL1, L"Static", L"Wpisz jakieś słowo, zamiast 'dziur' wpisuj gwiazdkę (*)", kLabel, 0, 120,
     120, 2655, 495},
    {IDC_MAIN_TEXT1, L"Edit", L"", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE, 120,
     600, 2655, 285},
    {IDC_MAIN_LABEL2, L"Static", L"Pasujące słowa", kLabel | WS_CLIPSIBLINGS, 0, 120, 960, 2655, 255},
    {IDC_MAIN_LIST1, WC_LISTVIEWW, L"",
     LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP |
         WS_CLIPSIBLINGS | WS_VISIBLE,
     WS_EX_CLIENTEDGE, 120, 1200, 2655, 1815},
    {IDC_MAIN_LABEL3, L"Static", L"Proszę czekać, trwa wyszukiwanie odpowiednich wyrazów !!!",
     kLabel | WS_CLIPSIBLINGS, 0, 240, 1440, 2415, 1455, FontKind::Large},
    {IDC_MAIN_COMMAND1, L"Button", L"Szukaj", kButton, 0, 3000, 120, 1455, 375},
    {IDC_MAIN_COMMAND2, L"Button", L"O programie", kButton, 0, 3000, 600, 1455, 375},
    {IDC_MAIN_COMMAND3, L"Button", L"Koniec", kButton, 0, 3000, 1080, 1455, 375},
    {IDC_MAIN_COMMAND4, L"Button", L"Command4", BS_PUSHBUTTON | WS_TABSTOP, 0, 3000, 1680, 1455, 375},
    {IDC_MAIN_COMMAND5, L"Button", L"Dodaj nowy wyraz do słownika", kButton | BS_MULTILINE, 0, 3000, 2400,
     1455, 615},
};

// Draws Command5, whose caption needs three lines at its width with MS Sans
// Serif: the button's own drawing keeps a margin inside the bevel and cuts
// the first and the last line. Here the caption is wrapped within the bevel
// and centred on the whole button, unclipped: the lines' leading lies on the
// bevel, their letters inside it.
LRESULT DrawWrappedButton(NMCUSTOMDRAW& draw) {
  if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  HWND button = draw.hdr.hwndFrom;
  HDC dc = draw.hdc;
  RECT area = draw.rc;
  const bool disabled = !IsWindowEnabled(button);
  const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
  if (HTHEME theme = OpenThemeData(button, L"BUTTON")) {
    const int state = disabled                           ? PBS_DISABLED
                      : pressed                          ? PBS_PRESSED
                      : (draw.uItemState & CDIS_HOT)     ? PBS_HOT
                      : (draw.uItemState & CDIS_DEFAULT) ? PBS_DEFAULTED
                                                         : PBS_NORMAL;
    if (IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, state))
      DrawThemeParentBackground(button, dc, &area);
    DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &area, nullptr);
    CloseThemeData(theme);
  } else {
    DrawFrameControl(dc, &area, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  }
  const std::wstring caption = WindowText(button);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
  const int bevel = GetSystemMetrics(SM_CXEDGE);
  RECT text = {area.left + bevel, 0, area.right - bevel, 0};
  constexpr UINT kFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  DrawTextW(dc, caption.c_str(), -1, &text, kFormat | DT_CALCRECT);
  const int height = text.bottom - text.top;
  text.left = area.left + bevel;
  text.right = area.right - bevel;
  text.top = area.top + (area.bottom - area.top - height) / 2 + (pressed ? 1 : 0);
  text.bottom = text.top + height;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  DrawTextW(dc, caption.c_str(), -1, &text, kFormat | DT_NOCLIP);
  SelectObject(dc, oldFont);
  if ((draw.uItemState & CDIS_FOCUS) && !(SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
    RECT focus = area;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
  return CDRF_SKIPDEFAULT;
}

}  // namespace

frmMain::frmMain(std::filesystem::path programFolder) : programFolder_(std::move(programFolder)) {
  Create(WYPELNIAK_MAIN_CLASS, Widen(wypelniak::ApplicationTitle), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0,
         nullptr, 4680, 3195, kControls,
         {IDC_MAIN_TEXT1, IDC_MAIN_LIST1, IDC_MAIN_COMMAND1, IDC_MAIN_COMMAND2, IDC_MAIN_COMMAND3,
          IDC_MAIN_COMMAND4, IDC_MAIN_COMMAND5});
  bigIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  smallIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  SetIcon(bigIcon_, smallIcon_);

  HWND list = Item(IDC_MAIN_LIST1);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  ListView_InsertColumn(list, 0, &column);
  FitColumn();
  SendMessageW(Item(IDC_MAIN_TEXT1), EM_SETLIMITTEXT, 0, 0);
  // The please-wait label lies beneath the result list.
  SetWindowPos(Item(IDC_MAIN_LABEL3), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

frmMain::~frmMain() {
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

void frmMain::Show() {
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
  SetForegroundWindow(Handle());
  SetFocus(Item(IDC_MAIN_TEXT1));
}

void frmMain::FitColumn() {
  HWND list = Item(IDC_MAIN_LIST1);
  RECT client;
  GetClientRect(list, &client);
  // Room for the vertical scroll bar whether or not it shows, so that the
  // column never needs a horizontal one.
  const int width = (client.right - client.left) -
                    ((GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL) ? 0 : GetSystemMetrics(SM_CXVSCROLL));
  ListView_SetColumnWidth(list, 0, std::max(width, 1));
}

std::wstring frmMain::RowText(std::size_t row) const {
  if (row < results_.Size()) {
    const std::u16string found = results_.Utf16(row);
    return std::wstring(found.begin(), found.end());
  }
  if (row - results_.Size() < added_.size()) return added_[row - results_.Size()];
  return {};
}

std::string frmMain::PatternText() {
  return Narrow(WindowText(Item(IDC_MAIN_TEXT1)));
}

void frmMain::ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) {
  ::ShowMessage(Handle(), text, title, icon);
}

void frmMain::ClearResults() {
  results_.Clear();
  added_.clear();
  ListView_SetItemCountEx(Item(IDC_MAIN_LIST1), 0, 0);
}

void frmMain::SetResultsVisible(bool visible) {
  HWND list = Item(IDC_MAIN_LIST1);
  // The rows found reach the list in one piece, before it shows.
  if (visible) ListView_SetItemCountEx(list, static_cast<int>(RowCount()), 0);
  ShowWindow(list, visible ? SW_SHOW : SW_HIDE);
  ShowWindow(Item(IDC_MAIN_LABEL2), visible ? SW_SHOW : SW_HIDE);
  if (visible) FitColumn();
}

void frmMain::SetPatternEnabled(bool enabled) {
  EnableWindow(Item(IDC_MAIN_TEXT1), enabled ? TRUE : FALSE);
}

void frmMain::ProcessPendingEvents() {
  Form::ProcessPendingMessages();
}

void frmMain::AddResult(std::string_view word) {
  added_.push_back(Widen(word));
}

LRESULT frmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_MAIN_COMMAND5 && header->code == NM_CUSTOMDRAW)
        return DrawWrappedButton(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
      if (header->idFrom == IDC_MAIN_LIST1 && header->code == LVN_GETDISPINFOW) {
        // The one place a row becomes text: when the list draws or asks for it.
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        LVITEMW& item = info->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
          const std::wstring text = RowText(static_cast<std::size_t>(std::max(item.iItem, 0)));
          const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
          std::copy_n(text.data(), n, item.pszText);
          item.pszText[n] = L'\0';
        }
        return 0;
      }
      // A double-click on a row opens its hints (Enter comes through OnEnter:
      // the window takes the key before the list sees it).
      if (header->idFrom == IDC_MAIN_LIST1 && header->code == NM_DBLCLK) {
        ShowHints(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
        return 0;
      }
      break;
    }
    case WM_DPICHANGED: {
      LRESULT result = Form::OnMessage(message, wParam, lParam);
      FitColumn();
      return result;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return Form::OnMessage(message, wParam, lParam);
}

void frmMain::OnCommand(int id) {
  switch (id) {
    case IDC_MAIN_COMMAND1: Search(); break;
    case IDC_MAIN_COMMAND2: ShowAbout(); break;
    case IDC_MAIN_COMMAND3: EndProgram(); break;
    case IDC_MAIN_COMMAND5: ShowAddWord(); break;
    default: break;  // Command4 does nothing.
  }
}

void frmMain::OnClose() {
  // Closing the main window ends the program, after a running search.
  if (searching_) {
    endRequested_ = true;
    return;
  }
  DestroyWindow(Handle());
}

COLORREF frmMain::LabelColour(int id) {
  return id == IDC_MAIN_LABEL3 ? RGB(255, 0, 0) : CLR_INVALID;
}

void frmMain::Search() {
  if (searching_) return;
  searching_ = true;
  wypelniak::PatternSearch(*this, searchMemory_, programFolder_);
  searching_ = false;
  if (endRequested_) EndProgram();
}

void frmMain::ShowAbout() {
  if (searching_) return;
  frmAbout about(Handle());
  about.ShowModal(Handle());
}

void frmMain::EndProgram() {
  if (searching_) {
    endRequested_ = true;
    return;
  }
  ClearResults();
  // The window goes without its close handler; its destruction ends the
  // message loop.
  DestroyWindow(Handle());
}

void frmMain::ShowAddWord() {
  if (searching_) return;
  frmSlownik dialog(Handle(), programFolder_);
  dialog.SetIcon(bigIcon_, smallIcon_);
  dialog.ShowModal(Handle());
}

void frmMain::OnEnter() {
  HWND list = Item(IDC_MAIN_LIST1);
  if (GetFocus() == list) ShowHints(ListView_GetNextItem(list, -1, LVNI_SELECTED));
}

void frmMain::ShowHints(int row) {
  if (searching_ || row < 0 || static_cast<std::size_t>(row) >= RowCount()) return;
  if (!(ListView_GetItemState(Item(IDC_MAIN_LIST1), row, LVIS_SELECTED) & LVIS_SELECTED)) return;
  frmPodpowiedzi hints(Handle(), Narrow(RowText(static_cast<std::size_t>(row))), programFolder_);
  hints.SetIcon(bigIcon_, smallIcon_);
  hints.ShowModal(Handle());
}
