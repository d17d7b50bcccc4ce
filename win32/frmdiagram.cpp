#include "frmdiagram.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "controls.h"
#include "diagramgrid.h"
#include "diagramprint.h"
#include "frmnowy.h"
#include "gridfile.h"
#include "gridwindow.h"
#include "session.h"
#include "thesaurus.h"

using wypelniak::Direction;

namespace {

constexpr UINT kLoadProgress = WM_APP + 1;  // wParam: lengths read, lParam: of how many
constexpr UINT kLoaded = WM_APP + 2;        // wParam: the load's generation
constexpr UINT kFillProgress = WM_APP + 3;
constexpr UINT kFillDone = WM_APP + 4;

// The recovery copy is written this long after the first unsaved change, then
// again at most this often while changes go on.
constexpr UINT_PTR kRecoveryTimer = 1;
constexpr UINT kRecoveryQuietMs = 2000;

// The candidate list shows at most this many of a slot's words; its caption says how many fit.
constexpr std::uint32_t kListedWords = 2000;

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX | WS_VISIBLE;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE;
constexpr DWORD kList = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_VISIBLE;

const ControlSpec kControls[] = {
    {IDC_DIAGRAM_GRID, WYPELNIAK_DIAGRAM_GRID_CLASS, L"", WS_TABSTOP | WS_VISIBLE, 0, 120, 120, 5400, 5400},
    {IDC_DIAGRAM_LBLSYMETRIA, L"Static", L"Symetria:", kLabel, 0, 120, 5685, 840, 255},
    {IDC_DIAGRAM_CBOSYMETRIA, L"ComboBox", L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL | WS_VISIBLE, 0,
     960, 5640, 1800, 1500},
    {IDC_DIAGRAM_PROGRESS, PROGRESS_CLASSW, L"", 0, 0, 3000, 5670, 2520, 255},
    {IDC_DIAGRAM_STATUS, L"Static", L"", kLabel, 0, 120, 6060, 9360, 480},
    {IDC_DIAGRAM_LBLPASUJACE, L"Static", L"", kLabel, 0, 5640, 120, 3840, 375},
    {IDC_DIAGRAM_PASUJACE, WC_LISTVIEWW, L"", kList | LVS_NOCOLUMNHEADER | LVS_OWNERDATA, WS_EX_CLIENTEDGE,
     5640, 510, 3840, 1740},
    {IDC_DIAGRAM_WYPELNIJ, L"Button", L"Wypełnij", kButton, 0, 5640, 2325, 1020, 375},
    {IDC_DIAGRAM_WYPELNIJZAZNACZENIE, L"Button", L"Wypełnij zaznaczenie", kButton, 0, 6720, 2325, 1800, 375},
    {IDC_DIAGRAM_PRZERWIJ, L"Button", L"Przerwij", kButton, 0, 8580, 2325, 900, 375},
    {IDC_DIAGRAM_LBLHASLA, L"Static", L"Hasła (wybierz wiersz, aby przejść do wyrazu):", kLabel, 0, 5640,
     2790, 3840, 255},
    {IDC_DIAGRAM_HASLA, WC_LISTVIEWW, L"", kList, WS_EX_CLIENTEDGE, 5640, 3045, 3840, 1470},
    {IDC_DIAGRAM_LBLHASLO, L"Static", L"Hasło:", kLabel, 0, 5640, 4620, 600, 255},
    {IDC_DIAGRAM_HASLO, L"Edit", L"", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE,
     6240, 4575, 3240, 315},
    {IDC_DIAGRAM_LBLPODPOWIEDZI, L"Static", L"",
     SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX | WS_VISIBLE, 0, 5640, 4965, 3840, 255},
    {IDC_DIAGRAM_PODPOWIEDZI, WC_LISTVIEWW, L"", kList | LVS_NOCOLUMNHEADER, WS_EX_CLIENTEDGE, 5640, 5220,
     3840, 780},
};

// The client area as laid out above, in twips: the smallest the window gets.
constexpr int kClientWidth = 9600, kClientHeight = 6600;

// How a control follows the window beyond that size. The grid takes the width
// the side panel leaves and the height above the symmetry row; the side panel
// keeps its width at the right edge, and its three lists share the height
// (two fifths each to the fitting words and the clues, the rest to the
// hints); the rows under the grid keep to the bottom edge.
enum Share { kNoShare = -1, kWords = 0, kClues = 1, kHints = 2, kAllHeight = 3 };
struct Anchor {
  int id;
  bool atRight;      // moves with the right edge
  bool wider;        // takes the added width
  int sharesAbove;   // moves down by the shares of this many lists above it
  Share taller;      // takes this share of the added height
};
const Anchor kAnchors[] = {
    {IDC_DIAGRAM_GRID, false, true, 0, kAllHeight},
    {IDC_DIAGRAM_LBLSYMETRIA, false, false, 3, kNoShare},
    {IDC_DIAGRAM_CBOSYMETRIA, false, false, 3, kNoShare},
    {IDC_DIAGRAM_PROGRESS, false, false, 3, kNoShare},
    {IDC_DIAGRAM_STATUS, false, true, 3, kNoShare},
    {IDC_DIAGRAM_LBLPASUJACE, true, false, 0, kNoShare},
    {IDC_DIAGRAM_PASUJACE, true, false, 0, kWords},
    {IDC_DIAGRAM_WYPELNIJ, true, false, 1, kNoShare},
    {IDC_DIAGRAM_WYPELNIJZAZNACZENIE, true, false, 1, kNoShare},
    {IDC_DIAGRAM_PRZERWIJ, true, false, 1, kNoShare},
    {IDC_DIAGRAM_LBLHASLA, true, false, 1, kNoShare},
    {IDC_DIAGRAM_HASLA, true, false, 1, kClues},
    {IDC_DIAGRAM_LBLHASLO, true, false, 2, kNoShare},
    {IDC_DIAGRAM_HASLO, true, false, 2, kNoShare},
    {IDC_DIAGRAM_LBLPODPOWIEDZI, true, false, 2, kNoShare},
    {IDC_DIAGRAM_PODPOWIEDZI, true, false, 2, kHints},
};

const Anchor& AnchorOf(int id) {
  for (const Anchor& anchor : kAnchors)
    if (anchor.id == id) return anchor;
  static const Anchor still{0, false, false, 0, kNoShare};
  return still;
}

std::wstring FileName(const std::filesystem::path& path) {
  return path.filename().wstring();
}

bool IsIpuz(const std::filesystem::path& path) {
  std::wstring extension = path.extension().wstring();
  CharLowerW(extension.data());
  return extension == L".ipuz";
}

void AddColumn(HWND list, int index, const wchar_t* title, int width) {
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  ListView_InsertColumn(list, index, &column);
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
  ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text.c_str()));
}

int SelectedRow(HWND list) {
  return ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

// Up to 32 768 characters of a file name in an open or save dialog.
constexpr DWORD kPathChars = 32768;

// The file chosen in the open or save dialog (a save dialog starts at
// initial and adds ".ipuz" to a bare name); empty when the user cancels.
std::filesystem::path ChooseFile(HWND owner, bool save, const wchar_t* filter, const wchar_t* title,
                                 const std::filesystem::path& initial = {}) {
  std::wstring path(kPathChars, L'\0');
  const std::wstring current = initial.wstring();
  std::copy_n(current.c_str(), std::min<std::size_t>(current.size(), kPathChars - 1), path.data());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathChars;
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (save) {
    dialog.lpstrDefExt = L"ipuz";
    dialog.Flags |= OFN_OVERWRITEPROMPT;
  } else {
    dialog.Flags |= OFN_FILEMUSTEXIST;
  }
  if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return {};
  path.resize(wcslen(path.c_str()));
  return path;
}

}  // namespace

frmDiagram::frmDiagram(std::filesystem::path programFolder) : programFolder_(std::move(programFolder)) {
  diagramgrid::Register();
  Create(WYPELNIAK_DIAGRAM_CLASS, L"",
         WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME, 0, nullptr,
         kClientWidth, kClientHeight, kControls,
         {IDC_DIAGRAM_GRID, IDC_DIAGRAM_CBOSYMETRIA, IDC_DIAGRAM_PASUJACE, IDC_DIAGRAM_WYPELNIJ,
          IDC_DIAGRAM_WYPELNIJZAZNACZENIE, IDC_DIAGRAM_PRZERWIJ, IDC_DIAGRAM_HASLA, IDC_DIAGRAM_HASLO,
          IDC_DIAGRAM_PODPOWIEDZI});
  BuildMenu();
  bigIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  smallIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  SetIcon(bigIcon_, smallIcon_);
  diagramgrid::Attach(Item(IDC_DIAGRAM_GRID), &edit_);

  HWND symmetry = Item(IDC_DIAGRAM_CBOSYMETRIA);
  for (const wchar_t* name : {L"brak", L"środkowa", L"lustrzana"})
    SendMessageW(symmetry, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  const UINT dpi = Dpi();
  const int scroll = GetSystemMetrics(SM_CXVSCROLL);
  HWND candidates = Item(IDC_DIAGRAM_PASUJACE);
  ListView_SetExtendedListViewStyle(candidates, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  AddColumn(candidates, 0, L"", Twips(3840, dpi) - scroll - 6);
  HWND clues = Item(IDC_DIAGRAM_HASLA);
  ListView_SetExtendedListViewStyle(clues, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  AddColumn(clues, 0, L"Nr", Twips(840, dpi));
  AddColumn(clues, 1, L"Wyraz", Twips(1200, dpi));
  AddColumn(clues, 2, L"Hasło", Twips(3840 - 840 - 1200, dpi) - scroll - 6);
  HWND hints = Item(IDC_DIAGRAM_PODPOWIEDZI);
  ListView_SetExtendedListViewStyle(hints, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  AddColumn(hints, 0, L"", Twips(3840, dpi) - scroll - 6);
  SendMessageW(Item(IDC_DIAGRAM_HASLO), EM_SETLIMITTEXT, 2000, 0);
  Refresh();
}

frmDiagram::~frmDiagram() {
  if (fillJob_) fillJob_->Cancel();
  fillJob_.reset();
  StopLoading();
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

void frmDiagram::BuildMenu() {
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, IDM_DIAGRAM_NOWY, L"&Nowy…\tCtrl+N");
  AppendMenuW(file, MF_STRING, IDM_DIAGRAM_OTWORZ, L"&Otwórz…\tCtrl+O");
  AppendMenuW(file, MF_STRING, IDM_DIAGRAM_ZAPISZ, L"&Zapisz\tCtrl+S");
  AppendMenuW(file, MF_STRING, IDM_DIAGRAM_ZAPISZJAKO, L"Zapisz &jako…");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, IDM_DIAGRAM_DRUKUJ, L"&Drukuj…\tCtrl+P");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, IDM_DIAGRAM_ZAKONCZ, L"Za&kończ");
  HMENU edit = CreatePopupMenu();
  AppendMenuW(edit, MF_STRING, IDM_DIAGRAM_COFNIJ, L"&Cofnij\tCtrl+Z");
  AppendMenuW(edit, MF_STRING, IDM_DIAGRAM_PONOW, L"&Ponów\tCtrl+Y");
  menu_ = CreateMenu();
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&Plik");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edycja");
  SetMenuBar(menu_);
  ACCEL keys[] = {
      {FCONTROL | FVIRTKEY, 'N', IDM_DIAGRAM_NOWY},           {FCONTROL | FVIRTKEY, 'O', IDM_DIAGRAM_OTWORZ},
      {FCONTROL | FVIRTKEY, 'S', IDM_DIAGRAM_ZAPISZ},         {FCONTROL | FVIRTKEY, 'P', IDM_DIAGRAM_DRUKUJ},
      {FCONTROL | FVIRTKEY, 'Z', IDM_DIAGRAM_COFNIJ},         {FCONTROL | FVIRTKEY, 'Y', IDM_DIAGRAM_PONOW},
      {FCONTROL | FSHIFT | FVIRTKEY, 'Z', IDM_DIAGRAM_PONOW},
  };
  accelerators_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

void frmDiagram::Show() {
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
  SetForegroundWindow(Handle());
  SetFocus(Item(IDC_DIAGRAM_GRID));
  StartLoading();
}

// ---- The word list ------------------------------------------------------------

void frmDiagram::StopLoading() {
  cancelLoad_.store(true);
  if (loader_.joinable()) loader_.join();
  cancelLoad_.store(false);
}

void frmDiagram::StartLoading() {
  StopLoading();
  loaded_ = false;
  live_.reset();
  diagramgrid::SetLiveView(Item(IDC_DIAGRAM_GRID), nullptr);
  indexes_ = {};
  const unsigned generation = ++loadGeneration_;
  lexicon_ = std::make_unique<wypelniak::Lexicon>(wypelniak::DictionaryFolder(programFolder_));
  HWND progress = Item(IDC_DIAGRAM_PROGRESS);
  SendMessageW(progress, PBM_SETPOS, 0, 0);
  ShowWindow(progress, SW_SHOW);
  SetStatus("Wczytywanie listy słów z " + wypelniak::PathText(lexicon_->Folder()) + "…");
  HWND window = Handle();
  wypelniak::Lexicon* lexicon = lexicon_.get();
  loader_ = std::thread([this, window, lexicon, generation] {
    wypelniak::LoadGridLexicon(
        *lexicon, programFolder_,
        [window](int done, int total) {
          PostMessageW(window, kLoadProgress, static_cast<WPARAM>(done), total);
        },
        &cancelLoad_);
    PostMessageW(window, kLoaded, generation, 0);
  });
}

void frmDiagram::Loaded(unsigned generation) {
  if (generation != loadGeneration_) return;
  if (loader_.joinable()) loader_.join();
  indexes_ = lexicon_->Indexes();
  loaded_ = true;
  ShowWindow(Item(IDC_DIAGRAM_PROGRESS), SW_HIDE);
  SetStatus(wypelniak::LexiconStateText(*lexicon_));
  liveGrid_ = {};
  Refresh();
}

// ---- After each change ----------------------------------------------------------

void frmDiagram::Refresh() {
  if (loaded_ && !(liveGrid_ == edit_.GetGrid())) {
    live_ = std::make_unique<wypelniak::LiveView>(edit_.GetGrid(), indexes_);
    liveGrid_ = edit_.GetGrid();
    listedSlot_ = -2;
    diagramgrid::SetLiveView(Item(IDC_DIAGRAM_GRID), live_.get());
  }
  FillCandidates();
  FillClues();
  FillHints();
  UpdateTitle();
  UpdateButtons();
  ScheduleRecoveryCopy();
  InvalidateRect(Item(IDC_DIAGRAM_GRID), nullptr, FALSE);
}

void frmDiagram::FillCandidates() {
  const int slot = edit_.CurrentSlot();
  if (slot == listedSlot_ && live_) return;
  listedSlot_ = slot;
  HWND list = Item(IDC_DIAGRAM_PASUJACE);
  SetWindowTextW(Item(IDC_DIAGRAM_LBLPASUJACE),
                 Widen(wypelniak::CandidatesCaption(live_.get(), edit_.Slots(), slot, kListedWords)).c_str());
  const std::uint32_t count = live_ && slot >= 0 ? std::min(live_->Count(slot), kListedWords) : 0;
  ListView_SetItemCountEx(list, static_cast<int>(count), 0);
  InvalidateRect(list, nullptr, FALSE);
}

void frmDiagram::FillClues() {
  fillingClue_ = true;
  HWND list = Item(IDC_DIAGRAM_HASLA);
  const std::vector<wypelniak::Slot>& slots = edit_.Slots();
  std::vector<int> rows;
  std::vector<std::wstring> cells;
  for (Direction direction : {Direction::Across, Direction::Down}) {
    rows.push_back(-1);
    cells.insert(cells.end(), {direction == Direction::Across ? L"Poziomo" : L"Pionowo", L"", L""});
    for (std::size_t s = 0; s < slots.size(); ++s) {
      if (slots[s].direction != direction) continue;
      rows.push_back(static_cast<int>(s));
      cells.push_back(std::to_wstring(slots[s].number));
      cells.push_back(Widen(wypelniak::SlotWordText(edit_.GetGrid(), slots[s])));
      cells.push_back(Widen(edit_.ClueOf(static_cast<int>(s))));
    }
  }
  // Only what changed is set again: a keystroke touches a row or two.
  if (rows.size() != clueSlots_.size()) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.pszText = const_cast<wchar_t*>(cells[r * 3].c_str());
      ListView_InsertItem(list, &item);
      SetCell(list, static_cast<int>(r), 1, cells[r * 3 + 1]);
      SetCell(list, static_cast<int>(r), 2, cells[r * 3 + 2]);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  } else {
    for (std::size_t i = 0; i < cells.size(); ++i)
      if (cells[i] != clueCells_[i])
        SetCell(list, static_cast<int>(i / 3), static_cast<int>(i % 3), cells[i]);
  }
  clueSlots_ = std::move(rows);
  clueCells_ = std::move(cells);
  // The row of the cursor's slot is selected, and its clue is in the clue box.
  const int current = edit_.CurrentSlot();
  const auto at = std::find(clueSlots_.begin(), clueSlots_.end(), current);
  const int row = current >= 0 && at != clueSlots_.end() ? static_cast<int>(at - clueSlots_.begin()) : -1;
  if (SelectedRow(list) != row) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(list, row, FALSE);
    }
  }
  HWND box = Item(IDC_DIAGRAM_HASLO);
  if (clueSlot_ != current || GetFocus() != box) {
    clueSlot_ = current;
    const std::wstring clue = current >= 0 ? Widen(edit_.ClueOf(current)) : std::wstring();
    if (WindowText(box) != clue) SetWindowTextW(box, clue.c_str());
  }
  EnableWindow(box, current >= 0);
  fillingClue_ = false;
}

void frmDiagram::FillHints() {
  const int slot = edit_.CurrentSlot();
  std::string word =
      slot >= 0 ? wypelniak::SlotWordText(edit_.GetGrid(), edit_.Slots()[static_cast<std::size_t>(slot)])
                : "";
  if (word.find('.') != std::string::npos) word.clear();
  if (hinted_ && word == hintedWord_) return;
  hinted_ = true;
  hintedWord_ = word;
  hints_.clear();
  std::string caption = "Podpowiedzi: gdy wyraz jest wpisany w całości";
  if (!word.empty()) {
    std::basic_string<wypelniak::LetterCode> codes;
    wypelniak::WordCodes(word, codes);
    const std::string lower = wypelniak::WordUtf8(codes);
    const wypelniak::ThesaurusLookup lookup = wypelniak::ProgramThesaurus(programFolder_).Lookup(lower);
    for (const std::string& term : wypelniak::HintTerms(lookup)) hints_.push_back(Widen(term));
    if (lookup.status == wypelniak::LookupStatus::Unavailable)
      caption = lookup.error;
    else if (hints_.empty())
      caption = "Podpowiedzi: tezaurus nie ma hasła „" + lower + "”";
    else
      caption = "Podpowiedzi do „" + lower + "” (kliknij, by wpisać):";
  }
  SetWindowTextW(Item(IDC_DIAGRAM_LBLPODPOWIEDZI), Widen(caption).c_str());
  HWND list = Item(IDC_DIAGRAM_PODPOWIEDZI);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  for (std::size_t i = 0; i < hints_.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = hints_[i].data();
    ListView_InsertItem(list, &item);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

void frmDiagram::UpdateTitle() {
  const std::string name = filePath_.empty() ? std::string() : Narrow(FileName(filePath_));
  const std::wstring title = Widen(wypelniak::GridWindowTitle(name, edit_.Modified()));
  if (WindowText(Handle()) != title) SetWindowTextW(Handle(), title.c_str());
}

void frmDiagram::UpdateButtons() {
  const bool canFill = loaded_ && !fillJob_;
  EnableWindow(Item(IDC_DIAGRAM_WYPELNIJ), canFill);
  EnableWindow(Item(IDC_DIAGRAM_WYPELNIJZAZNACZENIE), canFill && !edit_.Selection().Empty());
  EnableWindow(Item(IDC_DIAGRAM_PRZERWIJ), fillJob_ != nullptr);
  HWND symmetry = Item(IDC_DIAGRAM_CBOSYMETRIA);
  const auto chosen = static_cast<LRESULT>(edit_.GetSymmetry());
  if (SendMessageW(symmetry, CB_GETCURSEL, 0, 0) != chosen) SendMessageW(symmetry, CB_SETCURSEL, chosen, 0);
  EnableMenuItem(menu_, IDM_DIAGRAM_COFNIJ, edit_.CanUndo() && !fillJob_ ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(menu_, IDM_DIAGRAM_PONOW, edit_.CanRedo() && !fillJob_ ? MF_ENABLED : MF_GRAYED);
}

void frmDiagram::SetStatus(const std::string& text) {
  SetWindowTextW(Item(IDC_DIAGRAM_STATUS), Widen(text).c_str());
}

// ---- The candidates, the clues, the hints -------------------------------------------

void frmDiagram::PlaceCandidate(int row) {
  if (fillJob_ || !live_ || listedSlot_ < 0 || row < 0) return;
  if (static_cast<std::uint32_t>(row) >= std::min(live_->Count(listedSlot_), kListedWords)) return;
  std::basic_string<wypelniak::LetterCode> word;
  if (!wypelniak::WordCodes(live_->CandidateText(listedSlot_, static_cast<std::uint32_t>(row)), word)) return;
  if (edit_.PlaceWord(listedSlot_, word)) Refresh();
  SetFocus(Item(IDC_DIAGRAM_GRID));
}

void frmDiagram::ClueRowChosen(int row) {
  if (fillingClue_ || row < 0 || static_cast<std::size_t>(row) >= clueSlots_.size()) return;
  const int slot = clueSlots_[static_cast<std::size_t>(row)];
  if (slot < 0 || slot == edit_.CurrentSlot()) return;
  ApplyClue();
  const wypelniak::Slot& chosen = edit_.Slots()[static_cast<std::size_t>(slot)];
  edit_.MoveTo(chosen.row, chosen.column);
  if (edit_.GetDirection() != chosen.direction) edit_.ToggleDirection();
  Refresh();
}

void frmDiagram::ApplyClue() {
  if (fillingClue_ || clueSlot_ < 0 || static_cast<std::size_t>(clueSlot_) >= edit_.Slots().size()) return;
  const std::string text = Narrow(WindowText(Item(IDC_DIAGRAM_HASLO)));
  if (text == edit_.ClueOf(clueSlot_)) return;
  edit_.SetClue(clueSlot_, text);
  Refresh();
}

void frmDiagram::HintChosen(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= hints_.size() || clueSlot_ < 0) return;
  SetWindowTextW(Item(IDC_DIAGRAM_HASLO), hints_[static_cast<std::size_t>(row)].c_str());
  ApplyClue();
}

// ---- The fill -------------------------------------------------------------------

void frmDiagram::StartFill(std::vector<char> chosen) {
  if (!loaded_ || fillJob_) return;
  wypelniak::FillOptions options;
  options.seed = fillSeed_++;  // another press, another fill
  options.fillSlots = std::move(chosen);
  fillBase_ = edit_.GetGrid();
  stopRequested_ = false;
  diagramgrid::SetReadOnly(Item(IDC_DIAGRAM_GRID), true);
  SetStatus("Wypełnianie…");
  HWND progress = Item(IDC_DIAGRAM_PROGRESS);
  SendMessageW(progress, PBM_SETPOS, 0, 0);
  ShowWindow(progress, SW_SHOW);
  HWND window = Handle();
  fillJob_ = std::make_unique<wypelniak::FillJob>(
      fillBase_, indexes_, options,
      [this, window](const wypelniak::FillProgress& p) {
        {
          std::lock_guard lock(fillMutex_);
          fillProgress_ = p;
        }
        PostMessageW(window, kFillProgress, 0, 0);
      },
      [this, window](wypelniak::FillResult result) {
        {
          std::lock_guard lock(fillMutex_);
          fillResult_ = std::move(result);
        }
        PostMessageW(window, kFillDone, 0, 0);
      });
  UpdateButtons();
}

void frmDiagram::StopFill() {
  if (!fillJob_) return;
  // A fill that ends before it hears the request is dropped too: the grid
  // stays as it was when "Przerwij" was pressed.
  stopRequested_ = true;
  fillJob_->Cancel();
}

void frmDiagram::FillDone() {
  if (!fillJob_) return;
  fillJob_->Wait();
  fillJob_.reset();
  wypelniak::FillResult result;
  {
    std::lock_guard lock(fillMutex_);
    result = std::move(fillResult_);
  }
  diagramgrid::SetReadOnly(Item(IDC_DIAGRAM_GRID), false);
  ShowWindow(Item(IDC_DIAGRAM_PROGRESS), SW_HIDE);
  const wypelniak::FillOutcome outcome = stopRequested_ ? wypelniak::FillOutcome::Cancelled : result.outcome;
  stopRequested_ = false;
  if (outcome == wypelniak::FillOutcome::Filled) {
    edit_.ApplyFill(fillBase_, result.grid);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", result.seconds);
    SetStatus(std::string("Wypełniono w ") + seconds +
              " s. Cofnięcie (Ctrl+Z) przywraca diagram sprzed wypełnienia.");
  } else if (outcome == wypelniak::FillOutcome::Cancelled) {
    SetStatus("Wypełnianie przerwane; diagram jest taki jak przedtem.");
  } else {
    const std::string why = wypelniak::DescribeFillResult(result, wypelniak::FindSlots(fillBase_));
    SetStatus(why);
    Refresh();
    ShowMessage(Handle(), why, "", wypelniak::MessageIcon::Information);
  }
  Refresh();
}

// ---- Undo -----------------------------------------------------------------------

void frmDiagram::Undo() {
  if (fillJob_) return;
  edit_.Undo();
  Refresh();
}

void frmDiagram::Redo() {
  if (fillJob_) return;
  edit_.Redo();
  Refresh();
}

// ---- Files ----------------------------------------------------------------------

bool frmDiagram::OpenFile(const std::filesystem::path& path) {
  if (fillJob_) return false;
  const wypelniak::GridFileResult read = wypelniak::ReadGridFile(path);
  if (read.error != wypelniak::GridFileError::None) {
    ShowMessage(Handle(), wypelniak::DescribeGridFileError(read), "", wypelniak::MessageIcon::Exclamation);
    return false;
  }
  edit_.Open(read.puzzle);
  DropRecoveryCopy();
  // A text grid is saved as .ipuz under a name the user chooses ("Zapisz jako").
  filePath_ = IsIpuz(path) ? path : std::filesystem::path();
  Refresh();
  SetFocus(Item(IDC_DIAGRAM_GRID));
  return true;
}

bool frmDiagram::SaveFile(const std::filesystem::path& path) {
  const wypelniak::GridFileResult written = wypelniak::WriteGridFile(path, edit_.ToPuzzle());
  if (written.error != wypelniak::GridFileError::None) {
    ShowMessage(Handle(), wypelniak::DescribeGridFileError(written), "", wypelniak::MessageIcon::Exclamation);
    return false;
  }
  edit_.MarkSaved();
  DropRecoveryCopy();
  filePath_ = path;
  SetStatus("Zapisano: " + wypelniak::PathText(path));
  Refresh();
  return true;
}

bool frmDiagram::Save() {
  ApplyClue();
  return filePath_.empty() ? SaveAs() : SaveFile(filePath_);
}

bool frmDiagram::SaveAs() {
  ApplyClue();
  std::filesystem::path chosen =
      ChooseFile(Handle(), true, L"Krzyżówki ipuz (*.ipuz)\0*.ipuz\0", L"Zapisz diagram", filePath_);
  if (chosen.empty()) return false;
  if (!IsIpuz(chosen)) chosen += L".ipuz";
  return SaveFile(chosen);
}

void frmDiagram::OpenChosen() {
  if (fillJob_ || !MaybeDropChanges()) return;
  const std::filesystem::path chosen =
      ChooseFile(Handle(), false, L"Krzyżówki (*.ipuz, *.txt)\0*.ipuz;*.txt\0Wszystkie pliki (*.*)\0*.*\0",
                 L"Otwórz diagram");
  if (!chosen.empty()) OpenFile(chosen);
}

void frmDiagram::NewGrid() {
  if (fillJob_ || !MaybeDropChanges()) return;
  frmNowy ask(Handle(), edit_.GetGrid().Width(), edit_.GetGrid().Height(), edit_.GetSymmetry());
  ask.SetIcon(bigIcon_, smallIcon_);
  if (!ask.Ask(Handle())) return;
  edit_.NewGrid(ask.GridWidth(), ask.GridHeight(), ask.GridSymmetry());
  DropRecoveryCopy();
  filePath_.clear();
  Refresh();
  SetFocus(Item(IDC_DIAGRAM_GRID));
}

void frmDiagram::Print() {
  ApplyClue();
  std::string problem;
  if (!PrintPuzzle(Handle(), edit_.ToPuzzle(), problem) && !problem.empty())
    ShowMessage(Handle(), problem, "", wypelniak::MessageIcon::Exclamation);
}

bool frmDiagram::MaybeDropChanges() {
  ApplyClue();
  if (!edit_.Modified()) return true;
  const std::string name = filePath_.empty() ? std::string() : Narrow(FileName(filePath_));
  const int answer =
      MessageBoxW(Handle(), Widen(wypelniak::UnsavedChangesQuestion(name)).c_str(),
                  Widen(wypelniak::GridWindowTitle("", false)).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDYES) return Save();
  return answer == IDNO;
}

void frmDiagram::Close() {
  if (!MaybeDropChanges()) return;
  if (fillJob_) fillJob_->Cancel();
  DropRecoveryCopy();
  DestroyWindow(Handle());
}

// ---- The recovery copy ------------------------------------------------------------

void frmDiagram::ScheduleRecoveryCopy() {
  if (!edit_.Modified() || recoveryPending_) return;
  recoveryPending_ = SetTimer(Handle(), kRecoveryTimer, kRecoveryQuietMs, nullptr) != 0;
}

void frmDiagram::WriteRecoveryCopy() {
  KillTimer(Handle(), kRecoveryTimer);
  recoveryPending_ = false;
  if (!edit_.Modified()) return;
  wypelniak::Puzzle puzzle = edit_.ToPuzzle();
  if (copied_ == puzzle) return;
  const wypelniak::SessionResult written =
      wypelniak::WriteRecoveryCopy(wypelniak::DictionaryFolder(programFolder_), puzzle,
                                   filePath_.empty() ? "" : Narrow(filePath_.wstring()));
  if (written.error != wypelniak::SessionError::None) {
    SetStatus("Kopia zapasowa diagramu nie powstała. " + wypelniak::DescribeSessionError(written));
    return;
  }
  copied_ = std::move(puzzle);
}

void frmDiagram::DropRecoveryCopy() {
  KillTimer(Handle(), kRecoveryTimer);
  recoveryPending_ = false;
  copied_.reset();
  const wypelniak::SessionResult dropped =
      wypelniak::DropRecoveryCopy(wypelniak::DictionaryFolder(programFolder_));
  if (dropped.error != wypelniak::SessionError::None) SetStatus(wypelniak::DescribeSessionError(dropped));
}

bool frmDiagram::OfferRecovery() {
  wypelniak::SessionResult result;
  const std::optional<wypelniak::RecoveryCopy> copy =
      wypelniak::ReadRecoveryCopy(wypelniak::DictionaryFolder(programFolder_), &result);
  if (result.error != wypelniak::SessionError::None)
    ShowMessage(Handle(), wypelniak::DescribeSessionError(result), "", wypelniak::MessageIcon::Exclamation);
  if (!copy || fillJob_) return false;
  const int answer =
      MessageBoxW(Handle(), Widen(wypelniak::RecoveryQuestion(copy->originalPath)).c_str(),
                  Widen(wypelniak::GridWindowTitle("", false)).c_str(), MB_YESNO | MB_ICONQUESTION);
  if (answer != IDYES) {
    DropRecoveryCopy();
    return false;
  }
  edit_.Open(copy->puzzle);
  edit_.MarkUnsaved();
  filePath_ =
      copy->originalPath.empty() ? std::filesystem::path() : wypelniak::PathFromText(copy->originalPath);
  copied_ = copy->puzzle;
  Refresh();
  SetFocus(Item(IDC_DIAGRAM_GRID));
  return true;
}

// ---- Messages --------------------------------------------------------------------

void frmDiagram::OnCommand(int id) {
  switch (id) {
    case IDC_DIAGRAM_WYPELNIJ: StartFill({}); break;
    case IDC_DIAGRAM_WYPELNIJZAZNACZENIE:
      if (!edit_.Selection().Empty()) StartFill(edit_.SlotsInArea(edit_.Selection()));
      break;
    case IDC_DIAGRAM_PRZERWIJ: StopFill(); break;
    case IDM_DIAGRAM_NOWY: NewGrid(); break;
    case IDM_DIAGRAM_OTWORZ: OpenChosen(); break;
    case IDM_DIAGRAM_ZAPISZ: Save(); break;
    case IDM_DIAGRAM_ZAPISZJAKO: SaveAs(); break;
    case IDM_DIAGRAM_DRUKUJ: Print(); break;
    case IDM_DIAGRAM_ZAKONCZ: Close(); break;
    case IDM_DIAGRAM_COFNIJ: Undo(); break;
    case IDM_DIAGRAM_PONOW: Redo(); break;
    default: break;
  }
}

void frmDiagram::OnEnter() {
  HWND focus = GetFocus();
  if (focus == Item(IDC_DIAGRAM_PASUJACE)) PlaceCandidate(SelectedRow(focus));
  if (focus == Item(IDC_DIAGRAM_PODPOWIEDZI)) HintChosen(SelectedRow(focus));
  if (focus == Item(IDC_DIAGRAM_HASLO)) ApplyClue();
}

void frmDiagram::OnClose() {
  Close();
}

void frmDiagram::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom == IDC_DIAGRAM_PASUJACE && header.code == LVN_GETDISPINFOW) {
    // A word becomes text only when the list draws or asks for it.
    auto& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      std::wstring text;
      if (live_ && listedSlot_ >= 0 && item.iItem >= 0 &&
          static_cast<std::uint32_t>(item.iItem) < live_->Count(listedSlot_))
        text = Widen(live_->CandidateText(listedSlot_, static_cast<std::uint32_t>(item.iItem)));
      const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
      std::copy_n(text.data(), n, item.pszText);
      item.pszText[n] = L'\0';
    }
    result = 0;
    return;
  }
  if (header.code == NM_CLICK) {
    const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
    if (header.idFrom == IDC_DIAGRAM_PASUJACE) PlaceCandidate(row);
    if (header.idFrom == IDC_DIAGRAM_PODPOWIEDZI) HintChosen(row);
  }
  if (header.idFrom == IDC_DIAGRAM_HASLA && header.code == LVN_ITEMCHANGED) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
        !(change.uOldState & LVIS_SELECTED))
      ClueRowChosen(change.iItem);
  }
}

void frmDiagram::LayOut(int width, int height) {
  if (!Item(IDC_DIAGRAM_GRID)) return;  // the controls are not made yet
  const UINT dpi = Dpi();
  const int dx = std::max(0, width - Twips(kClientWidth, dpi));
  const int dy = std::max(0, height - Twips(kClientHeight, dpi));
  const int shares[4] = {dy * 2 / 5, dy * 2 / 5, dy - 2 * (dy * 2 / 5), dy};
  HDWP moves = BeginDeferWindowPos(static_cast<int>(std::size(kControls)));
  for (const ControlSpec& control : kControls) {
    const Anchor& anchor = AnchorOf(control.id);
    int down = 0;
    for (int i = 0; i < anchor.sharesAbove; ++i) down += shares[i];
    const int taller = anchor.taller == kNoShare ? 0 : shares[anchor.taller];
    if (moves)
      moves = DeferWindowPos(moves, Item(control.id), nullptr, Twips(control.left, dpi) + (anchor.atRight ? dx : 0),
                             Twips(control.top, dpi) + down, Twips(control.width, dpi) + (anchor.wider ? dx : 0),
                             Twips(control.height, dpi) + taller, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (moves) EndDeferWindowPos(moves);
  // The background and every control drawn again where they now are.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void frmDiagram::KeepMinimumSize(MINMAXINFO& limits) const {
  const SIZE frame = FrameSize();
  limits.ptMinTrackSize.x = frame.cx;
  limits.ptMinTrackSize.y = frame.cy;
}

LRESULT frmDiagram::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) LayOut(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_GETMINMAXINFO:
      if (Handle()) KeepMinimumSize(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (lParam == 0) {  // the menu or a shortcut
        OnCommand(id);
      } else if (id == IDC_DIAGRAM_GRID && code == diagramgrid::kEdited) {
        Refresh();
      } else if (id == IDC_DIAGRAM_HASLO && code == EN_KILLFOCUS) {
        ApplyClue();
      } else if (id == IDC_DIAGRAM_CBOSYMETRIA && code == CBN_SELCHANGE) {
        const LRESULT chosen = SendMessageW(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0);
        if (chosen >= 0 && chosen <= 2) edit_.SetSymmetry(static_cast<wypelniak::Symmetry>(chosen));
      }
      return 0;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
      return result;
    }
    case kLoadProgress: {
      HWND progress = Item(IDC_DIAGRAM_PROGRESS);
      SendMessageW(progress, PBM_SETRANGE32, 0, lParam);
      SendMessageW(progress, PBM_SETPOS, wParam, 0);
      return 0;
    }
    case kLoaded: Loaded(static_cast<unsigned>(wParam)); return 0;
    case kFillProgress: {
      wypelniak::FillProgress progress;
      {
        std::lock_guard lock(fillMutex_);
        progress = fillProgress_;
      }
      if (!fillJob_) return 0;
      SetStatus(wypelniak::FillProgressText(progress));
      HWND bar = Item(IDC_DIAGRAM_PROGRESS);
      SendMessageW(bar, PBM_SETRANGE32, 0, std::max(progress.totalSlots, 1));
      SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(progress.bestFilled), 0);
      return 0;
    }
    case kFillDone: FillDone(); return 0;
    case WM_TIMER:
      if (wParam == kRecoveryTimer) WriteRecoveryCopy();
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return Form::OnMessage(message, wParam, lParam);
}
