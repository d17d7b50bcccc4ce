// The all-star search of one word-list file, timed in the main window and
// in the core alone, in one run:
//
//   wypelniak_win32_bench.exe [program folder] [length] [rounds]
//
// The window's time runs from the click on "Szukaj" until the list has
// painted its first page; the core's is PatternSearch into a result list
// with no window at all.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "controls.h"
#include "frmmain.h"
#include "patternsearch.h"
#include "wordlist.h"

namespace {

// A view with nothing but a result list: the core's own cost.
class BareView : public wypelniak::SearchView {
 public:
  explicit BareView(std::string pattern) : pattern_(std::move(pattern)) {}
  std::string PatternText() override { return pattern_; }
  void ShowMessage(std::string_view text, std::string_view, wypelniak::MessageIcon) override {
    std::printf("message: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void ClearResults() override { results_.Clear(); }
  void SetResultsVisible(bool) override {}
  void SetPatternEnabled(bool) override {}
  void ProcessPendingEvents() override {}
  void AddResult(std::string_view) override {}
  wypelniak::ResultList* ResultStore() override { return &results_; }
  std::size_t Rows() const { return results_.Size(); }

 private:
  std::string pattern_;
  wypelniak::ResultList results_;
};

void PrintMessage(HWND, const std::wstring& text, const std::wstring&, wypelniak::MessageIcon) {
  std::printf("message: %s\n", Narrow(text).c_str());
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::filesystem::path folder = argc > 1 ? std::filesystem::path(argv[1]) : wypelniak::ProgramFolder();
  const int length = argc > 2 ? _wtoi(argv[2]) : 12;
  const int rounds = argc > 3 ? _wtoi(argv[3]) : 9;
  const std::string pattern(static_cast<std::size_t>(length), '*');
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  SetMessageFunction(PrintMessage);

  frmMain window(folder);
  window.Show();
  Form::ProcessPendingMessages();
  HWND main = window.Handle();
  HWND list = GetDlgItem(main, IDC_MAIN_LIST1);
  SetWindowTextW(GetDlgItem(main, IDC_MAIN_TEXT1), Widen(pattern).c_str());

  std::vector<double> core, shown;
  std::size_t coreRows = 0;
  int shownRows = 0;
  // Alternating rounds, so that both see the same state of the file cache.
  wypelniak::SearchMemory memory;  // kept from round to round, as the window keeps it
  for (int round = 0; round < rounds; ++round) {
    BareView view(pattern);
    auto start = std::chrono::steady_clock::now();
    wypelniak::PatternSearch(view, memory, folder);
    core.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    coreRows = view.Rows();

    start = std::chrono::steady_clock::now();
    SendMessageW(GetDlgItem(main, IDC_MAIN_COMMAND1), BM_CLICK, 0, 0);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    shown.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    shownRows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  }
  const double c = Median(core), w = Median(shown);
  std::printf("all-star search of slow.%d, %d rounds, median (min)\n", length, rounds);
  std::printf("  core alone:    %8.1f ms (%.1f)  %zu rows\n", c, *std::min_element(core.begin(), core.end()),
              coreRows);
  std::printf("  window shown:  %8.1f ms (%.1f)  %d rows\n", w, *std::min_element(shown.begin(), shown.end()),
              shownRows);
  std::printf("  window / core: %8.2f\n", w / c);
  DestroyWindow(main);
  return coreRows == static_cast<std::size_t>(shownRows) && coreRows > 0 ? 0 : 1;
}
