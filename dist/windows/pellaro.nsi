; The Windows installer of Pellaro, made by makensis from the deployed files.
;   makensis -DVERSION=1.13 -DDEPLOY=<folder with the .exe files and DLLs>
;            -DMANUAL=<manual folder> -DDEMO=<demo folder> -DICON=<pellaro.ico>
;            -DOUTFILE=<setup.exe> pellaro.nsi
; A per-machine install under Program Files; the working folder (config.ini
; and the tables) is the operator's and is chosen here: Documents\Pellaro for
; a single desk, a folder on a server for several. Nothing is written next to
; the program after the install, and the uninstaller leaves every working
; folder.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "Pellaro"
!define COMPANY "Pellaro Systems sp. z o.o."
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pellaro"
; The per-user key the program writes the chosen COM port into; the program
; opens it but never creates it.
!define PORT_KEY "SoftwareRegQ5"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "Software\${PRODUCT}" "InstallDir"
BrandingText "${PRODUCT} ${VERSION}"

Var WorkDir
Var DemoDir

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "$(WorkDirHeader)"
!define MUI_PAGE_HEADER_SUBTEXT "$(WorkDirSubheader)"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$(WorkDirText)"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "$(WorkDirHeader)"
!define MUI_DIRECTORYPAGE_VARIABLE $WorkDir
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Polish"
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Czech"
!insertmacro MUI_LANGUAGE "Hungarian"

LangString WorkDirHeader ${LANG_POLISH} "Folder roboczy"
LangString WorkDirHeader ${LANG_ENGLISH} "Working folder"
LangString WorkDirHeader ${LANG_CZECH} "Pracovní složka"
LangString WorkDirHeader ${LANG_HUNGARIAN} "Munkamappa"
LangString WorkDirSubheader ${LANG_POLISH} "Tu są config.ini i tabele instalacji."
LangString WorkDirSubheader ${LANG_ENGLISH} "It holds config.ini and the installation's tables."
LangString WorkDirSubheader ${LANG_CZECH} "Obsahuje config.ini a tabulky instalace."
LangString WorkDirSubheader ${LANG_HUNGARIAN} "Itt van a config.ini és a telepítés táblái."
LangString WorkDirText ${LANG_POLISH} "Jedno stanowisko: folder w Dokumentach. Kilka stanowisk: wspólny folder na serwerze. Istniejące tabele zostają."
LangString WorkDirText ${LANG_ENGLISH} "A single desk: a folder in Documents. Several desks: a shared folder on a server. Tables already there are kept."
LangString WorkDirText ${LANG_CZECH} "Jedno pracoviště: složka v Dokumentech. Více pracovišť: sdílená složka na serveru. Existující tabulky zůstanou."
LangString WorkDirText ${LANG_HUNGARIAN} "Egy munkahely: mappa a Dokumentumokban. Több munkahely: megosztott mappa a szerveren. A meglévő táblák megmaradnak."
LangString DemoEntry ${LANG_POLISH} "Pellaro (demo)"
LangString DemoEntry ${LANG_ENGLISH} "Pellaro (demo)"
LangString DemoEntry ${LANG_CZECH} "Pellaro (demo)"
LangString DemoEntry ${LANG_HUNGARIAN} "Pellaro (demo)"
LangString ManualEntry ${LANG_POLISH} "Pellaro - podręcznik"
LangString ManualEntry ${LANG_ENGLISH} "Pellaro manual"
LangString ManualEntry ${LANG_CZECH} "Pellaro - příručka"
LangString ManualEntry ${LANG_HUNGARIAN} "Pellaro kézikönyv"
LangString ConsoleEntry ${LANG_POLISH} "Pellaro - wiersz poleceń (pellaro-tables)"
LangString ConsoleEntry ${LANG_ENGLISH} "Pellaro command prompt (pellaro-tables)"
LangString ConsoleEntry ${LANG_CZECH} "Pellaro - příkazový řádek (pellaro-tables)"
LangString ConsoleEntry ${LANG_HUNGARIAN} "Pellaro parancssor (pellaro-tables)"
LangString TablesFailed ${LANG_POLISH} "Nie udało się utworzyć tabel w folderze:"
LangString TablesFailed ${LANG_ENGLISH} "The tables could not be made in the folder:"
LangString TablesFailed ${LANG_CZECH} "Tabulky se ve složce nepodařilo vytvořit:"
LangString TablesFailed ${LANG_HUNGARIAN} "A táblákat nem sikerült létrehozni a mappában:"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs 64-bit Windows."
    Abort
  ${EndIf}
  SetRegView 64
  ; The installing user's own Documents, taken before the install turns to
  ; the machine's folders; /WORKDIR=<folder> on the command line names another.
  SetShellVarContext current
  StrCpy $WorkDir "$DOCUMENTS\${PRODUCT}"
  StrCpy $DemoDir "$DOCUMENTS\${PRODUCT} (demo)"
  ${GetOptions} $CMDLINE "/WORKDIR=" $0
  ${IfNot} ${Errors}
    StrCpy $WorkDir $0
  ${EndIf}
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Empty tables for a folder that has none; an existing installation's tables
; are never touched.
!macro Tables dir how
  ${If} ${FileExists} "${dir}\osoby.dbf"
  ${OrIf} ${FileExists} "${dir}\grupa.dbf"
  ${OrIf} ${FileExists} "${dir}\sprzet.dbf"
  ${Else}
    nsExec::ExecToLog '"$INSTDIR\pellaro-tables.exe" ${how} "${dir}"'
    Pop $0
    ${If} $0 != 0
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(TablesFailed)$\r$\n${dir}" /SD IDOK
    ${EndIf}
  ${EndIf}
!macroend

Section "Pellaro" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File /r "${DEPLOY}\*.*"
  File "/oname=pellaro.ico" "${ICON}"
  SetOutPath "$INSTDIR\manual"
  File /r "${MANUAL}\*.*"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\${PRODUCT}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pellaro.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The working folder and the demo folder: the operator's files, made once.
  CreateDirectory "$WorkDir"
  !insertmacro Tables "$WorkDir" create
  CreateDirectory "$DemoDir"
  !insertmacro Tables "$DemoDir" demo
  ; The demo's programmer is the one simulated inside the program.
  ${IfNot} ${FileExists} "$DemoDir\config.ini"
    FileOpen $1 "$DemoDir\config.ini" w
    FileWrite $1 "[COM_PORT]$\r$\nPORT=1$\r$\nCOM1=sim:swap$\r$\n"
    FileClose $1
  ${EndIf}

  ; The key the program writes "Port" into, for the installing user.
  SetShellVarContext current
  WriteRegStr HKCU "${PORT_KEY}" "" ""
  SetShellVarContext all

  ; The program works in the folder it starts in: each entry starts it there.
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  SetOutPath "$WorkDir"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\pellaro.exe" "" "$INSTDIR\pellaro.ico"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\$(ConsoleEntry).lnk" "$SYSDIR\cmd.exe" \
      '/k "set PATH=$INSTDIR;%PATH%&& pellaro-tables --help"' "$SYSDIR\cmd.exe"
  SetOutPath "$DemoDir"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\$(DemoEntry).lnk" "$INSTDIR\pellaro.exe" "" "$INSTDIR\pellaro.ico"
  SetOutPath "$INSTDIR"
  ; The manual is in Polish and English; Czech and Hungarian read the English one.
  StrCpy $0 "en"
  ${If} $LANGUAGE == ${LANG_POLISH}
    StrCpy $0 "pl"
  ${EndIf}
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\$(ManualEntry).lnk" "$INSTDIR\manual\$0\index.html"
  WriteRegStr HKLM "Software\${PRODUCT}" "WorkDir" "$WorkDir"
SectionEnd

Section "Uninstall"
  ; The program and its entries only: the working folders keep their tables.
  RMDir /r "$SMPROGRAMS\${PRODUCT}"
  RMDir /r "$INSTDIR\manual"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\imageformats"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\printsupport"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\pellaro.ico"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\${PRODUCT}"
SectionEnd
