#include "frmpodpowiedzi.h"

#include <memory>

#include "controls.h"
#include "hinttext.h"

namespace {

const ControlSpec kControls[] = {
    {IDC_PODPOWIEDZI_TXTHINTS, L"Edit", L"",
     ES_LEFT | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE,
     WS_EX_CLIENTEDGE, 120, 120, 6360, 4620},
    {IDC_PODPOWIEDZI_CMDZAMKNIJ, L"Button", L"Zamknij", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 5220,
     4860, 1260, 375},
};

// Line ends as the text box needs them.
std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 16);
  for (wchar_t c : text) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

}  // namespace

frmPodpowiedzi::frmPodpowiedzi(HWND owner, const std::string& word,
                               const std::filesystem::path& programFolder) {
  Create(WYPELNIAK_PODPOWIEDZI_CLASS, L"Podpowiedzi: " + Widen(word), WS_POPUP | WS_CAPTION | WS_SYSMENU,
         WS_EX_DLGMODALFRAME, owner, 6600, 5400, kControls,
         {IDC_PODPOWIEDZI_CMDZAMKNIJ, IDC_PODPOWIEDZI_TXTHINTS});
  const std::string text = Describe(word, wypelniak::ProgramThesaurus(programFolder).Lookup(word));
  HWND box = Item(IDC_PODPOWIEDZI_TXTHINTS);
  SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  // Plain text: the box shows whatever the thesaurus holds as it is.
  SetWindowTextW(box, WithCrLf(Widen(text)).c_str());
}

LRESULT frmPodpowiedzi::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The read-only text box keeps the white of a text, not the grey of a
  // disabled one.
  if (message == WM_CTLCOLORSTATIC &&
      GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_PODPOWIEDZI_TXTHINTS) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  }
  return Form::OnMessage(message, wParam, lParam);
}

void frmPodpowiedzi::OnCommand(int id) {
  if (id == IDC_PODPOWIEDZI_CMDZAMKNIJ) EndModal();
}

std::string frmPodpowiedzi::Describe(const std::string& word, const wypelniak::ThesaurusLookup& lookup) {
  std::string text;
  for (const wypelniak::HintRow& row : wypelniak::HintRows(word, lookup)) {
    // A blank line parts one meaning from the one before.
    if (row.kind == wypelniak::HintRow::Heading && !text.empty()) text += "\n";
    text += row.kind == wypelniak::HintRow::Terms ? row.caption + ": " + row.text : row.text;
    text += "\n";
  }
  return text;
}
