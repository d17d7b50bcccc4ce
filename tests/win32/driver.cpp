#include "driver.h"

#include <commctrl.h>

#include <chrono>

namespace {

// Wine's message box: the text is the static control 0xFFFF, the icon 1088.
constexpr int kMessageText = 0xFFFF;
constexpr int kMessageIcon = 1088;
constexpr DWORD kPoll = 10;
constexpr std::size_t kRowChars = 256;

struct Search {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

HWND FindTopLevel(DWORD pid, const wchar_t* className) {
  Search search{pid, className, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        wchar_t name[64];
        if (pid == s->pid && IsWindowVisible(window) && GetClassNameW(window, name, 64) &&
            lstrcmpW(name, s->className) == 0) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(kPoll);
  }
}

}  // namespace

Press::Press(HWND button)
    : thread_([this, button] {
        SendMessageW(button, BM_CLICK, 0, 0);
        done_ = true;
      }) {}

Press::~Press() {
  if (Wait(10000))
    thread_.join();
  else
    thread_.detach();  // the program hangs; the test has failed already
}

bool Press::Wait(DWORD ms) {
  return WaitFor([this] { return done_.load(); }, ms);
}

Program::Program(const std::filesystem::path& exe, const std::wstring& arguments, const wchar_t* mainClass) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      exe.parent_path().c_str(), &startup, &info))
    return;
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  CloseHandle(info.hThread);
  WaitForInputIdle(process_, 20000);
  main_ = WaitWindow(mainClass, 20000);
  if (main_) thread_ = GetWindowThreadProcessId(main_, nullptr);
  remote_ = VirtualAllocEx(process_, nullptr, sizeof(LVITEMW) + kRowChars * sizeof(wchar_t),
                           MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

Program::~Program() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

HWND Program::WaitWindow(const wchar_t* className, DWORD ms) const {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopLevel(pid_, className)) != nullptr; }, ms);
  return found;
}

bool Program::NoWindow(const wchar_t* className, DWORD ms) const {
  return !WaitFor([&] { return FindTopLevel(pid_, className) != nullptr; }, ms);
}

bool Program::WaitGone(HWND window, DWORD ms) const {
  return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

std::optional<MessageSeen> Program::WaitMessage(DWORD ms, int answer) const {
  HWND box = WaitWindow(L"#32770", ms);
  if (!box) return std::nullopt;
  MessageSeen seen;
  wchar_t title[256] = {};
  GetWindowTextW(box, title, 256);
  seen.title = title;
  seen.text = Text(GetDlgItem(box, kMessageText));
  HWND icon = GetDlgItem(box, kMessageIcon);
  seen.icon = icon && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
  PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
  WaitGone(box, 5000);
  return seen;
}

bool Program::NoMessage(DWORD ms) const {
  return NoWindow(L"#32770", ms);
}

HWND Program::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
}

void Program::PostKey(WPARAM key, HWND target) const {
  HWND to = target ? target : Focus();
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  PostMessageW(to, WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scan) << 16));
  PostMessageW(to, WM_KEYUP, key, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

HWND Program::PostKeyMovingFocus(WPARAM key, DWORD ms) const {
  HWND from = Focus();
  PostKey(key, from);
  HWND now = from;
  WaitFor([&] { return (now = Focus()) != from; }, ms);
  return now;
}

int Program::RowCount(HWND list) const {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring Program::RowText(HWND list, int row, int column) const {
  // The list view's text request carries pointers: they must point into the
  // program's own memory.
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = kRowChars;
  item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote_) + sizeof(LVITEMW));
  if (!WriteProcessMemory(process_, remote_, &item, sizeof item, nullptr)) return L"<unreadable>";
  const LRESULT length =
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_));
  std::wstring text(kRowChars, L'\0');
  if (!ReadProcessMemory(process_, item.pszText, text.data(), kRowChars * sizeof(wchar_t), nullptr))
    return L"<unreadable>";
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, std::min<LRESULT>(length, kRowChars - 1))));
  return text;
}

std::optional<DWORD> Program::WaitExit(DWORD ms) {
  if (WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

std::wstring Text(HWND window) {
  const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

void SetText(HWND window, const std::wstring& text) {
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

RECT ChildRect(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

UINT DpiOf(HWND window) {
  using Call = UINT(WINAPI*)(HWND);
  static const auto call = reinterpret_cast<Call>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (call) {
    if (const UINT dpi = call(window)) return dpi;
  }
  return 96;
}
