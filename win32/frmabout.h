#pragma once

#include "form.h"

// The About window: the program's title, version, description and terms of
// use, "OK" and "WWW", which opens the program's web page.
class frmAbout : public Form {
 public:
  // mainWindow: the window that owns this one and the page opened by "WWW".
  explicit frmAbout(HWND mainWindow);
  ~frmAbout() override;

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id) override;
  void OnEnter() override { EndModal(); }
  void OnEscape() override { EndModal(); }
  void OnClose() override { EndModal(); }
  COLORREF LabelColour(int id) override;

  void OpenHomePage();  // cmdSysInfo "WWW"
  void SetPicture();
  void Paint();

  HWND mainWindow_;
  HICON picture_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
};
