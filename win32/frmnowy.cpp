#include "frmnowy.h"

#include <string>

#include "controls.h"

namespace {

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX | WS_VISIBLE;
constexpr DWORD kNumber = ES_LEFT | ES_NUMBER | WS_TABSTOP | WS_VISIBLE;

const ControlSpec kControls[] = {
    {IDC_NOWY_LBLSZEROKOSC, L"Static", L"Szerokość (3–40):", kLabel, 0, 120, 150, 1800, 255},
    {IDC_NOWY_SZEROKOSC, L"Edit", L"", kNumber, WS_EX_CLIENTEDGE, 2040, 120, 900, 315},
    {IDC_NOWY_LBLWYSOKOSC, L"Static", L"Wysokość (3–40):", kLabel, 0, 120, 570, 1800, 255},
    {IDC_NOWY_WYSOKOSC, L"Edit", L"", kNumber, WS_EX_CLIENTEDGE, 2040, 540, 900, 315},
    {IDC_NOWY_LBLSYMETRIA, L"Static", L"Symetria pól zaczernionych:", kLabel, 0, 120, 990, 1800, 255},
    {IDC_NOWY_SYMETRIA, L"ComboBox", L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL | WS_VISIBLE, 0, 2040,
     960, 2520, 1500},
    {IDC_NOWY_UTWORZ, L"Button", L"Utwórz", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 1920, 1500, 1260,
     375},
    {IDC_NOWY_ANULUJ, L"Button", L"Anuluj", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 3300, 1500, 1260,
     375},
};

int NumberIn(HWND box) {
  const std::wstring text = WindowText(box);
  if (text.empty() || text.size() > 4) return -1;
  return std::stoi(text);
}

}  // namespace

frmNowy::frmNowy(HWND owner, int width, int height, wypelniak::Symmetry symmetry)
    : width_(width), height_(height), symmetry_(symmetry) {
  Create(WYPELNIAK_NOWY_CLASS, L"Nowy diagram", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
         owner, 4680, 2010, kControls,
         {IDC_NOWY_SZEROKOSC, IDC_NOWY_WYSOKOSC, IDC_NOWY_SYMETRIA, IDC_NOWY_UTWORZ, IDC_NOWY_ANULUJ});
  SetWindowTextW(Item(IDC_NOWY_SZEROKOSC), std::to_wstring(width).c_str());
  SetWindowTextW(Item(IDC_NOWY_WYSOKOSC), std::to_wstring(height).c_str());
  HWND combo = Item(IDC_NOWY_SYMETRIA);
  for (const wchar_t* name : {L"brak", L"środkowa (obrót o 180°)", L"lustrzana (lewo – prawo)"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(symmetry), 0);
}

bool frmNowy::Ask(HWND owner) {
  ShowModal(owner);
  return accepted_;
}

bool frmNowy::Accept() {
  const int width = NumberIn(Item(IDC_NOWY_SZEROKOSC));
  const int height = NumberIn(Item(IDC_NOWY_WYSOKOSC));
  const auto inRange = [](int side) {
    return side >= wypelniak::kMinEditSide && side <= wypelniak::kMaxEditSide;
  };
  if (!inRange(width) || !inRange(height)) {
    ShowMessage(Handle(),
                "Szerokość i wysokość diagramu muszą mieć od 3 do 40 pól. Popraw liczby i wybierz „Utwórz”.",
                "Nowy diagram", wypelniak::MessageIcon::Exclamation);
    return false;
  }
  width_ = width;
  height_ = height;
  const LRESULT chosen = SendMessageW(Item(IDC_NOWY_SYMETRIA), CB_GETCURSEL, 0, 0);
  symmetry_ = static_cast<wypelniak::Symmetry>(chosen >= 0 && chosen <= 2 ? chosen : 0);
  return true;
}

void frmNowy::OnCommand(int id) {
  if (id == IDC_NOWY_ANULUJ) EndModal();
  if (id == IDC_NOWY_UTWORZ && Accept()) {
    accepted_ = true;
    EndModal();
  }
}
