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
