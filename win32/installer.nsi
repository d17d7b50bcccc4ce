; The Windows installer: the program, the grid program
; (wypelniak-diagram.exe, with its Start-menu entry and the .ipuz files of
; this user opening in it), the word-list tool beside them,
; README.TXT, the word list and the thesaurus of the clue hints (tezaurus\,
; when THESAURUS names its folder), installed for the current user (adding a
; word writes into the program folder's slow/, so the folder must stay
; writable without administrator rights).
;
; A user has one installation: a setup run while one is registered upgrades
; it in its folder (the Start-menu entry and the "Programs and Features" entry
; are one per user, so two folders would share them).
;
; makensis -INPUTCHARSET UTF8 -DVERSION=1.1.0 -DEXE=... -DDIAGRAM=... -DTOOL=... -DREADME=... -DWORDS=<folder of slow.N>
;          -DICON=... -DOUTFILE=... [-DTHESAURUS=<folder of th_pl_PL_v2.*, COPYRIGHT>] installer.nsi
;
; Silent: setup.exe /S [/D=folder]; the uninstaller likewise takes /S, and then
; keeps the word list.

; 64-bit, like the program it installs.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Wypelniak"
; The .ipuz association, per user: the extension names this program class.
!define CLASSES "Software\Classes"
!define PROGID "Wypelniak.Diagram"

Name "Wypełniak ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Wypelniak"
InstallDirRegKey HKCU "${KEY}" "InstallLocation"
BrandingText "Wypełniak ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderWhenInstalled
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

; The folder of the installation registered for this user, when its
; uninstaller is still there; empty otherwise.
Var Installed

Function .onInit
  ReadRegStr $Installed HKCU "${KEY}" "InstallLocation"
  StrCmp $Installed "" done
  IfFileExists "$Installed\odinstaluj.exe" 0 stale
    ; An upgrade in place, whatever folder /D= named.
    StrCpy $INSTDIR $Installed
    Goto done
  stale:
    StrCpy $Installed ""
  done:
FunctionEnd

Function SkipFolderWhenInstalled
  StrCmp $Installed "" +2
    Abort
FunctionEnd

Section "Wypełniak"
  SetOutPath "$INSTDIR"
  File "/oname=wypelniak.exe" "${EXE}"
  File "/oname=wypelniak-diagram.exe" "${DIAGRAM}"
  File "/oname=wypelniak-slownik.exe" "${TOOL}"
  File "/oname=README.TXT" "${README}"

  ; A word-list file already installed may hold words the user added: a
  ; reinstallation or an upgrade never replaces it, and puts back only the
  ; files that are missing.
  SetOutPath "$INSTDIR\slow"
  SetOverwrite off
  File "${WORDS}\slow.*"
  SetOverwrite on
  SetOutPath "$INSTDIR"

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
  CreateShortcut "$SMPROGRAMS\Wypełniak – diagram.lnk" "$INSTDIR\wypelniak-diagram.exe"

  WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "Krzyżówka ipuz"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\wypelniak-diagram.exe,0"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\wypelniak-diagram.exe" "%1"'
  WriteRegStr HKCU "${CLASSES}\.ipuz" "" "${PROGID}"
  WriteRegStr HKCU "${CLASSES}\.ipuz\OpenWithProgids" "${PROGID}" ""
  ; Explorer shows the new association without a restart.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

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
  Delete "$INSTDIR\wypelniak-diagram.exe"
  Delete "$INSTDIR\wypelniak-slownik.exe"
  Delete "$INSTDIR\README.TXT"

  ; The word list holds the words the user added: it goes only when the user
  ; says so, and a silent uninstallation keeps it.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Czy usunąć także słownik (folder $INSTDIR\slow) razem ze słowami, które do niego dodałeś?$\r$\n$\r$\n\
Zachowany zostanie na dysku, a ponowna instalacja w tym samym folderze go użyje." \
    /SD IDNO IDYES remove_words IDNO words_kept
  remove_words:
    Delete "$INSTDIR\slow\slow.*"
    Delete "$INSTDIR\slow\~slow.*"
    Delete "$INSTDIR\slow\.lock"
    RMDir "$INSTDIR\slow"
  words_kept:
  Delete "$INSTDIR\tezaurus\th_pl_PL_v2.idx"
  Delete "$INSTDIR\tezaurus\th_pl_PL_v2.dat"
  Delete "$INSTDIR\tezaurus\COPYRIGHT"
  RMDir "$INSTDIR\tezaurus"
  Delete "$INSTDIR\odinstaluj.exe"
  RMDir "$INSTDIR"

  ; The shortcut and the entry in "Programs and Features" are one per user:
  ; they go only when they are this installation's (an older setup could
  ; install a second copy elsewhere and take them over).
  ReadRegStr $0 HKCU "${KEY}" "InstallLocation"
  StrCmp $0 $INSTDIR 0 not_ours
    Delete "$SMPROGRAMS\Wypełniak.lnk"
    Delete "$SMPROGRAMS\Wypełniak – diagram.lnk"
    DeleteRegKey HKCU "${KEY}"
    ; The association goes with the program; .ipuz stays another program's
    ; when the user gave it to one since.
    DeleteRegKey HKCU "${CLASSES}\${PROGID}"
    DeleteRegValue HKCU "${CLASSES}\.ipuz\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty HKCU "${CLASSES}\.ipuz\OpenWithProgids"
    ReadRegStr $1 HKCU "${CLASSES}\.ipuz" ""
    StrCmp $1 "${PROGID}" 0 +2
      DeleteRegValue HKCU "${CLASSES}\.ipuz" ""
    DeleteRegKey /ifempty HKCU "${CLASSES}\.ipuz"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  not_ours:
SectionEnd
