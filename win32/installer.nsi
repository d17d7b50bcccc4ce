; The Windows installer: the program, README.TXT, the word list and the
; thesaurus of the clue hints (tezaurus\, when THESAURUS names its folder), installed
; for the current user (adding a word writes into the program folder's slow/,
; so the folder must stay writable without administrator rights).
;
; makensis -INPUTCHARSET UTF8 -DVERSION=1.1.0 -DEXE=... -DREADME=... -DWORDS=<folder of slow.N>
;          -DICON=... -DOUTFILE=... [-DTHESAURUS=<folder of th_pl_PL_v2.*, COPYRIGHT>] installer.nsi
;
; Silent: setup.exe /S [/D=folder]; the uninstaller likewise takes /S.

; 64-bit, like the program it installs.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Wypelniak"

Name "Wypełniak ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Wypelniak"
InstallDirRegKey HKCU "${KEY}" "InstallLocation"
BrandingText "Wypełniak ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Polish"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_POLISH} "ProductName" "Wypełniak"
VIAddVersionKey /LANG=${LANG_POLISH} "FileDescription" "Instalator programu Wypełniak"
VIAddVersionKey /LANG=${LANG_POLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_POLISH} "LegalCopyright" "Program bezpłatny"

Section "Wypełniak"
  SetOutPath "$INSTDIR"
  File "/oname=wypelniak.exe" "${EXE}"
  File "/oname=README.TXT" "${README}"

  ; A word list already installed may hold words the user added: a
  ; reinstallation or an upgrade never replaces it.
  IfFileExists "$INSTDIR\slow\*.*" words_kept
    SetOutPath "$INSTDIR\slow"
    File "${WORDS}\slow.*"
    SetOutPath "$INSTDIR"
  words_kept:

!ifdef THESAURUS
  ; The thesaurus is the package's own: an upgrade replaces it.
  SetOutPath "$INSTDIR\tezaurus"
  File "${THESAURUS}\th_pl_PL_v2.idx"
  File "${THESAURUS}\th_pl_PL_v2.dat"
  File "${THESAURUS}\COPYRIGHT"
  SetOutPath "$INSTDIR"
!endif

  WriteUninstaller "$INSTDIR\odinstaluj.exe"
  CreateShortcut "$SMPROGRAMS\Wypełniak.lnk" "$INSTDIR\wypelniak.exe"

  WriteRegStr HKCU "${KEY}" "DisplayName" "Wypełniak"
  WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\wypelniak.exe"
  WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\odinstaluj.exe"'
  WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\odinstaluj.exe" /S'
  WriteRegDWORD HKCU "${KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Only what the installer and the program put there: a folder shared with
  ; other files keeps them.
  Delete "$INSTDIR\wypelniak.exe"
  Delete "$INSTDIR\README.TXT"
  Delete "$INSTDIR\slow\slow.*"
  Delete "$INSTDIR\slow\~slow.*"
  Delete "$INSTDIR\slow\.lock"
  RMDir "$INSTDIR\slow"
  Delete "$INSTDIR\tezaurus\th_pl_PL_v2.idx"
  Delete "$INSTDIR\tezaurus\th_pl_PL_v2.dat"
  Delete "$INSTDIR\tezaurus\COPYRIGHT"
  RMDir "$INSTDIR\tezaurus"
  Delete "$INSTDIR\odinstaluj.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Wypełniak.lnk"
  DeleteRegKey HKCU "${KEY}"
SectionEnd
