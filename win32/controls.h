#pragma once

// Window classes and control identifiers of the Windows front end. The test
// program finds every window and control through these, so they are fixed.
// No control uses IDOK (1) or IDCANCEL (2): Enter and Esc act only where the
// window says so.

#define WYPELNIAK_MAIN_CLASS L"WypelniakMain"
#define WYPELNIAK_SLOWNIK_CLASS L"WypelniakSlownik"
#define WYPELNIAK_ABOUT_CLASS L"WypelniakAbout"
#define WYPELNIAK_PODPOWIEDZI_CLASS L"WypelniakPodpowiedzi"

// The program icon in the executable's resources.
#define IDI_PROGRAM 100

// frmMain
#define IDC_MAIN_LABEL1 101
#define IDC_MAIN_TEXT1 102
#define IDC_MAIN_LABEL2 103
#define IDC_MAIN_LIST1 104
#define IDC_MAIN_LABEL3 105
#define IDC_MAIN_COMMAND1 106
#define IDC_MAIN_COMMAND2 107
#define IDC_MAIN_COMMAND3 108
#define IDC_MAIN_COMMAND4 109
#define IDC_MAIN_COMMAND5 110

// frmSlownik
#define IDC_SLOWNIK_LABEL1 201
#define IDC_SLOWNIK_TEXT1 202
#define IDC_SLOWNIK_COMMAND1 203
#define IDC_SLOWNIK_COMMAND2 204
#define IDC_SLOWNIK_LABEL2 205

// frmAbout
#define IDC_ABOUT_PICICON 301
#define IDC_ABOUT_LBLTITLE 302
#define IDC_ABOUT_LBLVERSION 303
#define IDC_ABOUT_LBLDESCRIPTION 304
#define IDC_ABOUT_LBLDISCLAIMER 305
#define IDC_ABOUT_CMDOK 306
#define IDC_ABOUT_CMDSYSINFO 307

// frmPodpowiedzi
#define IDC_PODPOWIEDZI_TXTHINTS 401
#define IDC_PODPOWIEDZI_CMDZAMKNIJ 402

// The grid program (wypelniak-diagram.exe): its window, the grid control,
// the new-grid window.
#define WYPELNIAK_DIAGRAM_CLASS L"WypelniakDiagram"
#define WYPELNIAK_DIAGRAM_GRID_CLASS L"WypelniakDiagramGrid"
#define WYPELNIAK_NOWY_CLASS L"WypelniakNowyDiagram"

// frmDiagram. The grid control answers WM_GETTEXT with the grid's text form
// (one row a line, '#' a block, '.' an empty cell, letters in capitals).
#define IDC_DIAGRAM_GRID 501
#define IDC_DIAGRAM_LBLSYMETRIA 502
#define IDC_DIAGRAM_CBOSYMETRIA 503
#define IDC_DIAGRAM_PROGRESS 504
#define IDC_DIAGRAM_STATUS 505
#define IDC_DIAGRAM_LBLPASUJACE 506
#define IDC_DIAGRAM_PASUJACE 507
#define IDC_DIAGRAM_WYPELNIJ 508
#define IDC_DIAGRAM_WYPELNIJZAZNACZENIE 509
#define IDC_DIAGRAM_PRZERWIJ 510
#define IDC_DIAGRAM_LBLHASLA 511
#define IDC_DIAGRAM_HASLA 512
#define IDC_DIAGRAM_LBLHASLO 513
#define IDC_DIAGRAM_HASLO 514
#define IDC_DIAGRAM_LBLPODPOWIEDZI 515
#define IDC_DIAGRAM_PODPOWIEDZI 516

// The grid window's menu commands.
#define IDM_DIAGRAM_NOWY 551
#define IDM_DIAGRAM_OTWORZ 552
#define IDM_DIAGRAM_ZAPISZ 553
#define IDM_DIAGRAM_ZAPISZJAKO 554
#define IDM_DIAGRAM_DRUKUJ 555
#define IDM_DIAGRAM_ZAKONCZ 556
#define IDM_DIAGRAM_COFNIJ 557
#define IDM_DIAGRAM_PONOW 558

// frmNowy: the size and symmetry of a new grid.
#define IDC_NOWY_LBLSZEROKOSC 601
#define IDC_NOWY_SZEROKOSC 602
#define IDC_NOWY_LBLWYSOKOSC 603
#define IDC_NOWY_WYSOKOSC 604
#define IDC_NOWY_LBLSYMETRIA 605
#define IDC_NOWY_SYMETRIA 606
#define IDC_NOWY_UTWORZ 607
#define IDC_NOWY_ANULUJ 608
