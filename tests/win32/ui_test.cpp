// Tests of the Windows program's windows, run under Wine: each test starts
// the real wypelniak.exe in a folder of its own and drives it by control ID.
//
//   wypelniak_win32_tests.exe <wypelniak.exe> [part of a test name]

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "../../win32/controls.h"
#include "checks.h"
#include "driver.h"

namespace fs = std::filesystem;

// form_test.cpp: what is wrong with the way a modal window ends; empty when
// nothing is.
std::wstring ModalFormProblem();

// diagram_test.cpp: the grid window, wypelniak-diagram.exe in folder.
void DiagramWindowEditing(const fs::path& folder);
void DiagramWindowFill(const fs::path& folder);
void DiagramWindowFiles(const fs::path& folder);
void DiagramWindowRecovery(const fs::path& folder);
void DiagramWindowResize(const fs::path& folder);
void DiagramPrintPages(const fs::path& folder);
void DiagramAssociation(const fs::path& installedFolder);

namespace {

// ------------------------------------------------------------------ word lists

std::string Cp1250(const std::wstring& text) {
  const int n =
      WideCharToMultiByte(1250, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(1250, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromCp1250(const std::string& bytes) {
  const int n = MultiByteToWideChar(1250, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(1250, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

void WriteList(const fs::path& folder, int n, const std::vector<std::wstring>& words) {
  std::ofstream file(folder / "slow" / ("slow." + std::to_string(n)), std::ios::binary);
  file << words.size() << "\r\n";
  for (const std::wstring& word : words) file << Cp1250(word) << "\r\n";
}

// The lines of a word-list file, count line included.
std::vector<std::wstring> ReadList(const fs::path& folder, int n) {
  std::ifstream file(folder / "slow" / ("slow." + std::to_string(n)), std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  std::vector<std::wstring> lines;
  std::string line;
  while (std::getline(content, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(FromCp1250(line));
  }
  return lines;
}

// Word number i of a synthetic list: base-26 letters, length n.
std::wstring Synthetic(int i, int n, const std::wstring& prefix = L"") {
  std::wstring word(static_cast<std::size_t>(n), L'a');
  for (int at = n - 1; at >= 0; --at, i /= 26)
    word[static_cast<std::size_t>(at)] = static_cast<wchar_t>(L'a' + i % 26);
  return prefix + word;
}

std::vector<std::wstring> SyntheticList(int count, int n) {
  std::vector<std::wstring> words;
  for (int i = 0; i < count; ++i) words.push_back(Synthetic(i, n));
  return words;
}

const std::vector<std::wstring> kThree = {L"kat", L"kit", L"kot", L"żuk", L"ćma", L"łoś"};
constexpr int kAllStarRows = 70000;  // beyond what a data-less list box can hold

// A program folder with a Polish name: the program, and slow/ with small
// lists and one of 70,000 words.
fs::path MakeProgramFolder(const fs::path& exe, const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const fs::path folder =
      fs::path(temp) / (L"wypełniak-próba-" + name + L"-" + std::to_wstring(GetCurrentProcessId()));
  fs::remove_all(folder);
  fs::create_directories(folder / "slow");
  fs::copy_file(exe, folder / "wypelniak.exe");
  // The grid program, built beside the program.
  std::error_code noGridProgram;
  fs::copy_file(exe.parent_path() / "wypelniak-diagram.exe", folder / "wypelniak-diagram.exe", noGridProgram);
  WriteList(folder, 3, kThree);
  WriteList(folder, 4, {L"lato", L"kota", L"żółć"});
  WriteList(folder, 5, SyntheticList(kAllStarRows, 5));
  return folder;
}

// ------------------------------------------------------------------ helpers

struct Place {
  int id;
  int left, top, width, height;  // twips
};

struct Caption {
  int id;
  const wchar_t* text;
};

int Twips(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

bool Near(int actual, int expected) {
  return actual >= expected - 1 && actual <= expected + 1;
}

// Client size, centring and every control's rectangle.
void CheckLayout(HWND window, int clientWidth, int clientHeight, std::span<const Place> places) {
  const UINT dpi = DpiOf(window);
  RECT client;
  GetClientRect(window, &client);
  CHECK_EQ(client.right, Twips(clientWidth, dpi), L"client width");
  CHECK_EQ(client.bottom, Twips(clientHeight, dpi), L"client height");
  RECT frame;
  GetWindowRect(window, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  CHECK(Near((frame.left + frame.right) / 2, (monitor.rcWork.left + monitor.rcWork.right) / 2) &&
            Near((frame.top + frame.bottom) / 2, (monitor.rcWork.top + monitor.rcWork.bottom) / 2),
        L"the whole frame is centred on the work area");
  for (const Place& place : places) {
    const RECT r = ChildRect(GetDlgItem(window, place.id));
    CHECK(Near(r.left, Twips(place.left, dpi)) && Near(r.top, Twips(place.top, dpi)) &&
              Near(r.right - r.left, Twips(place.width, dpi)) &&
              Near(r.bottom - r.top, Twips(place.height, dpi)),
          L"place and size of control " + std::to_wstring(place.id));
  }
}

void CheckCaptions(HWND window, const wchar_t* caption, std::span<const Caption> captions) {
  CHECK_EQ(Text(window), caption, L"window caption");
  for (const Caption& c : captions)
    CHECK_EQ(Text(GetDlgItem(window, c.id)), c.text, L"caption of control " + std::to_wstring(c.id));
}

// Tab from the first control visits the rest in order and comes back.
void CheckTabOrder(const Program& program, HWND window, std::span<const int> order) {
  CHECK(program.Focus() == GetDlgItem(window, order[0]),
        L"the focus starts on control " + std::to_wstring(order[0]));
  for (std::size_t i = 1; i <= order.size(); ++i) {
    const int expected = order[i % order.size()];
    HWND now = program.PostKeyMovingFocus(VK_TAB, 2000);
    CHECK_EQ(GetDlgCtrlID(now), expected, L"Tab step " + std::to_wstring(i));
  }
}

// Presses a button and returns every message box shown until the program has
// handled the press (each is closed with OK).
std::vector<MessageSeen> PressAndRead(const Program& program, HWND button) {
  std::vector<MessageSeen> seen;
  Press press(button);
  const ULONGLONG end = GetTickCount64() + 30000;
  while (!press.Wait(10) && GetTickCount64() < end) {
    if (auto message = program.WaitMessage(0)) seen.push_back(*message);
  }
  return seen;
}

std::vector<MessageSeen> Search(const Program& program, const std::wstring& pattern) {
  SetText(GetDlgItem(program.Main(), IDC_MAIN_TEXT1), pattern);
  return PressAndRead(program, GetDlgItem(program.Main(), IDC_MAIN_COMMAND1));
}

std::vector<std::wstring> Rows(const Program& program) {
  HWND list = GetDlgItem(program.Main(), IDC_MAIN_LIST1);
  std::vector<std::wstring> rows;
  for (int i = 0, n = program.RowCount(list); i < n && i < 100; ++i) rows.push_back(program.RowText(list, i));
  return rows;
}

std::wstring Joined(const std::vector<std::wstring>& rows) {
  std::wstring out;
  for (const std::wstring& row : rows) out += (out.empty() ? L"" : L",") + row;
  return out;
}

struct Fixture {
  fs::path exe;     // the program under test
  fs::path folder;  // its program folder
};

// ------------------------------------------------------------------ main window

const Place kMainPlaces[] = {
    {IDC_MAIN_LABEL1, 120, 120, 2655, 495},     {IDC_MAIN_TEXT1, 120, 600, 2655, 285},
    {IDC_MAIN_LABEL2, 120, 960, 2655, 255},     {IDC_MAIN_LIST1, 120, 1200, 2655, 1815},
    {IDC_MAIN_LABEL3, 240, 1440, 2415, 1455},   {IDC_MAIN_COMMAND1, 3000, 120, 1455, 375},
    {IDC_MAIN_COMMAND2, 3000, 600, 1455, 375},  {IDC_MAIN_COMMAND3, 3000, 1080, 1455, 375},
    {IDC_MAIN_COMMAND4, 3000, 1680, 1455, 375}, {IDC_MAIN_COMMAND5, 3000, 2400, 1455, 615},
};

const Caption kMainCaptions[] = {
    {IDC_MAIN_LABEL1, L"Wpisz jakieś słowo, zamiast 'dziur' wpisuj gwiazdkę (*)"},
    {IDC_MAIN_TEXT1, L""},
    {IDC_MAIN_LABEL2, L"Pasujące słowa"},
    {IDC_MAIN_LABEL3, L"Proszę czekać, trwa wyszukiwanie odpowiednich wyrazów !!!"},
    {IDC_MAIN_COMMAND1, L"Szukaj"},
    {IDC_MAIN_COMMAND2, L"O programie"},
    {IDC_MAIN_COMMAND3, L"Koniec"},
    {IDC_MAIN_COMMAND4, L"Command4"},
    {IDC_MAIN_COMMAND5, L"Dodaj nowy wyraz do słownika"},
};

void MainWindowOpens(const Fixture& f) {
  Program program(f.exe);
  HWND main = program.Main();
  CHECK(main != nullptr, L"the main window shows");
  if (!main) return;
  CheckLayout(main, 4680, 3195, kMainPlaces);
  CheckCaptions(main, L"Wypełniak", kMainCaptions);
  const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
  CHECK((style & WS_SYSMENU) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)),
        L"fixed border, close box, no minimise or maximise box");
  CHECK(!IsWindowVisible(GetDlgItem(main, IDC_MAIN_COMMAND4)), L"Command4 is hidden");
  CHECK(
      IsWindowVisible(GetDlgItem(main, IDC_MAIN_LIST1)) && IsWindowVisible(GetDlgItem(main, IDC_MAIN_LABEL2)),
      L"the list and its caption show");
  CHECK_EQ(program.RowCount(GetDlgItem(main, IDC_MAIN_LIST1)), 0, L"rows at the start");
  // The please-wait label lies beneath the list in the stacking order.
  bool beneath = false;
  for (HWND w = GetDlgItem(main, IDC_MAIN_LIST1); w; w = GetWindow(w, GW_HWNDNEXT))
    if (GetDlgCtrlID(w) == IDC_MAIN_LABEL3) beneath = true;
  CHECK(beneath, L"Label3 lies beneath List1");
  CHECK(SendMessageW(GetDlgItem(main, IDC_MAIN_TEXT1), EM_GETLIMITTEXT, 0, 0) >= 0x7FFFFFFE,
        L"the pattern box has no length limit");
  const int order[] = {IDC_MAIN_TEXT1,    IDC_MAIN_LIST1,    IDC_MAIN_COMMAND1,
                       IDC_MAIN_COMMAND2, IDC_MAIN_COMMAND3, IDC_MAIN_COMMAND5};
  CheckTabOrder(program, main, order);
}

struct Refusal {
  std::wstring pattern;
  const wchar_t* title;
  const wchar_t* text;
  bool icon;
  bool listShowsAfter;
};

void SearchRefusals(const Fixture& f) {
  const Refusal refusals[] = {
      {L"a", L"Wypełniak", L"Najkrótszy wyraz musi mieć minimum 2 litery !!!", false, true},
      {L"kot", L"Błąd", L"Podane wyrażenie musi zawierać minimum jedną gwiazdkę (*) !!!", true, true},
      {L"k" + std::wstring(22, L'*'), L"Błąd",
       L"W języku polskim nie ma słów mających więcej niż 22 znaki !!!", true, false},
  };
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the main window shows");
  for (const Refusal& r : refusals) {
    const std::vector<MessageSeen> seen = Search(program, r.pattern);
    CHECK_EQ(static_cast<long long>(seen.size()), 1, L"messages for \"" + r.pattern + L"\"");
    if (seen.empty()) continue;
    CHECK_EQ(seen[0].title, r.title, L"title for \"" + r.pattern + L"\"");
    CHECK_EQ(seen[0].text, r.text, L"text for \"" + r.pattern + L"\"");
    CHECK(seen[0].icon == r.icon, L"icon for \"" + r.pattern + L"\"");
    CHECK(IsWindowVisible(GetDlgItem(main, IDC_MAIN_LIST1)) == r.listShowsAfter &&
              IsWindowVisible(GetDlgItem(main, IDC_MAIN_LABEL2)) == r.listShowsAfter,
          L"list and caption visibility after \"" + r.pattern + L"\"");
    CHECK(IsWindowEnabled(GetDlgItem(main, IDC_MAIN_TEXT1)), L"the pattern box is enabled again");
  }
  // An empty pattern is ignored without a word.
  CHECK(Search(program, L"").empty(), L"an empty pattern shows nothing");
}

void SearchLists(const Fixture& f) {
  struct Case {
    const wchar_t* pattern;
    std::vector<std::wstring> rows;
  };
  const Case cases[] = {
      {L"k*t", {L"kat", L"kit", L"kot"}}, {L"***", kThree},     {L"ż**", {L"żuk"}},
      {L"*o*", {L"kot", L"łoś"}},         {L"*ó**", {L"żółć"}}, {L"x*", {}},
  };
  Program program(f.exe);
  if (!program.Main()) return CHECK(false, L"the main window shows");
  // The list shown before the first search gives way to each result.
  for (const Case& c : cases) {
    std::vector<MessageSeen> seen = Search(program, c.pattern);
    if (std::wstring(c.pattern) == L"x*") {
      // No slow.2 in this folder: the search reports the missing file.
      CHECK_EQ(static_cast<long long>(seen.size()), 1, L"a message for the missing slow.2");
      if (!seen.empty()) CHECK(seen[0].text.find(L"slow.2") != std::wstring::npos, L"it names slow.2");
      continue;
    }
    CHECK(seen.empty(), std::wstring(L"no message for ") + c.pattern);
    CHECK_EQ(Joined(Rows(program)), Joined(c.rows), std::wstring(L"rows for ") + c.pattern);
    CHECK(IsWindowVisible(GetDlgItem(program.Main(), IDC_MAIN_LIST1)), L"the list shows");
  }
}

void AllStarRowCount(const Fixture& f) {
  Program program(f.exe);
  if (!program.Main()) return CHECK(false, L"the main window shows");
  HWND list = GetDlgItem(program.Main(), IDC_MAIN_LIST1);
  for (int round = 0; round < 2; ++round) {
    CHECK(Search(program, L"*****").empty(), L"no message");
    CHECK_EQ(program.RowCount(list), kAllStarRows, L"rows of the all-star search");
    CHECK_EQ(program.RowText(list, 0), Synthetic(0, 5), L"first row");
    CHECK_EQ(program.RowText(list, kAllStarRows - 1), Synthetic(kAllStarRows - 1, 5), L"last row");
    CHECK(Search(program, L"k*t").empty() && program.RowCount(list) == 3, L"a smaller search replaces it");
  }
}

void MainWindowKeys(const Fixture& f) {
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the main window shows");
  HWND text = GetDlgItem(main, IDC_MAIN_TEXT1);
  SetText(text, L"a");  // a search of it would show a message
  program.PostKey(VK_RETURN, text);
  CHECK(program.NoMessage(500), L"Enter in the pattern box starts no search");
  program.PostKey(VK_ESCAPE, text);
  CHECK(program.NoMessage(300) && IsWindowVisible(main), L"Esc in the main window does nothing");
  // Tab twice: List1, then Command1; Enter presses the focused button.
  program.PostKeyMovingFocus(VK_TAB, 2000);
  HWND focused = program.PostKeyMovingFocus(VK_TAB, 2000);
  CHECK_EQ(GetDlgCtrlID(focused), IDC_MAIN_COMMAND1, L"focus on Szukaj");
  program.PostKey(VK_RETURN, focused);
  auto seen = program.WaitMessage(5000);
  CHECK(seen && seen->text == L"Najkrótszy wyraz musi mieć minimum 2 litery !!!",
        L"Enter on the focused Szukaj searches");
}

void KoniecEndsProgram(const Fixture& f) {
  Program program(f.exe);
  if (!program.Main()) return CHECK(false, L"the main window shows");
  Search(program, L"***");
  PostMessageW(GetDlgItem(program.Main(), IDC_MAIN_COMMAND3), BM_CLICK, 0, 0);
  const auto code = program.WaitExit(10000);
  CHECK(code.has_value() && *code == 0, L"Koniec ends the program with code 0");
}

// Clicks queued while a search runs reach the program inside the search:
// they must start nothing, and Koniec must wait for the search's end.
void ClicksDuringSearch(const Fixture& f) {
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the main window shows");
  SetText(GetDlgItem(main, IDC_MAIN_TEXT1), L"*****");
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, program.Thread());
  CHECK(thread != nullptr, L"the program's thread can be held");
  if (!thread) return;
  // All four clicks are in the queue before the program sees the first.
  SuspendThread(thread);
  for (int id : {IDC_MAIN_COMMAND1, IDC_MAIN_COMMAND5, IDC_MAIN_COMMAND2, IDC_MAIN_COMMAND3})
    PostMessageW(GetDlgItem(main, id), BM_CLICK, 0, 0);
  ResumeThread(thread);
  CloseHandle(thread);
  bool otherWindow = false;
  const ULONGLONG end = GetTickCount64() + 20000;
  while (WaitForSingleObject(program.Process(), 10) == WAIT_TIMEOUT && GetTickCount64() < end) {
    if (FindWindowW(WYPELNIAK_SLOWNIK_CLASS, nullptr) || FindWindowW(WYPELNIAK_ABOUT_CLASS, nullptr))
      otherWindow = true;
  }
  CHECK(!otherWindow, L"no window opened by a click queued during the search");
  const auto code = program.WaitExit(0);
  CHECK(code.has_value() && *code == 0, L"Koniec queued during the search ends the program after it");
}

// The executable carries the program icon and its version.
void ExecutableResources(const Fixture& f) {
  HMODULE module =
      LoadLibraryExW(f.exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  CHECK(module != nullptr, L"the executable's resources can be read");
  if (!module) return;
  HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 32, 32, 0);
  CHECK(icon != nullptr, L"the program icon, 32 x 32");
  if (icon) DestroyIcon(static_cast<HICON>(icon));
  FreeLibrary(module);
  DWORD ignored = 0;
  std::vector<char> info(GetFileVersionInfoSizeW(f.exe.c_str(), &ignored));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  const bool read = !info.empty() &&
                    GetFileVersionInfoW(f.exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) &&
                    VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed;
  CHECK(read, L"the version resource");
  if (read) {
    CHECK(fixed->dwFileVersionMS == MAKELONG(1, 1) && fixed->dwFileVersionLS == 0, L"file version 1.1.0.0");
  }
}

// ------------------------------------------------------------------ add-word window

const Place kSlownikPlaces[] = {
    {IDC_SLOWNIK_LABEL1, 120, 240, 2055, 255},    {IDC_SLOWNIK_TEXT1, 120, 480, 2295, 285},
    {IDC_SLOWNIK_COMMAND1, 2640, 120, 1215, 495}, {IDC_SLOWNIK_COMMAND2, 2640, 720, 1215, 495},
    {IDC_SLOWNIK_LABEL2, 120, 1560, 3615, 495},
};

const Caption kSlownikCaptions[] = {
    {IDC_SLOWNIK_LABEL1, L"Wpisz nowy wyraz"},
    {IDC_SLOWNIK_TEXT1, L""},
    {IDC_SLOWNIK_COMMAND1, L"Dodaj"},
    {IDC_SLOWNIK_COMMAND2, L"Koniec"},
    {IDC_SLOWNIK_LABEL2, L"UWAGA: aby program widział nowo dodane wyrazy, należy go ponownie uruchomić"},
};

void AddWordWindow(const Fixture& f) {
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the main window shows");
  Press open(GetDlgItem(main, IDC_MAIN_COMMAND5));
  HWND window = program.WaitWindow(WYPELNIAK_SLOWNIK_CLASS, 5000);
  CHECK(window != nullptr, L"Command5 opens the add-word window");
  if (!window) return;
  CHECK(!IsWindowEnabled(main), L"the main window takes no input meanwhile");
  CheckLayout(window, 3975, 2070, kSlownikPlaces);
  CheckCaptions(window, L"Dodaj nowy wyraz do słownika", kSlownikCaptions);
  const int order[] = {IDC_SLOWNIK_TEXT1, IDC_SLOWNIK_COMMAND1, IDC_SLOWNIK_COMMAND2};
  CheckTabOrder(program, window, order);

  HWND text = GetDlgItem(window, IDC_SLOWNIK_TEXT1);
  HWND add = GetDlgItem(window, IDC_SLOWNIK_COMMAND1);
  struct Case {
    std::wstring word;
    const wchar_t* title;
    std::wstring message;  // empty: only the title is checked
    bool added;
  };
  const Case cases[] = {
      {L"", L"Błąd", L"Nic nie wpisałeś", false},
      {L"a", L"Błąd", L"Nie można dodawać do słownika wyrazów krótszych niż dwuznakowych", false},
      {std::wstring(23, L'a'), L"Błąd",
       L"Nie można dodawać do słownika wyrazów dłuższych niż te, które mają 22 znaki", false},
      {L"żółw", L"Dodałem wyraz", L"Wyraz (żółw) został dodany do słownika", true},
      {L"żółw", L"Błąd", L"", false},  // already in the list
  };
  for (const Case& c : cases) {
    const std::size_t before = ReadList(f.folder, 4).size();
    SetText(text, c.word);
    const std::vector<MessageSeen> seen = PressAndRead(program, add);
    CHECK_EQ(static_cast<long long>(seen.size()), 1, L"messages for \"" + c.word + L"\"");
    if (seen.empty()) continue;
    CHECK_EQ(seen[0].title, c.title, L"title for \"" + c.word + L"\"");
    if (!c.message.empty()) CHECK_EQ(seen[0].text, c.message, L"text for \"" + c.word + L"\"");
    CHECK(seen[0].icon, L"an icon for \"" + c.word + L"\"");
    const std::vector<std::wstring> lines = ReadList(f.folder, 4);
    CHECK_EQ(static_cast<long long>(lines.size()), static_cast<long long>(before + (c.added ? 1 : 0)),
             L"lines of slow.4 after \"" + c.word + L"\"");
    if (c.added) {
      CHECK(lines.size() == 5 && lines[0] == L"4" && lines.back() == c.word,
            L"the count and the word at the end");
    }
    const LRESULT selection = SendMessageW(text, EM_GETSEL, 0, 0);
    CHECK(LOWORD(selection) == 0 && HIWORD(selection) == c.word.size(), L"the word box's text is selected");
    CHECK(program.Focus() == text, L"the word box has the focus");
    CHECK(IsWindowVisible(GetDlgItem(window, IDC_SLOWNIK_LABEL2)), L"the notice shows");
  }
  SetText(text, L"nowy");
  program.PostKey(VK_RETURN, text);
  CHECK(program.NoMessage(500) && ReadList(f.folder, 4).size() == 5, L"Enter in the word box adds nothing");
  program.PostKey(VK_ESCAPE, text);
  CHECK(program.WaitGone(window, 5000), L"Esc closes the window");
  CHECK(open.Wait(5000), L"the main window's call returns");
  CHECK(IsWindowEnabled(main), L"the main window takes input again");

  // Koniec and the close box close it too; each showing starts afresh.
  for (bool closeBox : {false, true}) {
    Press again(GetDlgItem(main, IDC_MAIN_COMMAND5));
    window = program.WaitWindow(WYPELNIAK_SLOWNIK_CLASS, 5000);
    if (!window) return CHECK(false, L"the window opens again");
    CHECK_EQ(Text(GetDlgItem(window, IDC_SLOWNIK_TEXT1)), L"", L"the word box starts empty");
    if (closeBox)
      PostMessageW(window, WM_CLOSE, 0, 0);
    else
      PostMessageW(GetDlgItem(window, IDC_SLOWNIK_COMMAND2), BM_CLICK, 0, 0);
    CHECK(program.WaitGone(window, 5000) && again.Wait(5000),
          closeBox ? L"the close box closes it" : L"Koniec closes it");
  }
}

// A second "Dodaj" queued while an addition runs starts nothing.
void AddClickedTwice(const Fixture& f) {
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the main window shows");
  Press open(GetDlgItem(main, IDC_MAIN_COMMAND5));
  HWND window = program.WaitWindow(WYPELNIAK_SLOWNIK_CLASS, 5000);
  if (!window) return CHECK(false, L"the add-word window opens");
  SetText(GetDlgItem(window, IDC_SLOWNIK_TEXT1), L"brać");
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, program.Thread());
  if (!thread) return CHECK(false, L"the program's thread can be held");
  SuspendThread(thread);
  PostMessageW(GetDlgItem(window, IDC_SLOWNIK_COMMAND1), BM_CLICK, 0, 0);
  PostMessageW(GetDlgItem(window, IDC_SLOWNIK_COMMAND1), BM_CLICK, 0, 0);
  PostMessageW(GetDlgItem(window, IDC_SLOWNIK_COMMAND2), BM_CLICK, 0, 0);
  ResumeThread(thread);
  CloseHandle(thread);
  auto first = program.WaitMessage(10000);
  CHECK(first && first->title == L"Dodałem wyraz",
        L"the word is added: " + (first ? first->text : L"no message"));
  CHECK(program.NoMessage(700), L"the second click adds nothing and reports nothing");
  CHECK(program.WaitGone(window, 5000), L"Koniec queued during the addition closes the window after it");
  CHECK(open.Wait(5000), L"the main window's call returns");
}

// ------------------------------------------------------------------ About window

const Place kAboutPlaces[] = {
    {IDC_ABOUT_PICICON, 240, 240, 480, 480},         {IDC_ABOUT_LBLTITLE, 1050, 240, 3885, 480},
    {IDC_ABOUT_LBLVERSION, 1050, 780, 3885, 225},    {IDC_ABOUT_LBLDESCRIPTION, 1050, 1125, 3885, 1170},
    {IDC_ABOUT_LBLDISCLAIMER, 255, 2625, 3870, 825}, {IDC_ABOUT_CMDOK, 4245, 2625, 1260, 345},
    {IDC_ABOUT_CMDSYSINFO, 4260, 3075, 1245, 345},
};

const Caption kAboutCaptions[] = {
    {IDC_ABOUT_LBLTITLE, L"Wypełniak"},
    {IDC_ABOUT_LBLVERSION, L"Wersja 1.1.0"},
    {IDC_ABOUT_LBLDESCRIPTION,
     L"Program ten jest przydatny dla osób tworzących krzyżówki (szczegóły w pliku README.TXT)"},
    {IDC_ABOUT_CMDOK, L"OK"},
    {IDC_ABOUT_CMDSYSINFO, L"WWW"},
};

void AboutWindow(const Fixture& f) {
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the main window shows");
  // Each way of closing the window: Esc, Enter on OK, OK clicked, the close box.
  enum class Close { Escape, Enter, Click, CloseBox };
  for (Close how : {Close::Escape, Close::Enter, Close::Click, Close::CloseBox}) {
    Press open(GetDlgItem(main, IDC_MAIN_COMMAND2));
    HWND window = program.WaitWindow(WYPELNIAK_ABOUT_CLASS, 5000);
    if (!window) return CHECK(false, L"Command2 opens the About window");
    CHECK(!IsWindowEnabled(main), L"the main window takes no input meanwhile");
    if (how == Close::Escape) {
      CheckLayout(window, 5730, 3555, kAboutPlaces);
      CheckCaptions(window, L"O programie", kAboutCaptions);
      CHECK(Text(GetDlgItem(window, IDC_ABOUT_LBLDISCLAIMER)).find(L"bezpłatny") != std::wstring::npos,
            L"the terms of use");
      CHECK(GetWindow(window, GW_OWNER) == main, L"owned by the main window, off the task bar");
      const int order[] = {IDC_ABOUT_CMDOK, IDC_ABOUT_CMDSYSINFO};
      CheckTabOrder(program, window, order);
      // Enter on the focused WWW presses it and leaves the window open.
      HWND www = program.PostKeyMovingFocus(VK_TAB, 2000);
      CHECK_EQ(GetDlgCtrlID(www), IDC_ABOUT_CMDSYSINFO, L"focus on WWW");
      // No browser starts here: the window says so, with the address.
      program.PostKey(VK_RETURN, www);
      const auto noBrowser = program.WaitMessage(5000);
      CHECK(noBrowser && noBrowser->text.find(L"przeglądar") != std::wstring::npos &&
                noBrowser->text.find(L"https://wypelniak.pl/") != std::wstring::npos,
            L"WWW without a browser says so: " + (noBrowser ? noBrowser->text : L"no message"));
      CHECK(!program.WaitGone(window, 500), L"WWW leaves the window open");
      PostMessageW(www, BM_CLICK, 0, 0);
      CHECK(program.WaitMessage(5000).has_value() && !program.WaitGone(window, 500),
            L"a WWW click says so too and leaves the window open");
      program.PostKeyMovingFocus(VK_TAB, 2000);
      CHECK(program.Focus() == GetDlgItem(window, IDC_ABOUT_CMDOK), L"focus back on OK");
    }
    switch (how) {
      case Close::Escape: program.PostKey(VK_ESCAPE, GetDlgItem(window, IDC_ABOUT_LBLDESCRIPTION)); break;
      case Close::Enter: program.PostKey(VK_RETURN, GetDlgItem(window, IDC_ABOUT_CMDOK)); break;
      case Close::Click: PostMessageW(GetDlgItem(window, IDC_ABOUT_CMDOK), BM_CLICK, 0, 0); break;
      case Close::CloseBox: PostMessageW(window, WM_CLOSE, 0, 0); break;
    }
    CHECK(program.WaitGone(window, 5000) && open.Wait(5000),
          L"the About window closes (way " + std::to_wstring(static_cast<int>(how)) + L")");
    CHECK(IsWindowEnabled(main), L"the main window takes input again");
  }
}

// ------------------------------------------------------------------ hint window

// A thesaurus of two entries in tezaurus/ of folder, in its files' own
// encoding, ISO-8859-2.
void WriteThesaurus(const fs::path& folder) {
  const auto latin2 = [](const std::wstring& text) {
    const int n = WideCharToMultiByte(28592, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(28592, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
  };
  const std::wstring entries[][2] = {
      {L"kot", L"kot|1\n-|kot|kocur|mruczek (pot.)|zwierzę (pojęcie nadrzędne)\n"},
      {L"żuk", L"żuk|2\n-|chrząszcz (pojęcie nadrzędne)|gnojak\n(samochód)|auto (pojęcie nadrzędne)\n"},
  };
  std::string data = "ISO8859-2\n";
  std::string index = "ISO8859-2\n2\n";
  for (const auto& [headword, entry] : entries) {
    index += latin2(headword) + "|" + std::to_string(data.size()) + "\n";
    data += latin2(entry);
  }
  fs::create_directories(folder / "tezaurus");
  std::ofstream(folder / "tezaurus" / "th_pl_PL_v2.idx", std::ios::binary) << index;
  std::ofstream(folder / "tezaurus" / "th_pl_PL_v2.dat", std::ios::binary) << data;
}

enum class Open { DoubleClick, Enter };

// Clicks the first row of the result list, then opens its hints by a
// double-click or by Enter; the hint window, or nullptr.
HWND OpenHints(const Program& program, Open how) {
  HWND list = GetDlgItem(program.Main(), IDC_MAIN_LIST1);
  const LPARAM firstRow = MAKELPARAM(8, 3);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, firstRow);
  PostMessageW(list, WM_LBUTTONUP, 0, firstRow);
  if (how == Open::DoubleClick) {
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, firstRow);
    PostMessageW(list, WM_LBUTTONUP, 0, firstRow);
  } else {
    program.PostKey(VK_RETURN, list);
  }
  return program.WaitWindow(WYPELNIAK_PODPOWIEDZI_CLASS, 5000);
}

const Place kHintPlaces[] = {
    {IDC_PODPOWIEDZI_TXTHINTS, 120, 120, 6360, 4620},
    {IDC_PODPOWIEDZI_CMDZAMKNIJ, 5220, 4860, 1260, 375},
};

void HintWindow(const Fixture& f) {
  struct Case {
    bool thesaurus;  // whether tezaurus/ holds the small thesaurus
    const wchar_t* pattern;
    Open how;
    const wchar_t* caption;
    std::vector<std::wstring> shown;  // parts of the text the window shows
  };
  const Case cases[] = {
      {true,
       L"ż**",
       Open::DoubleClick,
       L"Podpowiedzi: żuk",
       {L"żuk, 1. znaczenie\r\nSynonimy: gnojak\r\nPojęcia szersze: chrząszcz\r\n",
        L"żuk, 2. znaczenie (samochód)\r\nPojęcia szersze: auto", L"licencja GNU LGPL"}},
      {true, L"*o*", Open::Enter, L"Podpowiedzi: kot", {L"Synonimy: kocur, mruczek (pot.)\r\n"}},
      {true, L"ł**", Open::DoubleClick, L"Podpowiedzi: łoś", {L"Tezaurus nie ma hasła „łoś”."}},
      {false,
       L"k*t",
       Open::Enter,
       L"Podpowiedzi: kat",
       {L"Podpowiedzi są niedostępne.", L"th_pl_PL_v2.idx", L"mythes-pl"}},
  };
  WriteThesaurus(f.folder);
  for (const Case& c : cases) {
    if (!c.thesaurus) fs::remove_all(f.folder / "tezaurus");
    Program program(f.exe);
    HWND main = program.Main();
    if (!main) return CHECK(false, L"the main window shows");
    CHECK(Search(program, c.pattern).empty(), std::wstring(L"no message for ") + c.pattern);
    HWND window = OpenHints(program, c.how);
    if (!window) {
      CHECK(false, std::wstring(L"the hint window opens for ") + c.pattern);
      continue;
    }
    CHECK(!IsWindowEnabled(main), L"the main window takes no input meanwhile");
    CheckLayout(window, 6600, 5400, kHintPlaces);
    CHECK_EQ(Text(window), std::wstring(c.caption), L"caption");
    CHECK(GetWindow(window, GW_OWNER) == main, L"owned by the main window");
    HWND text = GetDlgItem(window, IDC_PODPOWIEDZI_TXTHINTS);
    CHECK(GetWindowLongPtrW(text, GWL_STYLE) & ES_READONLY, L"the text is read-only");
    const std::wstring shown = Text(text);
    for (const std::wstring& part : c.shown)
      CHECK(shown.find(part) != std::wstring::npos, L"the window shows \"" + part + L"\" in: " + shown);
    program.PostKey(VK_ESCAPE, text);
    CHECK(program.WaitGone(window, 5000), L"Esc closes the hint window");
    CHECK(IsWindowEnabled(main), L"the main window takes input again");
  }
}

// ------------------------------------------------------------------ focus after a modal window

// Whether the focus is on control within ms.
bool FocusComesTo(const Program& program, HWND control, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (program.Focus() != control && GetTickCount64() < end) Sleep(10);
  return program.Focus() == control;
}

// When a modal window closes, the control that had the focus has it again:
// the keys work on without a click. Each window is opened twice by keys alone
// (Enter on its button; Down, then Enter, in the result list).
void FocusAfterModal(const Fixture& f) {
  WriteThesaurus(f.folder);
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the main window shows");
  CHECK(Search(program, L"k*t").empty(), L"no message for k*t");
  struct Case {
    int control;
    const wchar_t* windowClass;
    const wchar_t* captions[2];  // of the window opened each time; nullptr: not checked
  };
  const Case cases[] = {
      {IDC_MAIN_COMMAND2, WYPELNIAK_ABOUT_CLASS, {nullptr, nullptr}},
      {IDC_MAIN_COMMAND5, WYPELNIAK_SLOWNIK_CLASS, {nullptr, nullptr}},
      {IDC_MAIN_LIST1, WYPELNIAK_PODPOWIEDZI_CLASS, {L"Podpowiedzi: kit", L"Podpowiedzi: kot"}},
  };
  for (const Case& c : cases) {
    HWND control = GetDlgItem(main, c.control);
    const std::wstring name = L"control " + std::to_wstring(c.control);
    if (c.control == IDC_MAIN_LIST1) {
      // A click on the first row gives the list the focus.
      const LPARAM firstRow = MAKELPARAM(8, 3);
      PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, firstRow);
      PostMessageW(control, WM_LBUTTONUP, 0, firstRow);
    } else {
      for (int i = 0; i < 8 && program.Focus() != control; ++i) program.PostKeyMovingFocus(VK_TAB, 2000);
    }
    CHECK(FocusComesTo(program, control, 2000), L"the focus on " + name);
    for (const wchar_t* caption : c.captions) {
      if (c.control == IDC_MAIN_LIST1) program.PostKey(VK_DOWN);
      program.PostKey(VK_RETURN);
      HWND window = program.WaitWindow(c.windowClass, 5000);
      if (!window) {
        CHECK(false, L"Enter on " + name + L" opens its window");
        break;
      }
      if (caption) CHECK_EQ(Text(window), std::wstring(caption), L"the window of the row Down moved to");
      program.PostKey(VK_ESCAPE, window);
      CHECK(program.WaitGone(window, 5000), L"Esc closes the window of " + name);
      CHECK(FocusComesTo(program, control, 2000), L"the focus is back on " + name);
    }
  }
}

// The windows' base class, in this process: a modal window's last message
// reaches its form, which lets go of the window.
void ModalFormLetsGo(const Fixture&) {
  const std::wstring problem = ModalFormProblem();
  CHECK(problem.empty(), problem);
}

// ------------------------------------------------------------------ installed program

// The program as the installer left it, with its real word list: a search,
// the all-star search of slow.12 and one addition.
void Installed(const Fixture& f) {
  Program program(f.exe);
  HWND main = program.Main();
  if (!main) return CHECK(false, L"the installed program shows its main window");
  HWND list = GetDlgItem(main, IDC_MAIN_LIST1);
  CHECK(Search(program, L"k*t").empty(), L"no message for k*t");
  const std::vector<std::wstring> rows = Rows(program);
  CHECK(std::find(rows.begin(), rows.end(), L"kot") != rows.end(), L"k*t finds kot: " + Joined(rows));
  // The installed thesaurus gives the first row's hints.
  if (HWND hints = OpenHints(program, Open::Enter)) {
    const std::wstring shown = Text(GetDlgItem(hints, IDC_PODPOWIEDZI_TXTHINTS));
    CHECK(shown.find(L"1. znaczenie") != std::wstring::npos, L"hints of " + rows[0] + L": " + shown);
    PostMessageW(GetDlgItem(hints, IDC_PODPOWIEDZI_CMDZAMKNIJ), BM_CLICK, 0, 0);
    CHECK(program.WaitGone(hints, 5000), L"Zamknij closes the hint window");
  } else {
    CHECK(false, L"the hint window opens");
  }
  CHECK(Search(program, std::wstring(12, L'*')).empty(), L"no message for the all-star search");
  const std::vector<std::wstring> lines = ReadList(f.folder, 12);
  CHECK(!lines.empty() && program.RowCount(list) == _wtoi(lines[0].c_str()) &&
            program.RowCount(list) == static_cast<int>(lines.size()) - 1,
        L"the all-star search lists every word of slow.12");

  Press open(GetDlgItem(main, IDC_MAIN_COMMAND5));
  HWND window = program.WaitWindow(WYPELNIAK_SLOWNIK_CLASS, 5000);
  if (!window) return CHECK(false, L"the add-word window opens");
  SetText(GetDlgItem(window, IDC_SLOWNIK_TEXT1), L"wypełniakowo");
  const std::vector<MessageSeen> seen = PressAndRead(program, GetDlgItem(window, IDC_SLOWNIK_COMMAND1));
  CHECK(seen.size() == 1 && seen[0].title == L"Dodałem wyraz",
        L"the installed program adds a word: " + (seen.empty() ? L"no message" : seen[0].text));
  PostMessageW(window, WM_CLOSE, 0, 0);
  CHECK(open.Wait(5000), L"the add-word window closes");
}

// ------------------------------------------------------------------ repair as advised

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Runs command as it would run typed at a command prompt (cmd /s /c takes the
// text between the outer quotes as it stands), from a folder of no concern to
// it; the exit code.
DWORD RunAtPrompt(const std::wstring& command) {
  std::wstring line = L"cmd.exe /s /c \"" + command + L"\"";
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, temp, &startup, &process))
    return ~DWORD{0};
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = ~DWORD{0};
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// A slow.3 saved as UTF-8 (as an editor may save it) makes the search name a
// command; run as printed, from a command prompt, it makes the file what it
// was, byte for byte. In the installed folder, and in a copy of it whose path
// holds a blank (the command then quotes the paths).
void RepairAsAdvised(const Fixture& f) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const fs::path blank = fs::path(temp) / (L"Wypełniak z odstępem-" + std::to_wstring(GetCurrentProcessId()));
  fs::create_directories(blank / "slow");
  for (const wchar_t* file : {L"wypelniak.exe", L"wypelniak-slownik.exe", L"slow\\slow.3"}) {
    std::error_code ec;
    fs::copy_file(f.folder / file, blank / file, fs::copy_options::overwrite_existing, ec);
    if (ec) return CHECK(false, std::wstring(L"the program folder holds ") + file);
  }
  for (const fs::path& folder : {f.folder, blank}) {
    const fs::path list = folder / "slow" / "slow.3";
    const std::string original = ReadBytes(list);
    std::ofstream(list, std::ios::binary | std::ios::trunc) << Utf8(FromCp1250(original));
    Program program(folder / "wypelniak.exe");
    if (!program.Main()) return CHECK(false, L"the program shows its main window");
    const std::vector<MessageSeen> seen = Search(program, L"k*t");
    const std::wstring said = seen.size() == 1 ? seen[0].text : L"";
    const std::size_t at = said.find(L"poleceniem: ");
    CHECK(at != std::wstring::npos && said.back() == L'.', L"the search names a command: " + said);
    if (at == std::wstring::npos) continue;
    const std::wstring command = said.substr(at + 12, said.size() - at - 13);
    const bool quoted = folder.wstring().find(L' ') != std::wstring::npos;
    CHECK(command.starts_with(quoted ? L"\"" + (folder / L"wypelniak-slownik.exe").wstring() + L"\" repair \""
                                     : (folder / L"wypelniak-slownik.exe").wstring() + L" repair "),
          L"the command runs the tool beside the program by its full path: " + command);
    CHECK_EQ(static_cast<long long>(RunAtPrompt(command)), 0, L"exit code of " + command);
    CHECK(ReadBytes(list) == original, L"the command makes slow.3 what it was: " + command);
    CHECK(Search(program, L"k*t").empty() && !Rows(program).empty(), L"the search reads the mended file");
  }
  std::error_code ignored;
  fs::remove_all(blank, ignored);
}

// ------------------------------------------------------------------ two copies

// One copy searches the list over and over while another adds 100 words to
// it: every addition succeeds, and every search sees a whole file.
void TwoCopies(const Fixture& f) {
  constexpr int kWords = 20000;
  constexpr int kAdded = 100;
  WriteList(f.folder, 6, SyntheticList(kWords, 6));
  Program searcher(f.exe);
  Program adder(f.exe);
  if (!searcher.Main() || !adder.Main()) return CHECK(false, L"both copies show their main window");

  std::atomic<bool> adding{true};
  int searches = 0, searchErrors = 0, tornCounts = 0, lastCount = kWords;
  std::thread searching([&] {
    HWND list = GetDlgItem(searcher.Main(), IDC_MAIN_LIST1);
    while (adding) {
      const std::vector<MessageSeen> seen = Search(searcher, L"******");
      ++searches;
      if (!seen.empty()) {
        if (++searchErrors <= 3) std::printf("  search message: %s\n", Utf8(seen[0].text).c_str());
        continue;
      }
      const int count = searcher.RowCount(list);
      if (count < lastCount || count > kWords + kAdded) ++tornCounts;
      lastCount = count;
    }
  });

  Press open(GetDlgItem(adder.Main(), IDC_MAIN_COMMAND5));
  HWND window = adder.WaitWindow(WYPELNIAK_SLOWNIK_CLASS, 5000);
  int added = 0;
  if (window) {
    for (int i = 0; i < kAdded; ++i) {
      const std::wstring word = Synthetic(i, 3, L"wyr");
      SetText(GetDlgItem(window, IDC_SLOWNIK_TEXT1), word);
      const std::vector<MessageSeen> seen = PressAndRead(adder, GetDlgItem(window, IDC_SLOWNIK_COMMAND1));
      if (seen.size() == 1 && seen[0].title == L"Dodałem wyraz")
        ++added;
      else if (!seen.empty() && i - added < 3)
        std::printf("  addition message: %s\n", Utf8(seen[0].text).c_str());
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  adding = false;
  searching.join();
  CHECK_EQ(added, kAdded, L"additions that succeeded");
  CHECK(searches > 1, L"the other copy searched meanwhile");
  CHECK_EQ(searchErrors, 0, L"searches that reported an error");
  CHECK_EQ(tornCounts, 0, L"searches that saw a torn file");
  const std::vector<std::wstring> lines = ReadList(f.folder, 6);
  CHECK(lines.size() == kWords + kAdded + 1 && lines[0] == std::to_wstring(kWords + kAdded),
        L"the file holds every word and the right count");
  std::printf("  %d searches beside %d additions\n", searches, added);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: wypelniak_win32_tests <wypelniak.exe> [part of a test name]\n");
    return 2;
  }
  const fs::path exe = fs::absolute(argv[1]);
  // An optional second argument picks the tests whose names contain it.
  const std::string only = argc > 2 ? Utf8(argv[2]) : std::string();
  struct Test {
    const char* name;
    void (*run)(const Fixture&);
  };
  const Test uiTests[] = {
      {"MainWindowOpens", MainWindowOpens},
      {"SearchRefusals", SearchRefusals},
      {"SearchLists", SearchLists},
      {"AllStarRowCount", AllStarRowCount},
      {"MainWindowKeys", MainWindowKeys},
      {"KoniecEndsProgram", KoniecEndsProgram},
      {"ClicksDuringSearch", ClicksDuringSearch},
      {"AddWordWindow", AddWordWindow},
      {"AddClickedTwice", AddClickedTwice},
      {"AboutWindow", AboutWindow},
      {"HintWindow", HintWindow},
      {"FocusAfterModal", FocusAfterModal},
      {"ModalFormLetsGo", ModalFormLetsGo},
      {"ExecutableResources", ExecutableResources},
      {"TwoCopies", TwoCopies},
      {"DiagramWindowEditing", [](const Fixture& f) { DiagramWindowEditing(f.folder); }},
      {"DiagramWindowFill", [](const Fixture& f) { DiagramWindowFill(f.folder); }},
      {"DiagramWindowFiles", [](const Fixture& f) { DiagramWindowFiles(f.folder); }},
      {"DiagramWindowRecovery", [](const Fixture& f) { DiagramWindowRecovery(f.folder); }},
      {"DiagramWindowResize", [](const Fixture& f) { DiagramWindowResize(f.folder); }},
      {"DiagramPrintPages", [](const Fixture& f) { DiagramPrintPages(f.folder); }},
  };
  // "Installed", "Repair": the program where it is, with its own word list.
  const Test installedTests[] = {{"Installed", Installed},
                                 {"Repair", RepairAsAdvised},
                                 {"Association", [](const Fixture& f) { DiagramAssociation(f.folder); }}};
  for (const Test& test : installedTests) {
    if (only != test.name) continue;
    std::printf("[ RUN      ] %s\n", test.name);
    test.run(Fixture{exe, exe.parent_path()});
    std::printf("[ %s ] %s\n%d checks: %d failed\n", g_failures == 0 ? "      OK" : " FAILED ", test.name,
                g_checks, g_failures);
    return g_failures == 0 ? 0 : 1;
  }
  std::vector<Test> tests;
  for (const Test& test : uiTests)
    if (std::string(test.name).find(only) != std::string::npos) tests.push_back(test);

  int failedTests = 0;
  for (const Test& test : tests) {
    std::printf("[ RUN      ] %s\n", test.name);
    std::fflush(stdout);
    const int failuresBefore = g_failures;
    const ULONGLONG start = GetTickCount64();
    const fs::path folder =
        MakeProgramFolder(exe, std::wstring(test.name, test.name + std::strlen(test.name)));
    test.run(Fixture{folder / "wypelniak.exe", folder});
    const bool ok = g_failures == failuresBefore;
    if (!ok) ++failedTests;
    std::printf("[ %s ] %s (%llu ms)\n", ok ? "      OK" : " FAILED ", test.name, GetTickCount64() - start);
    std::fflush(stdout);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  std::printf("%d tests, %d checks: %d tests failed, %d checks failed\n", static_cast<int>(tests.size()),
              g_checks, failedTests, g_failures);
  return failedTests == 0 ? 0 : 1;
}
