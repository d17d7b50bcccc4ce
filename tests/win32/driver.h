#pragma once

// Drives a running copy of the Windows program from another process, as a
// user would: windows and controls found by class and ID, text set and read,
// buttons pressed, keys posted, message boxes read and closed.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What a message box showed.
struct MessageSeen {
  std::wstring title;
  std::wstring text;
  bool icon = false;  // whether it showed an icon
};

// A button press sent from a thread of its own: the program handles it to
// the end (a search, an addition, a modal window) while the test watches.
class Press {
 public:
  explicit Press(HWND button);
  Press(const Press&) = delete;
  Press& operator=(const Press&) = delete;
  ~Press();
  // Waits up to ms for the program to have handled the press.
  bool Wait(DWORD ms);

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// One running copy of the program.
class Program {
 public:
  // Starts exe with arguments and waits for its main window, a window of
  // mainClass.
  explicit Program(const std::filesystem::path& exe, const std::wstring& arguments = L"",
                   const wchar_t* mainClass = L"WypelniakMain");
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  bool Started() const { return main_ != nullptr; }
  HWND Main() const { return main_; }
  HANDLE Process() const { return process_; }
  DWORD Thread() const { return thread_; }

  // A visible top-level window of this program of the class, within ms.
  HWND WaitWindow(const wchar_t* className, DWORD ms) const;
  // Whether no visible window of the class shows for ms.
  bool NoWindow(const wchar_t* className, DWORD ms) const;
  // Waits until window is gone or hidden.
  bool WaitGone(HWND window, DWORD ms) const;

  // A message box within ms: read, then closed with answer (IDOK, IDNO...).
  std::optional<MessageSeen> WaitMessage(DWORD ms, int answer = IDOK) const;
  // Whether no message box shows for ms.
  bool NoMessage(DWORD ms) const;

  // The control that has the keyboard focus.
  HWND Focus() const;
  // Posts a key press to the focused control (or to target).
  void PostKey(WPARAM key, HWND target = nullptr) const;
  // Posts a key and waits until the focus has moved off from, up to ms.
  HWND PostKeyMovingFocus(WPARAM key, DWORD ms) const;

  // Rows of a list view: their number and the text of row i (of its
  // column).
  int RowCount(HWND list) const;
  std::wstring RowText(HWND list, int row, int column = 0) const;

  // Ends the program if it still runs; its exit code, or nullopt when it had
  // to be ended by force.
  std::optional<DWORD> WaitExit(DWORD ms);

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  DWORD thread_ = 0;
  HWND main_ = nullptr;
  void* remote_ = nullptr;  // memory in the program for list-view rows
};

// Text and geometry of a control of another process.
std::wstring Text(HWND window);
void SetText(HWND window, const std::wstring& text);
// A control's rectangle in its parent's client area.
RECT ChildRect(HWND control);
// The dots per inch of a window.
UINT DpiOf(HWND window);
