#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "gridedit.h"
#include "liveview.h"

// The grid control of the grid window: draws the core's GridEdit (blocks,
// letters in capitals, numbers, the cursor, the current slot, the selected
// area, and what the LiveView marks dead in red) with GDI in device pixels,
// and forwards keys and clicks to the GridEdit. After each change it sends
// its parent WM_COMMAND with the code kEdited. WM_GETTEXT gives
// the grid's text form.
namespace diagramgrid {

inline constexpr WORD kEdited = 0x0100;

// Registers the window class (once).
void Register();

// The control's state, set by the window that owns the GridEdit.
void Attach(HWND grid, wypelniak::GridEdit* edit);
void SetLiveView(HWND grid, const wypelniak::LiveView* live);
// While read only (a fill runs) keys and clicks change nothing.
void SetReadOnly(HWND grid, bool readOnly);

}  // namespace diagramgrid
