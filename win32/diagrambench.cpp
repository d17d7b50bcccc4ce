// The grid window timed beside the core alone, in one process and one run:
//
//   wypelniak_diagram_bench.exe GRID [program folder] [rounds] [FILL GRID]
//
// A keystroke: from the letter (or Backspace) sent to the grid control until
// the window has painted what the keystroke changed (the grid, the
// candidates, the clues), against the core's LiveView of the same grid; and,
// beside it, the whole window painted again. A fill: from the press on "Wypełnij"
// until the window shows the filled grid (on FILL GRID when given), against
// a FillJob with the same seed on the same list, with no window; and the
// core's LiveView of the filled grid, which the window works out to show
// what fits after the fill.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "controls.h"
#include "fill.h"
#include "frmdiagram.h"
#include "gridwindow.h"
#include "liveview.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Handles messages until done() holds, waiting for them in between as a
// message loop does (the fill's end arrives as a message and wakes it), so
// that the worker thread has the processor.
template <typename Condition>
void PumpUntil(Condition done) {
  while (!done()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    Form::ProcessPendingMessages();
  }
}

// Paints now what the window and its controls marked for painting, as the
// message loop would next.
void Paint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  GdiFlush();
}

// Paints the whole window and every control again, marked or not.
void PaintAll(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  GdiFlush();
}

wypelniak::Grid GridShown(HWND grid) {
  wchar_t text[4096] = {};
  GetWindowTextW(grid, text, 4096);
  return wypelniak::ParseGridText(Narrow(text)).grid;
}

void Report(const char* what, const std::vector<double>& core, const std::vector<double>& window) {
  const double c = Median(core), w = Median(window);
  std::printf("%s, %zu samples, median (min)\n", what, core.size());
  std::printf("  core alone:    %9.2f ms (%.2f)\n", c, *std::min_element(core.begin(), core.end()));
  std::printf("  window shown:  %9.2f ms (%.2f)\n", w, *std::min_element(window.begin(), window.end()));
  std::printf("  window / core: %9.2f\n", w / c);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: wypelniak_diagram_bench GRID [program folder] [rounds]\n");
    return 2;
  }
  const std::filesystem::path gridFile = argv[1];
  const std::filesystem::path folder = argc > 2 ? std::filesystem::path(argv[2]) : wypelniak::ProgramFolder();
  const int rounds = argc > 3 ? _wtoi(argv[3]) : 9;
  const std::filesystem::path fillFile = argc > 4 ? std::filesystem::path(argv[4]) : gridFile;
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  frmDiagram window(folder);
  window.Show();
  if (!window.OpenFile(gridFile)) return 1;
  HWND main = window.Handle();
  HWND grid = GetDlgItem(main, IDC_DIAGRAM_GRID);
  HWND fill = GetDlgItem(main, IDC_DIAGRAM_WYPELNIJ);
  const auto start = Clock::now();
  PumpUntil([&] { return IsWindowEnabled(fill) != FALSE; });
  std::printf("the window's list loaded in %.1f s\n", Milliseconds(Clock::now() - start) / 1000);

  wypelniak::Lexicon lexicon(wypelniak::DictionaryFolder(folder));
  wypelniak::LoadGridLexicon(lexicon, folder, {}, nullptr);
  const wypelniak::IndexSet indexes = lexicon.Indexes();
  std::printf("%llu words\n", static_cast<unsigned long long>(lexicon.WordCount()));

  // Keystrokes: a letter into the first open cell, then Backspace takes it out.
  std::vector<double> coreKeys, windowKeys, wholeWindow;
  for (int round = 0; round < rounds; ++round) {
    for (const bool letter : {true, false}) {
      auto t = Clock::now();
      if (letter)
        SendMessageW(grid, WM_CHAR, L'k', 1);
      else
        SendMessageW(grid, WM_KEYDOWN, VK_BACK, 1);
      Paint(main);
      windowKeys.push_back(Milliseconds(Clock::now() - t));
      t = Clock::now();
      PaintAll(main);
      wholeWindow.push_back(Milliseconds(Clock::now() - t));
      const wypelniak::Grid shown = GridShown(grid);
      t = Clock::now();
      const wypelniak::LiveView live(shown, indexes);
      coreKeys.push_back(Milliseconds(Clock::now() - t));
    }
  }
  Report("keystroke to updated grid and candidates", coreKeys, windowKeys);
  std::printf("  beside it, the whole window painted again as it stands: %.2f ms\n",
              Median(wholeWindow));

  // Fills with the seeds the window's presses use, 1, 2, ...; each undone.
  if (fillFile != gridFile && !window.OpenFile(fillFile)) return 1;
  Form::ProcessPendingMessages();
  const wypelniak::Grid base = GridShown(grid);
  std::vector<double> coreFills, reportedFills, windowFills, filledViews;
  int same = 0;
  for (int round = 0; round < rounds; ++round) {
    wypelniak::FillOptions options;
    options.seed = static_cast<std::uint64_t>(round) + 1;
    wypelniak::FillResult result;
    auto t = Clock::now();
    {
      wypelniak::FillJob job(base, indexes, options, {},
                             [&result](wypelniak::FillResult r) { result = std::move(r); });
      job.Wait();
    }
    coreFills.push_back(Milliseconds(Clock::now() - t));
    // The same with progress reports taken, as the window takes them.
    t = Clock::now();
    {
      wypelniak::FillProgress last;
      wypelniak::FillJob job(
          base, indexes, options, [&last](const wypelniak::FillProgress& p) { last = p; },
          [](wypelniak::FillResult) {});
      job.Wait();
    }
    reportedFills.push_back(Milliseconds(Clock::now() - t));
    t = Clock::now();
    { const wypelniak::LiveView filled(result.grid, indexes); }
    filledViews.push_back(Milliseconds(Clock::now() - t));

    t = Clock::now();
    SendMessageW(fill, BM_CLICK, 0, 0);
    PumpUntil([&] { return IsWindowEnabled(fill) != FALSE; });
    Paint(main);
    windowFills.push_back(Milliseconds(Clock::now() - t));
    if (result.outcome == wypelniak::FillOutcome::Filled && GridShown(grid) == result.grid) ++same;
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_DIAGRAM_COFNIJ, 0), 0);
  }
  Report("fill of the grid", coreFills, windowFills);
  std::printf("  core with progress reports: %.2f ms (%.2f); window / that: %.2f\n", Median(reportedFills),
              *std::min_element(reportedFills.begin(), reportedFills.end()),
              Median(windowFills) / Median(reportedFills));
  std::printf("  core's LiveView of the filled grid: %.2f ms (%.2f)\n", Median(filledViews),
              *std::min_element(filledViews.begin(), filledViews.end()));
  std::printf("  the same fill both ways: %d of %d\n", same, rounds);
  return same == rounds ? 0 : 1;
}
