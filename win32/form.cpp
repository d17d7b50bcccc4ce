#include "form.h"

#include "controls.h"

#include <commctrl.h>

#include <utility>

namespace {

const wchar_t kFormProperty[] = L"WypelniakForm";

MessageFunction& CurrentMessageFunction() {
  static MessageFunction function = nullptr;
  return function;
}

void ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title,
                    wypelniak::MessageIcon icon) {
  UINT flags = MB_OK;
  switch (icon) {
    case wypelniak::MessageIcon::Exclamation: flags |= MB_ICONEXCLAMATION; break;
    case wypelniak::MessageIcon::Information: flags |= MB_ICONINFORMATION; break;
    case wypelniak::MessageIcon::None: break;
  }
  MessageBoxW(owner, text.c_str(), title.c_str(), flags);
}

// Calls that newer systems have and older ones lack, looked up once.
template <typename Function>
Function SystemCall(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  return handle ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// The face of the controls' font: MS Sans Serif where the system has it with
// Central European letters, else Microsoft Sans Serif, its TrueType
// successor. Asking for the Central European character set matters: without
// it an English-locale system draws ą, ę, ś as bars.
const wchar_t* FontFace() {
  static const wchar_t* face = [] {
    LOGFONTW wanted{};
    wanted.lfCharSet = EASTEUROPE_CHARSET;
    wcscpy(wanted.lfFaceName, L"MS Sans Serif");
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(
        dc, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
          *reinterpret_cast<bool*>(data) = true;
          return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found ? L"MS Sans Serif" : L"Microsoft Sans Serif";
  }();
  return face;
}

HFONT MakeFont(int tenthsOfPoint, bool bold, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(tenthsOfPoint, static_cast<int>(dpi), 720);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = EASTEUROPE_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  wcscpy(font.lfFaceName, FontFace());
  return CreateFontIndirectW(&font);
}

bool IsPushButton(HWND control) {
  wchar_t name[16];
  if (!GetClassNameW(control, name, 16) || lstrcmpiW(name, L"Button") != 0) return false;
  const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

int Twips(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), TwipsPerInch);
}

UINT WindowDpi(HWND window) {
  static const auto getDpiForWindow = SystemCall<GetDpiForWindowCall>(L"user32.dll", "GetDpiForWindow");
  if (getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window)) return dpi;
  }
  HDC dc = GetDC(window);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(window, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                      nullptr);
  return utf8;
}

HICON LoadProgramIcon(int width, int height) {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, width, height, 0));
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void ShowMessage(HWND owner, std::string_view text, std::string_view title, wypelniak::MessageIcon icon) {
  const std::wstring shownTitle =
      Widen(title.empty() ? std::string_view(wypelniak::ApplicationTitle) : title);
  MessageFunction function = CurrentMessageFunction();
  (function ? function : ShowMessageBox)(owner, Widen(text), shownTitle, icon);
}

MessageFunction SetMessageFunction(MessageFunction function) {
  return std::exchange(CurrentMessageFunction(), function);
}

// ------------------------------------------------------------------ Form

Form::~Form() {
  if (hwnd_) DestroyWindow(hwnd_);
  for (HFONT font : fonts_)
    if (font) DeleteObject(font);
}

void Form::Create(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                  HWND owner, int clientWidth, int clientHeight, std::span<const ControlSpec> controls,
                  std::vector<int> tabOrder) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExW(instance, className, &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
  }
  style_ = style;
  exStyle_ = exStyle;
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  controls_.assign(controls.begin(), controls.end());
  tabOrder_ = std::move(tabOrder);

  hwnd_ = CreateWindowExW(exStyle, className, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                          owner, nullptr, instance, this);
  for (const ControlSpec& control : controls_) {
    CreateWindowExW(control.exStyle, control.className, control.text, WS_CHILD | control.style, 0, 0, 0, 0,
                    hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
  }
  ApplyDpi(WindowDpi(hwnd_));
  Centre();
}

void Form::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  const int sizes[3][2] = {{80, 0}, {135, 0}, {135, 1}};
  for (int i = 0; i < 3; ++i) {
    HFONT old = std::exchange(fonts_[i], MakeFont(sizes[i][0], sizes[i][1] != 0, dpi));
    if (old) DeleteObject(old);
  }
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font(FontKind::Normal)), FALSE);
  for (const ControlSpec& control : controls_) {
    HWND item = Item(control.id);
    SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(Font(control.font)), FALSE);
    SetWindowPos(item, nullptr, Twips(control.left, dpi), Twips(control.top, dpi), Twips(control.width, dpi),
                 Twips(control.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ResizeClient();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

SIZE Form::FrameSize() const {
  static const auto adjustForDpi =
      SystemCall<AdjustWindowRectExForDpiCall>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT frame = {0, 0, Twips(clientWidth_, dpi_), Twips(clientHeight_, dpi_)};
  if (adjustForDpi)
    adjustForDpi(&frame, style_, GetMenu(hwnd_) != nullptr, exStyle_, dpi_);
  else
    AdjustWindowRectEx(&frame, style_, GetMenu(hwnd_) != nullptr, exStyle_);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void Form::ResizeClient() {
  const SIZE frame = FrameSize();
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame's estimate can miss a caption that wraps or a thicker border:
  // the client area is measured and the difference made good.
  RECT client;
  GetClientRect(hwnd_, &client);
  const int dx = Twips(clientWidth_, dpi_) - client.right;
  const int dy = Twips(clientHeight_, dpi_) - client.bottom;
  if (dx != 0 || dy != 0) {
    RECT window;
    GetWindowRect(hwnd_, &window);
    SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + dx, window.bottom - window.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Form::Centre() {
  RECT window;
  GetWindowRect(hwnd_, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetMenuBar(HMENU menu) {
  SetMenu(hwnd_, menu);
  ResizeClient();
  Centre();
}

void Form::ShowModal(HWND owner) {
  // Disabling the owner takes the focus from its control: it is given back
  // when this window has gone.
  HWND focus = GetFocus();
  if (focus && GetAncestor(focus, GA_ROOT) != owner) focus = nullptr;
  EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (!tabOrder_.empty()) SetFocus(Item(tabOrder_.front()));
  modal_ = true;
  MSG msg;
  bool quit = false;
  WPARAM code = 0;
  while (modal_) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      quit = true;
      code = msg.wParam;
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The owner takes input again before this window goes, so that it becomes
  // the active window. The window's last messages still reach this form,
  // which lets go of the window on WM_NCDESTROY.
  EnableWindow(owner, TRUE);
  DestroyWindow(hwnd_);
  if (focus && IsWindow(focus) && GetActiveWindow() == owner) SetFocus(focus);
  if (quit) PostQuitMessage(static_cast<int>(code));
}

void Form::EndModal() {
  modal_ = false;
  PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void Form::SetIcon(HICON big, HICON small) {
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void Form::ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Left for the loop that owns the program's end.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

int Form::RunMessageLoop(HWND window, HACCEL accelerators) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (accelerators && IsWindow(window) && TranslateAcceleratorW(window, accelerators, &msg)) continue;
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

bool Form::PreTranslate(MSG& msg) {
  if (msg.message != WM_KEYDOWN || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  auto* form = static_cast<Form*>(GetPropW(root, kFormProperty));
  return form && form->HandleKey(msg);
}

bool Form::HandleKey(const MSG& msg) {
  if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0) return false;
  switch (msg.wParam) {
    case VK_TAB: MoveFocus(GetKeyState(VK_SHIFT) >= 0); return true;
    case VK_RETURN: {
      HWND focus = GetFocus();
      if (focus && GetParent(focus) == hwnd_ && IsPushButton(focus))
        OnCommand(GetDlgCtrlID(focus));
      else
        OnEnter();
      return true;
    }
    case VK_ESCAPE: OnEscape(); return true;
    default: return false;
  }
}

void Form::MoveFocus(bool forward) {
  if (tabOrder_.empty()) return;
  const int count = static_cast<int>(tabOrder_.size());
  const int current = GetDlgCtrlID(GetFocus());
  int at = -1;
  for (int i = 0; i < count; ++i)
    if (tabOrder_[i] == current) at = i;
  for (int step = 1; step <= count; ++step) {
    const int next = at < 0 ? (forward ? step - 1 : count - step)
                            : ((at + (forward ? step : -step)) % count + count) % count;
    HWND item = Item(tabOrder_[next]);
    if (IsWindowVisible(item) && IsWindowEnabled(item)) {
      SetFocus(item);
      // As in a dialog: a text box reached by Tab has its text selected.
      wchar_t name[8];
      if (GetClassNameW(item, name, 8) && lstrcmpiW(name, L"Edit") == 0) SendMessageW(item, EM_SETSEL, 0, -1);
      return;
    }
  }
}

LRESULT Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetPropW(hwnd, kFormProperty, form);
  }
  auto* form = static_cast<Form*>(GetPropW(hwnd, kFormProperty));
  if (!form || form->hwnd_ != hwnd) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        form->OnCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_CLOSE: form->OnClose(); return 0;
    case WM_CTLCOLORSTATIC: {
      const COLORREF colour = form->LabelColour(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      if (colour == CLR_INVALID) break;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, colour);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DPICHANGED: {
      form->ApplyDpi(HIWORD(wParam));
      // A window the user can size keeps the size Windows suggests for the
      // new DPI (its WM_SIZE lays it out again); the others keep their own.
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      const bool sizable = (form->style_ & WS_THICKFRAME) != 0;
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top,
                   (sizable ? 0 : SWP_NOSIZE) | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_NCDESTROY: {
      RemovePropW(hwnd, kFormProperty);
      LRESULT result = form->OnMessage(message, wParam, lParam);
      form->hwnd_ = nullptr;
      return result;
    }
    default: break;
  }
  return form->OnMessage(message, wParam, lParam);
}
