#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "frmdiagram.h"

// wypelniak-diagram.exe: the grid window; a grid file named on the command
// line (as the .ipuz association passes it) is opened in it, unless the user
// restores the recovery copy of a session that did not end normally.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  frmDiagram window;
  window.Show();
  int argc = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    if (!window.OfferRecovery() && argc > 1) window.OpenFile(argv[1]);
    LocalFree(argv);
  }
  return Form::RunMessageLoop(window.Handle(), window.Accelerators());
}
