#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "message.h"

// What the three windows share: geometry in twips through the window's DPI,
// the fonts, the message box, the keyboard and the message loops.

// Window geometry is laid out in twips, 1/1440 inch: 15 twips a pixel at 96
// dots per inch.
inline constexpr int TwipsPerInch = 1440;

// Twips to pixels at dpi dots per inch, rounded to the nearest pixel.
int Twips(int twips, UINT dpi);

// The dots per inch of the monitor the window is on.
UINT WindowDpi(HWND window);

// Core (UTF-8) text to UTF-16 and back.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view text);

// The text of a window or control.
std::wstring WindowText(HWND window);

// The program icon at a size in pixels, from the executable's resources.
HICON LoadProgramIcon(int width, int height);

// Shows a message: text, its title (never empty) and icon, over owner.
using MessageFunction = void (*)(HWND owner, const std::wstring& text, const std::wstring& title,
                                 wypelniak::MessageIcon icon);

// The one way the windows report anything: a modal message box with one OK
// button. An empty title stands for the application title.
void ShowMessage(HWND owner, std::string_view text, std::string_view title, wypelniak::MessageIcon icon);

// Puts another function in the message box's place (nullptr brings the box
// back); returns the one in use.
MessageFunction SetMessageFunction(MessageFunction function);

// The controls' fonts.
enum class FontKind {
  Normal,    // MS Sans Serif 8 pt
  Large,     // MS Sans Serif 13.5 pt
  LargeBold  // MS Sans Serif 13.5 pt bold
};

// One control of a window: its class, caption, styles, place and size in
// twips within the client area, and font.
struct ControlSpec {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int left, top, width, height;
  FontKind font = FontKind::Normal;
};

// A top-level window with a fixed client size in twips, its controls, a tab
// order and the keys Tab, Enter and Esc.
class Form {
 public:
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  HWND Handle() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

  // Shows the window modally over owner, which takes no input meanwhile, and
  // returns when the window has closed; the window is then destroyed.
  void ShowModal(HWND owner);

  // Sets the window's title-bar and task-switcher icons; the caller keeps
  // them alive while the window lives.
  void SetIcon(HICON big, HICON small);

  // Handles every pending message once.
  static void ProcessPendingMessages();
  // The program's message loop; returns the code of WM_QUIT. The keyboard
  // shortcuts of accelerators, when given, go to window.
  static int RunMessageLoop(HWND window = nullptr, HACCEL accelerators = nullptr);

 protected:
  Form() = default;

  // Creates the window (hidden), its controls and fonts, lays them out for
  // the window's DPI and centres the whole frame on its monitor's work area.
  // tabOrder lists control IDs in the order Tab visits them.
  void Create(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle, HWND owner,
              int clientWidth, int clientHeight, std::span<const ControlSpec> controls,
              std::vector<int> tabOrder);

  // Moves the whole frame into the middle of its monitor's work area.
  void Centre();
  // Gives the window a menu bar; the client area keeps its size.
  void SetMenuBar(HMENU menu);

  // Messages not handled by the form itself.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A button was pressed (clicked, Space, or Enter while it has the focus).
  virtual void OnCommand(int id) = 0;
  // Enter while the focus is not on a button.
  virtual void OnEnter() {}
  // Esc anywhere in the window.
  virtual void OnEscape() {}
  // The close box, Alt+F4.
  virtual void OnClose() = 0;
  // Text colour of a label, or CLR_INVALID for the system's.
  virtual COLORREF LabelColour(int /*id*/) { return CLR_INVALID; }

  // Ends ShowModal's loop.
  void EndModal();

  HFONT Font(FontKind kind) const { return fonts_[static_cast<int>(kind)]; }
  UINT Dpi() const { return dpi_; }
  // The frame around the client area Create was given, at the window's DPI.
  SIZE FrameSize() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Tab, Enter and Esc of a keyboard message for one of the forms: true when
  // the form took the key.
  static bool PreTranslate(MSG& msg);
  bool HandleKey(const MSG& msg);
  void MoveFocus(bool forward);
  void ApplyDpi(UINT dpi);
  void ResizeClient();

  HWND hwnd_ = nullptr;
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  std::vector<ControlSpec> controls_;
  std::vector<int> tabOrder_;
  UINT dpi_ = 96;
  HFONT fonts_[3] = {};
  bool modal_ = false;
};
