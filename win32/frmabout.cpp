#include "frmabout.h"

#include <shellapi.h>

#include "controls.h"
#include "version.h"

namespace {

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX | WS_VISIBLE;

const ControlSpec kControls[] = {
    {IDC_ABOUT_CMDOK, L"Button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 4245, 2625, 1260, 345},
    {IDC_ABOUT_PICICON, L"Static", L"", SS_ICON | SS_REALSIZECONTROL | WS_VISIBLE, 0, 240, 240, 480, 480},
    {IDC_ABOUT_CMDSYSINFO, L"Button", L"WWW", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 4260, 3075, 1245,
     345},
    {IDC_ABOUT_LBLDESCRIPTION, L"Static",
     L"Program ten jest przydatny dla osób tworzących krzyżówki (szczegóły w pliku README.TXT)", kLabel, 0,
     1050, 1125, 3885, 1170},
    {IDC_ABOUT_LBLDISCLAIMER, L"Static",
     L"Program jest bezpłatny: można go kopiować i przekazywać innym, lecz nie za opłatą. Zabrania się jego "
     L"dekompilacji i deasemblacji.",
     kLabel, 0, 255, 2625, 3870, 825},
    {IDC_ABOUT_LBLTITLE, L"Static", L"Wypełniak", kLabel, 0, 1050, 240, 3885, 480, FontKind::LargeBold},
    {IDC_ABOUT_LBLVERSION, L"Static", L"Version", kLabel, 0, 1050, 780, 3885, 225},
};

// The etched separator Line1, in twips: a white line two pixels wide with a
// grey one-pixel line along its upper edge.
struct SeparatorLine {
  int x1, y1, x2, y2;
  int width;  // pixels at 96 dots per inch
  COLORREF colour;
};
const SeparatorLine kLine1[] = {
    {105, 2460, 5654, 2460, 2, RGB(255, 255, 255)},
    {90, 2445, 5654, 2445, 1, RGB(128, 128, 128)},
};

}  // namespace

frmAbout::frmAbout(HWND mainWindow) : mainWindow_(mainWindow) {
  Create(WYPELNIAK_ABOUT_CLASS, L"O programie", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
         mainWindow, 5730, 3555, kControls, {IDC_ABOUT_CMDOK, IDC_ABOUT_CMDSYSINFO});
  bigIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  smallIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  SetIcon(bigIcon_, smallIcon_);
  SetPicture();
  // Load step: the placeholder gives way to the real version before the
  // window is first shown.
  SetWindowTextW(Item(IDC_ABOUT_LBLVERSION), Widen(wypelniak::kVersionLabel).c_str());
}

frmAbout::~frmAbout() {
  for (HICON icon : {picture_, bigIcon_, smallIcon_})
    if (icon) DestroyIcon(icon);
}

void frmAbout::SetPicture() {
  // The picture is the 32 × 32 icon, scaled with the window's DPI.
  const int size = Twips(480, Dpi());
  HICON old = picture_;
  picture_ = LoadProgramIcon(size, size);
  SendMessageW(Item(IDC_ABOUT_PICICON), STM_SETICON, reinterpret_cast<WPARAM>(picture_), 0);
  SetWindowPos(Item(IDC_ABOUT_PICICON), nullptr, 0, 0, size, size,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (old) DestroyIcon(old);
}

LRESULT frmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_DPICHANGED: {
      LRESULT result = Form::OnMessage(message, wParam, lParam);
      SetPicture();
      return result;
    }
    default: break;
  }
  return Form::OnMessage(message, wParam, lParam);
}

void frmAbout::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  for (const SeparatorLine& line : kLine1) {
    HPEN pen = CreatePen(PS_SOLID, MulDiv(line.width, static_cast<int>(Dpi()), 96), line.colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, Twips(line.x1, Dpi()), Twips(line.y1, Dpi()), nullptr);
    LineTo(dc, Twips(line.x2, Dpi()), Twips(line.y2, Dpi()));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  EndPaint(Handle(), &paint);
}

void frmAbout::OnCommand(int id) {
  if (id == IDC_ABOUT_CMDOK) EndModal();
  if (id == IDC_ABOUT_CMDSYSINFO) OpenHomePage();
}

COLORREF frmAbout::LabelColour(int id) {
  switch (id) {
    case IDC_ABOUT_LBLTITLE: return RGB(255, 0, 0);
    case IDC_ABOUT_LBLDESCRIPTION:
    case IDC_ABOUT_LBLDISCLAIMER: return RGB(0, 0, 0);
    default: return CLR_INVALID;
  }
}

void frmAbout::OpenHomePage() {
  // The window stays open either way; a page no browser opened is said so,
  // with its address to type in.
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(mainWindow_, L"open", Widen(wypelniak::kHomePage).c_str(), L"", L"", SW_SHOWNORMAL));
  if (result > 32) return;
  ShowMessage(Handle(),
              std::string("Nie udało się otworzyć strony programu w przeglądarce internetowej: system nie "
                          "uruchomił żadnej. Wpisz jej adres w przeglądarce: ") +
                  wypelniak::kHomePage +
                  " albo wybierz przeglądarkę domyślną w Ustawieniach systemu (Aplikacje, Aplikacje "
                  "domyślne).",
              "", wypelniak::MessageIcon::Exclamation);
}
