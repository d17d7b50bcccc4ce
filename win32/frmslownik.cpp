#include "frmslownik.h"

#include "addword.h"
#include "controls.h"

namespace {

constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE;

const ControlSpec kControls[] = {
    {IDC_SLOWNIK_LABEL1, L"Static", L"Wpisz nowy wyraz", SS_LEFT | SS_NOPREFIX | WS_VISIBLE, 0, 120, 240,
     2055, 255},
    {IDC_SLOWNIK_TEXT1, L"Edit", L"", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE,
     120, 480, 2295, 285},
    {IDC_SLOWNIK_COMMAND1, L"Button", L"Dodaj", kButton, 0, 2640, 120, 1215, 495},
    {IDC_SLOWNIK_COMMAND2, L"Button", L"Koniec", kButton, 0, 2640, 720, 1215, 495},
    {IDC_SLOWNIK_LABEL2, L"Static",
     L"UWAGA: aby program widział nowo dodane wyrazy, należy go ponownie uruchomić",
     SS_LEFT | SS_NOPREFIX | WS_VISIBLE, 0, 120, 1560, 3615, 495},
};

}  // namespace

frmSlownik::frmSlownik(HWND owner, std::filesystem::path programFolder)
    : programFolder_(std::move(programFolder)) {
  Create(WYPELNIAK_SLOWNIK_CLASS, L"Dodaj nowy wyraz do słownika", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0,
         owner, 3975, 2070, kControls, {IDC_SLOWNIK_TEXT1, IDC_SLOWNIK_COMMAND1, IDC_SLOWNIK_COMMAND2});
  SendMessageW(Item(IDC_SLOWNIK_TEXT1), EM_SETLIMITTEXT, 0, 0);
}

std::string frmSlownik::WordText() {
  return Narrow(WindowText(Item(IDC_SLOWNIK_TEXT1)));
}

void frmSlownik::ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) {
  ::ShowMessage(Handle(), text, title, icon);
}

void frmSlownik::SelectWordText() {
  HWND box = Item(IDC_SLOWNIK_TEXT1);
  SendMessageW(box, EM_SETSEL, 0, GetWindowTextLengthW(box));
}

void frmSlownik::FocusWord() {
  SetFocus(Item(IDC_SLOWNIK_TEXT1));
}

void frmSlownik::ProcessPendingEvents() {
  Form::ProcessPendingMessages();
}

void frmSlownik::OnCommand(int id) {
  if (id == IDC_SLOWNIK_COMMAND1) Add();
  if (id == IDC_SLOWNIK_COMMAND2) Close();
}

void frmSlownik::Add() {
  if (adding_) return;
  adding_ = true;
  wypelniak::AddWord(*this, addWordMemory_, programFolder_);
  adding_ = false;
  if (closeRequested_) Close();
}

void frmSlownik::Close() {
  if (adding_) {
    closeRequested_ = true;
    return;
  }
  EndModal();
}
