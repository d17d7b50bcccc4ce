// Tests of the grid window, wypelniak-diagram.exe, run under Wine: each
// starts the program in a test's folder with a grid file and drives it by
// control and menu ID; what the window shows is compared with the core's
// own answer for the same grid and word list.

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "../../win32/controls.h"
#include "checks.h"
// After windows.h, which checks.h brings in.
#include <shellapi.h>
#include "driver.h"
#include "gridfile.h"
#include "gridwindow.h"
#include "lexicon.h"
#include "liveview.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kWait = 10000;

template <typename Condition>
bool WaitUntil(Condition condition, DWORD ms = kWait) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!condition()) {
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
  return true;
}

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The grid window of a program started on a grid file, its list loaded.
struct Diagram {
  Diagram(const fs::path& folder, const fs::path& file)
      : program(folder / "wypelniak-diagram.exe", L"\"" + file.wstring() + L"\"", WYPELNIAK_DIAGRAM_CLASS) {
    window = program.Main();
    CHECK(window != nullptr, L"the grid window opens");
    CHECK(WaitUntil([&] { return Status().starts_with(L"Lista słów wczytana"); }),
          L"the word list loads: " + Status());
  }
  HWND Item(int id) const { return GetDlgItem(window, id); }
  std::wstring Rows() const { return Text(Item(IDC_DIAGRAM_GRID)); }
  std::wstring Status() const { return Text(Item(IDC_DIAGRAM_STATUS)); }
  std::wstring Title() const { return Text(window); }
  // Characters typed into the grid, then waits for the grid to show rows.
  bool Type(const std::wstring& text, const std::wstring& rows) const {
    for (wchar_t c : text) PostMessageW(Item(IDC_DIAGRAM_GRID), WM_CHAR, c, 1);
    return ShowsRows(rows);
  }
  bool Key(WPARAM key, const std::wstring& rows) const {
    program.PostKey(key, Item(IDC_DIAGRAM_GRID));
    return ShowsRows(rows);
  }
  // A menu command or a button pressed, as the window gets it.
  void Command(int id) const { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void Button(int id) const {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
  }
  bool ShowsRows(const std::wstring& rows) const {
    return WaitUntil([&] { return Rows() == rows; }, 5000);
  }
  std::vector<std::wstring> Candidates() const {
    std::vector<std::wstring> words;
    HWND list = Item(IDC_DIAGRAM_PASUJACE);
    for (int i = 0; i < program.RowCount(list); ++i) words.push_back(program.RowText(list, i));
    return words;
  }

  Program program;
  HWND window = nullptr;
};

// The candidates the core lists for slot of grid (text form) over the
// test's word list.
std::vector<std::wstring> CoreCandidates(const fs::path& folder, const std::string& rows, int slot,
                                         std::wstring& caption) {
  wypelniak::Lexicon lexicon(folder / "slow");
  lexicon.Load();
  const wypelniak::Grid grid = wypelniak::ParseGridText(rows).grid;
  const wypelniak::LiveView live(grid, lexicon.Indexes());
  std::vector<std::wstring> words;
  for (std::uint32_t n = 0; n < live.Count(slot); ++n) words.push_back(Wide(live.CandidateText(slot, n)));
  caption = Wide(wypelniak::CandidatesCaption(&live, live.Slots(), slot, 2000));
  return words;
}

// slow.2 holds the words of one 2 × 2 square (and its mirror image);
// slow.3 a few words with a Polish letter.
void WriteLists(const fs::path& folder) {
  fs::remove_all(folder / "slow");
  fs::create_directories(folder / "slow");
  WriteFile(folder / "slow" / "slow.2", "4\r\non\r\nja\r\noj\r\nna\r\n");
  WriteFile(folder / "slow" / "slow.3", "5\r\nkot\r\nkit\r\nlot\r\nk\xB9t\r\nmak\r\n");
}

}  // namespace

// Typing with Polish letters, Backspace, a block with its symmetric cell,
// undo and redo, the candidates against the core's live view and a chosen
// one placed as one undo step.
void DiagramWindowEditing(const fs::path& folder) {
  WriteLists(folder);
  const fs::path file = folder / "diagram.txt";
  WriteFile(file, "...\n.#.\n...\n");
  Diagram d(folder, file);
  if (!d.window) return;
  CHECK_EQ(d.Title(), L"Wypełniak – diagram", L"title of an unchanged text grid");

  std::wstring caption;
  const std::vector<std::wstring> core = CoreCandidates(folder, "...\n.#.\n...\n", 0, caption);
  const std::vector<std::wstring> shown = d.Candidates();
  std::wstring listed;
  for (const std::wstring& word : shown) listed += word + L" ";
  CHECK(shown == core && !core.empty(), L"the candidates of 1 across are the core's: " + listed);
  CHECK_EQ(Text(d.Item(IDC_DIAGRAM_LBLPASUJACE)), caption, L"the candidates' caption");

  CHECK(d.Type(L"kąt", L"KĄT\n.#.\n...\n"), L"typed letters shown in capitals: " + d.Rows());
  CHECK_EQ(d.Title(), L"Wypełniak – diagram *", L"title after a change");
  CHECK(d.Key(VK_BACK, L"KĄ.\n.#.\n...\n"), L"Backspace clears the last letter: " + d.Rows());
  d.Command(IDM_DIAGRAM_COFNIJ);
  CHECK(d.ShowsRows(L"KĄT\n.#.\n...\n"), L"undo brings the letter back: " + d.Rows());
  d.Command(IDM_DIAGRAM_COFNIJ);
  d.Command(IDM_DIAGRAM_COFNIJ);
  d.Command(IDM_DIAGRAM_COFNIJ);
  CHECK(d.ShowsRows(L"...\n.#.\n...\n"), L"undo of every letter: " + d.Rows());
  CHECK(WaitUntil([&] { return d.Title() == L"Wypełniak – diagram"; }), L"undone to the file: no mark");

  // A block at the corner takes the opposite corner with it.
  HWND symmetry = d.Item(IDC_DIAGRAM_CBOSYMETRIA);
  SendMessageW(symmetry, CB_SETCURSEL, 1, 0);
  PostMessageW(d.window, WM_COMMAND, MAKEWPARAM(IDC_DIAGRAM_CBOSYMETRIA, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(symmetry));
  CHECK(d.Type(L".", L"#..\n.#.\n..#\n"), L"a block and its point-symmetric cell: " + d.Rows());
  d.Command(IDM_DIAGRAM_COFNIJ);
  CHECK(d.ShowsRows(L"...\n.#.\n...\n"), L"undo takes both blocks away: " + d.Rows());
  d.Command(IDM_DIAGRAM_PONOW);
  CHECK(d.ShowsRows(L"#..\n.#.\n..#\n"), L"redo puts both back: " + d.Rows());
  d.Command(IDM_DIAGRAM_COFNIJ);
  CHECK(d.ShowsRows(L"...\n.#.\n...\n"), L"and undo again: " + d.Rows());

  // The first candidate chosen from the list goes into 1 across: Tab from
  // the grid past the symmetry to the list, Home, Enter.
  HWND list = d.Item(IDC_DIAGRAM_PASUJACE);
  d.program.PostKeyMovingFocus(VK_TAB, 2000);
  CHECK(d.program.PostKeyMovingFocus(VK_TAB, 2000) == list, L"Tab reaches the candidates");
  d.program.PostKey(VK_HOME, list);
  d.program.PostKey(VK_RETURN, list);
  const std::wstring placed = core.empty() ? L"" : core[0];
  std::wstring upper = placed;
  CharUpperW(upper.data());
  CHECK(d.ShowsRows(upper + L"\n.#.\n...\n"), L"the chosen word is placed: " + d.Rows());
  d.Command(IDM_DIAGRAM_COFNIJ);
  CHECK(d.ShowsRows(L"...\n.#.\n...\n"), L"one undo step takes the word away: " + d.Rows());
  PostMessageW(d.window, WM_CLOSE, 0, 0);
  CHECK(d.program.NoMessage(500), L"no question when nothing is unsaved");
  CHECK(d.program.WaitExit(kWait).has_value(), L"closing ends the program");
}

// A fill is one undo step; a stopped fill leaves the grid as it was.
void DiagramWindowFill(const fs::path& folder) {
  WriteLists(folder);
  const fs::path file = folder / "kwadrat.txt";
  WriteFile(file, "..\n..\n");
  Diagram d(folder, file);
  if (!d.window) return;
  d.Button(IDC_DIAGRAM_WYPELNIJ);
  CHECK(WaitUntil([&] { return d.Rows() != L"..\n..\n" && IsWindowEnabled(d.Item(IDC_DIAGRAM_WYPELNIJ)); }),
        L"the fill ends with a filled grid");
  const std::wstring filled = d.Rows();
  CHECK(filled == L"ON\nJA\n" || filled == L"OJ\nNA\n", L"the grid holds the list's square: " + filled);
  CHECK(d.Status().starts_with(L"Wypełniono"), L"the status says it was filled: " + d.Status());
  d.Command(IDM_DIAGRAM_COFNIJ);
  CHECK(d.ShowsRows(L"..\n..\n"), L"one undo step takes the whole fill back: " + d.Rows());

  // Both presses are in the queue before the window takes the first, so that
  // "Przerwij" comes before the end of however short a fill.
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, d.program.Thread());
  CHECK(thread && SuspendThread(thread) != static_cast<DWORD>(-1), L"the window's thread held");
  d.Button(IDC_DIAGRAM_WYPELNIJ);
  d.Button(IDC_DIAGRAM_PRZERWIJ);
  if (thread) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
  CHECK(WaitUntil([&] { return d.Status().find(L"przerwane") != std::wstring::npos; }),
        L"the fill is stopped: " + d.Status());
  CHECK_EQ(d.Rows(), L"..\n..\n", L"the grid after a stopped fill");
  CHECK(!IsWindowEnabled(d.Item(IDC_DIAGRAM_PRZERWIJ)) && IsWindowEnabled(d.Item(IDC_DIAGRAM_WYPELNIJ)),
        L"after it Przerwij is off and Wypełnij on again");
  d.Command(IDM_DIAGRAM_PONOW);
  CHECK(d.ShowsRows(filled), L"the undone fill can still be redone: " + d.Rows());
}

// Save and open of an .ipuz file with a clue, and the question before
// unsaved changes go (New, closing): Anuluj keeps them, Nie drops them.
void DiagramWindowFiles(const fs::path& folder) {
  WriteLists(folder);
  const fs::path file = folder / L"krzyżówka.ipuz";
  wypelniak::Puzzle start;
  start.grid = wypelniak::ParseGridText("...\n.#.\n...\n").grid;
  CHECK(wypelniak::WriteGridFile(file, start).error == wypelniak::GridFileError::None, L"the test's .ipuz");
  {
    Diagram d(folder, file);
    if (!d.window) return;
    CHECK_EQ(d.Title(), L"Wypełniak – diagram – krzyżówka.ipuz", L"title names the file");
    CHECK(d.Type(L"kot", L"KOT\n.#.\n...\n"), L"typed: " + d.Rows());
    SetText(d.Item(IDC_DIAGRAM_HASLO), L"Mruczy <b>");
    d.Command(IDM_DIAGRAM_ZAPISZ);
    CHECK(WaitUntil([&] { return d.Title() == L"Wypełniak – diagram – krzyżówka.ipuz"; }),
          L"saved: the mark goes: " + d.Title());

    // With unsaved changes New asks first; Anuluj keeps the grid.
    d.program.PostKey(VK_DOWN, d.Item(IDC_DIAGRAM_GRID));
    CHECK(d.Type(L"ł", L"KOT\n.#Ł\n...\n"), L"one more letter: " + d.Rows());
    d.Command(IDM_DIAGRAM_NOWY);
    const auto asked = d.program.WaitMessage(kWait, IDCANCEL);
    CHECK(asked && asked->text.find(L"krzyżówka.ipuz") != std::wstring::npos &&
              asked->text.find(L"niezapisane zmiany") != std::wstring::npos,
          L"New asks about the unsaved changes of the named file: " + (asked ? asked->text : L"no question"));
    CHECK(d.program.NoWindow(WYPELNIAK_NOWY_CLASS, 500), L"Anuluj: no new grid is asked for");
    CHECK_EQ(d.Rows(), L"KOT\n.#Ł\n...\n", L"Anuluj keeps the grid");
    PostMessageW(d.window, WM_CLOSE, 0, 0);
    CHECK(d.program.WaitMessage(kWait, IDCANCEL).has_value(), L"closing asks too");
    CHECK(IsWindowVisible(d.window), L"Anuluj keeps the window open");
    PostMessageW(d.window, WM_CLOSE, 0, 0);
    CHECK(d.program.WaitMessage(kWait, IDNO).has_value(), L"closing asks again");
    CHECK(d.program.WaitExit(kWait).has_value(), L"Nie: the window closes without saving");
  }
  Diagram again(folder, file);
  if (!again.window) return;
  CHECK_EQ(again.Rows(), L"KOT\n.#.\n...\n", L"the saved grid, without the dropped letter");
  HWND clues = again.Item(IDC_DIAGRAM_HASLA);
  CHECK_EQ(again.program.RowText(clues, 0), L"Poziomo", L"the clue list's first heading");
  CHECK_EQ(again.program.RowText(clues, 1, 1), L"KOT", L"1 across: its word");
  CHECK_EQ(again.program.RowText(clues, 1, 2), L"Mruczy <b>", L"1 across: its clue, as plain text");

  // Drukuj opens the system's print dialog (Wine, with no printer, says so
  // first); cancelled, the window goes on as the steps below show.
  again.Command(IDM_DIAGRAM_DRUKUJ);
  CHECK(again.program.WaitMessage(kWait, IDCANCEL).has_value(), L"Drukuj opens the print dialog");
  while (again.program.WaitMessage(500, IDCANCEL)) {
  }

  // Without changes New asks nothing and opens its window.
  again.Command(IDM_DIAGRAM_NOWY);
  HWND ask = again.program.WaitWindow(WYPELNIAK_NOWY_CLASS, kWait);
  CHECK(ask != nullptr, L"New opens its window without a question");
  if (!ask) return;
  SetText(GetDlgItem(ask, IDC_NOWY_SZEROKOSC), L"4");
  SetText(GetDlgItem(ask, IDC_NOWY_WYSOKOSC), L"3");
  PostMessageW(ask, WM_COMMAND, MAKEWPARAM(IDC_NOWY_UTWORZ, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(ask, IDC_NOWY_UTWORZ)));
  CHECK(again.ShowsRows(L"....\n....\n....\n"), L"a new 4 × 3 grid: " + again.Rows());
  CHECK_EQ(again.Title(), L"Wypełniak – diagram", L"a new grid has no file");
}

// The command the user's .ipuz association runs for file, read as the
// shell reads it: the extension's program class, then its open command.
std::wstring AssociatedCommand(const fs::path& file) {
  auto read = [](const std::wstring& key) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) ==
                   ERROR_SUCCESS
               ? std::wstring(value)
               : std::wstring();
  };
  const std::wstring progId = read(L"Software\\Classes\\.ipuz");
  std::wstring command =
      progId.empty() ? L"" : read(L"Software\\Classes\\" + progId + L"\\shell\\open\\command");
  if (const std::size_t at = command.find(L"%1"); at != std::wstring::npos)
    command.replace(at, 2, file.wstring());
  return command;
}

// Opens file as a double-click in Explorer does; the started process, or null.
HANDLE OpenByAssociation(const fs::path& file) {
  // Wine 8 keeps the user's classes (HKCU\Software\Classes) out of the
  // shell's view, which Windows merges into it: there the test runs the
  // association's command itself.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    std::wstring command = AssociatedCommand(file);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (command.empty() || !CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                           nullptr, &startup, &info))
      return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
  }
  SHELLEXECUTEINFOW open{};
  open.cbSize = sizeof open;
  open.fMask = SEE_MASK_NOCLOSEPROCESS;
  open.lpVerb = L"open";
  const std::wstring path = file.wstring();
  open.lpFile = path.c_str();
  open.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&open) ? open.hProcess : nullptr;
}

// The installed grid program opens an .ipuz file through the file's
// association.
void DiagramAssociation(const fs::path& installedFolder) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const fs::path file =
      fs::path(temp) / (L"skojarzenie-" + std::to_wstring(GetCurrentProcessId()) + L".ipuz");
  wypelniak::Puzzle puzzle;
  puzzle.grid = wypelniak::ParseGridText("ab#\n...\n").grid;
  CHECK(wypelniak::WriteGridFile(file, puzzle).error == wypelniak::GridFileError::None, L"the test's .ipuz");
  const HANDLE process = OpenByAssociation(file);
  CHECK(process != nullptr, L"the .ipuz file opens by its association: " + AssociatedCommand(file));
  if (!process) return;
  wchar_t image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  QueryFullProcessImageNameW(process, 0, image, &size);
  std::error_code ec;
  CHECK(fs::equivalent(fs::path(image), installedFolder / "wypelniak-diagram.exe", ec),
        L"in the installed grid program: " + std::wstring(image));
  const DWORD pid = GetProcessId(process);
  HWND window = nullptr;
  const bool shown = WaitUntil([&] {
    window = FindWindowW(WYPELNIAK_DIAGRAM_CLASS, nullptr);
    DWORD owner = 0;
    if (window) GetWindowThreadProcessId(window, &owner);
    return window && owner == pid && IsWindowVisible(window);
  });
  CHECK(shown, L"the grid window shows");
  if (shown) {
    CHECK(WaitUntil([&] { return Text(GetDlgItem(window, IDC_DIAGRAM_GRID)) == L"AB#\n...\n"; }),
          L"with the file's grid: " + Text(GetDlgItem(window, IDC_DIAGRAM_GRID)));
    CHECK(Text(window).find(file.filename().wstring()) != std::wstring::npos, L"its title names the file");
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  CHECK(WaitForSingleObject(process, kWait) == WAIT_OBJECT_0, L"and closes unchanged, asking nothing");
  CloseHandle(process);
  std::error_code ignored;
  fs::remove(file, ignored);
}

// A grid with unsaved changes leaves a recovery copy in slow/; after the
// program was killed the next start offers it, and a normal close drops it.
void DiagramWindowRecovery(const fs::path& folder) {
  WriteLists(folder);
  const fs::path file = folder / "diagram.txt";
  WriteFile(file, "...\n.#.\n...\n");
  const fs::path copy = folder / "slow" / "diagram-kopia.ipuz";
  {
    Diagram d(folder, file);
    if (!d.window) return;
    CHECK(d.Type(L"kot", L"KOT\n.#.\n...\n"), L"typed: " + d.Rows());
    CHECK(WaitUntil([&] { return fs::exists(copy); }),
          L"a recovery copy is written while changes are unsaved");
    TerminateProcess(d.program.Process(), 1);
    CHECK(d.program.WaitExit(kWait).has_value(), L"the program is killed");
  }
  Diagram again(folder, file);
  if (!again.window) return;
  const auto offered = again.program.WaitMessage(kWait, IDYES);
  CHECK(offered && offered->text.find(L"kopia zapasowa") != std::wstring::npos,
        L"the next start offers the copy: " + (offered ? offered->text : L"no question"));
  CHECK(again.ShowsRows(L"KOT\n.#.\n...\n"), L"restored: " + again.Rows());
  CHECK_EQ(again.Title(), L"Wypełniak – diagram *", L"the restored grid is unsaved");
  PostMessageW(again.window, WM_CLOSE, 0, 0);
  CHECK(again.program.WaitMessage(kWait, IDNO).has_value(), L"closing asks about the unsaved changes");
  CHECK(again.program.WaitExit(kWait).has_value(), L"Nie: the window closes");
  CHECK(!fs::exists(copy), L"and the recovery copy is gone");
}

// The window made larger (a little: at 144 DPI it nearly fills the test's
// 1024 x 768 screen): the grid takes the width the side panel leaves and the
// height, the panel keeps to the right edge with its lists taller, and nothing
// overlaps or leaves the client area; it gets no smaller than it opens.
void DiagramWindowResize(const fs::path& folder) {
  WriteLists(folder);
  const fs::path file = folder / "siatka.txt";
  WriteFile(file, "...\n.#.\n...\n");
  Diagram d(folder, file);
  const auto rectOf = [&](int id) {
    RECT r;
    GetWindowRect(d.Item(id), &r);
    MapWindowPoints(nullptr, d.window, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const auto width = [](const RECT& r) { return r.right - r.left; };
  const auto height = [](const RECT& r) { return r.bottom - r.top; };
  RECT frame, client;
  GetWindowRect(d.window, &frame);
  GetClientRect(d.window, &client);
  const RECT grid = rectOf(IDC_DIAGRAM_GRID), words = rectOf(IDC_DIAGRAM_PASUJACE);
  const int panelMargin = client.right - words.right;

  SetWindowPos(d.window, nullptr, 0, 0, width(frame) + 40, height(frame) + 30, SWP_NOMOVE | SWP_NOZORDER);
  RECT bigger;
  GetClientRect(d.window, &bigger);
  CHECK(bigger.right == client.right + 40 && bigger.bottom == client.bottom + 30, L"the window grows");
  CHECK(WaitUntil([&] {
          const RECT grown = rectOf(IDC_DIAGRAM_GRID);
          return width(grown) == width(grid) + 40 && height(grown) == height(grid) + 30;
        }),
        L"the grid takes the added width and height");
  const int ids[] = {IDC_DIAGRAM_GRID,    IDC_DIAGRAM_CBOSYMETRIA, IDC_DIAGRAM_STATUS,  IDC_DIAGRAM_PASUJACE,
                     IDC_DIAGRAM_WYPELNIJ, IDC_DIAGRAM_HASLA,       IDC_DIAGRAM_HASLO,   IDC_DIAGRAM_PODPOWIEDZI};
  for (std::size_t i = 0; i < std::size(ids); ++i) {
    const RECT a = rectOf(ids[i]);
    CHECK(a.left >= 0 && a.top >= 0 && a.right <= bigger.right && a.bottom <= bigger.bottom,
          L"control " + std::to_wstring(ids[i]) + L" stays in the client area");
    for (std::size_t j = i + 1; j < std::size(ids); ++j) {
      RECT b = rectOf(ids[j]), both;
      CHECK(!IntersectRect(&both, &a, &b),
            L"controls " + std::to_wstring(ids[i]) + L" and " + std::to_wstring(ids[j]) + L" do not overlap");
    }
  }
  CHECK(bigger.right - rectOf(IDC_DIAGRAM_PASUJACE).right == panelMargin, L"the panel keeps to the right edge");
  CHECK(height(rectOf(IDC_DIAGRAM_PASUJACE)) > height(words), L"the fitting words get taller");

  SetWindowPos(d.window, nullptr, 0, 0, width(frame) - 200, height(frame) - 200, SWP_NOMOVE | SWP_NOZORDER);
  RECT smallest;
  GetClientRect(d.window, &smallest);
  CHECK(smallest.right == client.right && smallest.bottom == client.bottom,
        L"the window gets no smaller than it opens");
  CHECK(WaitUntil([&] {
          const RECT now = rectOf(IDC_DIAGRAM_GRID);
          return EqualRect(&grid, &now) != FALSE;
        }),
        L"and its grid is as it opened");
  PostMessageW(d.window, WM_CLOSE, 0, 0);
  CHECK(d.program.WaitExit(kWait).has_value(), L"closing ends the program");
}
