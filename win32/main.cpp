#include <windows.h>

#include <commctrl.h>

#include "frmmain.h"

// Starting the program shows the main window; closing it ends the program.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  frmMain window;
  window.Show();
  return Form::RunMessageLoop();
}
