; Kalvero's per-user installer: no administrator rights, installs into the user's own programs
; folder, and its uninstaller leaves only the settings unless asked.
;
;   makensis -NOCD -DVERSION=1.0.0 -DEXE64=… -DEXE32=… -DKB64=… -DKB32=… -DPUBLISHER=… -DWEBSITE=…
;            -DEMAIL=… [-DSIGN=command] -DOUTFILE=… installer/kalvero.nsi
; from the repository's root (installer/package.sh does it). KB64 and KB32 are the exes' sizes in
; KB; SIGN, when given, is run on the uninstaller before it is packed and on the installer once
; written, with the file's name as its last argument.
;
; x86-unicode, so that the one installer also runs on 32-bit Windows; it installs the exe of the
; Windows it runs on.

Target x86-unicode
Unicode true
SetCompressor /SOLID lzma
; The packaged files carry the commit's time (set by the release script), not the build's.
SetDateSave on

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WordFunc.nsh
!include nsDialogs.nsh

!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

!define APP Kalvero
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\${APP}"
!define UNINSTALLER "Desinstaller.exe"
!define ABOUT "Arrêt, redémarrage et déconnexion de Windows en un clic"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${APP}"
; A new version goes where the previous one is, unless /D= says otherwise.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow
; The stock space texts count every File command (both exes) and write « 165.0 Ko »: the pages
; show the installed exe's size themselves (ShowSpace).
SpaceTexts none
; Sharp above 100 %: Windows would otherwise stretch the wizard's bitmap.
ManifestDPIAware true

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1036 "ProductName" "${APP}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation et désinstallation de ${APP}"
VIAddVersionKey /LANG=1036 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "resources/pictures/kalvero.ico"
!define MUI_UNICON "resources/pictures/kalvero.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kalvero.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Lancer ${APP}"
; Ticked, one Enter too many would start it with the focus on its shut-down button.
!define MUI_FINISHPAGE_RUN_NOTCHECKED

Var Previous   ; the version already installed for this user, if any
Var Replacing  ; what the welcome page says of it
Var Purge      ; the uninstaller's « Supprimer aussi les réglages »
Var PurgeBox
Var Closed     ; "1" once the installer has closed a running Kalvero

; The stock text asks to close every application so that system files can be updated: here
; nothing but the user's own folder changes, and Kalvero is closed by the installer itself.
!define MUI_WELCOMEPAGE_TEXT "Cet assistant va installer ${APP} ${VERSION} pour vous seul, dans votre dossier \
  de programmes : aucun droit d'administrateur n'est nécessaire.$\r$\n$\r$\n$Replacing\
  Si ${APP} est ouvert, l'assistant le fermera ; s'il mémorise sa position, il la retrouvera à son prochain démarrage.\
  $\r$\n$\r$\nCliquez sur Suivant pour continuer."
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowSpace
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowFolder
!insertmacro MUI_PAGE_DIRECTORY
; The progress page stays until Suivant, so that « Terminé » is seen before the last page.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.ConfirmShow un.ConfirmLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "French"

; Asks every running Kalvero of this session to end the way Windows does at log-off (and the
; Restart Manager for an update): its close sequence saves its position and removes its tray icon.
; Then waits, bounded, for each process to be gone, so that its exe can be replaced or deleted.
!macro CLOSE_RUNNING un
Function ${un}CloseRunning
  StrCpy $R9 0  ; the window asked last
  ${Do}
    FindWindow $0 "KalveroMain"
    ${IfThen} $0 = 0 ${|} Return ${|}
    ${If} $0 = $R9
      ${Break}  ; asked, and still there
    ${EndIf}
    StrCpy $R9 $0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'  ; SYNCHRONIZE
    SendMessage $0 ${WM_QUERYENDSESSION} 0 1 $3 /TIMEOUT=5000  ; lParam ENDSESSION_CLOSEAPP
    ${If} $3 = 0
      SendMessage $0 ${WM_ENDSESSION} 0 1 /TIMEOUT=5000  ; refused: its session goes on
    ${Else}
      SendMessage $0 ${WM_ENDSESSION} 1 1 /TIMEOUT=5000
      StrCpy $Closed 1
      ${If} $2 = 0
        Sleep 2000
      ${Else}
        System::Call 'kernel32::WaitForSingleObject(p r2, i 10000)'
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${Loop}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${APP} est toujours ouvert. Fermez-le, puis cliquez sur Réessayer." /SD IDCANCEL IDRETRY retry
  Abort
  retry:
  Call ${un}CloseRunning
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

; ${un}IsOurs: $R1, a Run value, becomes "1" when it names this install's exe, else "". The program
; writes its short path, or its long one in quotes where the volume has no short names: both sides are
; compared as short full paths (NSIS compares without case).
!macro IS_OURS un
Function ${un}IsOurs
  StrCpy $R2 $R1 1
  ${If} $R2 == '"'
    StrCpy $R1 $R1 -1 1
  ${EndIf}
  GetFullPathName /SHORT $R1 "$R1"
  GetFullPathName /SHORT $R2 "$INSTDIR\Kalvero.exe"
  ${If} $R2 != ""
  ${AndIf} $R1 == $R2
    StrCpy $R1 1
  ${Else}
    StrCpy $R1 ""
  ${EndIf}
FunctionEnd

; ${un}ForgetRun: this user's Run value named Kalvero goes when it names this install's exe; a portable
; copy's stays.
Function ${un}ForgetRun
  ReadRegStr $R1 HKCU "${RUN_KEY}" "${APP}"
  Call ${un}IsOurs
  ${IfThen} $R1 == 1 ${|} DeleteRegValue HKCU "${RUN_KEY}" "${APP}" ${|}
FunctionEnd
!macroend
!insertmacro IS_OURS ""
!insertmacro IS_OURS "un."

Section "${APP}" SecMain
  SectionIn RO
  Call CloseRunning
  SetOutPath "$INSTDIR"
  SetOverwrite on
  ; x64 Windows gets the 64-bit exe; 32-bit and ARM64 Windows the 32-bit one, which runs on all of them
  ; (Windows 10 on ARM runs no x64 program).
  ${If} ${IsNativeAMD64}
    File "/oname=Kalvero.exe" "${EXE64}"
  ${Else}
    File "/oname=Kalvero.exe" "${EXE32}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\Kalvero.exe" "" "" 0 SW_SHOWNORMAL "" "${ABOUT}"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "URLInfoAbout" "${WEBSITE}"
  WriteRegStr HKCU "${UNINST_KEY}" "HelpLink" "${WEBSITE}"
  WriteRegStr HKCU "${UNINST_KEY}" "Contact" "${EMAIL}"
  WriteRegStr HKCU "${UNINST_KEY}" "Comments" "${ABOUT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Kalvero.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  SetDetailsPrint none  ; GetSize writes an English summary to the status line
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  SetDetailsPrint both
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Raccourci sur le bureau" SecDesktop
  CreateShortcut "$DESKTOP\${APP}.lnk" "$INSTDIR\Kalvero.exe" "" "" 0 SW_SHOWNORMAL "" "${ABOUT}"
SectionEnd

; The same value the program's own box writes when the user may not write the machine's entry.
Section /o "Exécuter ${APP} au démarrage de l'ordinateur" SecRun
  GetFullPathName /SHORT $0 "$INSTDIR\Kalvero.exe"
  ; Quoted: without short names the path may hold a blank.
  WriteRegStr HKCU "${RUN_KEY}" "${APP}" '"$0"'
SectionEnd

; An upgrade where an earlier choice was unticked takes away what that choice had put there.
Section "-Unticked"
  ${IfThen} $Previous == "" ${|} Return ${|}
  ${IfNot} ${SectionIsSelected} ${SecDesktop}
    Delete "$DESKTOP\${APP}.lnk"
  ${EndIf}
  ${IfNot} ${SectionIsSelected} ${SecRun}
    Call ForgetRun
  ${EndIf}
SectionEnd

; A silent upgrade (what winget runs) starts again the Kalvero it closed, as the user who had it open: an
; unelevated installer starts it itself; an elevated one through the shell, which runs it at the level of
; the desktop's user.
Function .onInstSuccess
  ${If} ${Silent}
  ${AndIf} $Closed == 1
    SetOutPath "$INSTDIR"
    System::Call 'kernel32::GetCurrentProcess() p .r0'
    System::Call 'advapi32::OpenProcessToken(p r0, i 8, *p .r1) i .r2'  ; TOKEN_QUERY
    StrCpy $3 0
    ${If} $2 <> 0
      System::Call 'advapi32::GetTokenInformation(p r1, i 20, *i .r3, i 4, *i .r4)'  ; TokenElevation
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    ${If} $3 <> 0
      Exec '"$WINDIR\explorer.exe" "$INSTDIR\Kalvero.exe"'
    ${Else}
      Exec '"$INSTDIR\Kalvero.exe"'
    ${EndIf}
  ${EndIf}
FunctionEnd

; Removes only what this install put there, and the settings when asked.
Section "un.${APP}"
  Call un.CloseRunning
  Call un.ForgetRun
  ; The machine's entry may belong to another install (an MSI for every user) or a portable copy: only
  ; ours goes, and only when this user has the rights.
  ${IfNot} ${IsNativeIA32}
    SetRegView 64
  ${EndIf}
  ReadRegStr $R1 HKLM "${RUN_KEY}" "${APP}"
  Call un.IsOurs
  ${IfThen} $R1 == 1 ${|} DeleteRegValue HKLM "${RUN_KEY}" "${APP}" ${|}
  SetRegView default

  Delete "$INSTDIR\Kalvero.exe"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$DESKTOP\${APP}.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
  ${If} $Purge = ${BST_CHECKED}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\VB and VBA Program Settings"
  ${EndIf}
SectionEnd

; An upgrade names the version it replaces and keeps the earlier choices: the desktop shortcut
; if it is still there, the start with Windows if this user's entry names its exe. A newer version is not
; replaced from the wizard (a silent install does what it is told).
Function .onInit
  ${If} ${IsNativeAMD64}
    SectionSetSize ${SecMain} ${KB64}
  ${Else}
    SectionSetSize ${SecMain} ${KB32}
  ${EndIf}
  ReadRegStr $Previous HKCU "${UNINST_KEY}" "DisplayVersion"
  ${IfThen} $Previous == "" ${|} Return ${|}
  ${VersionCompare} $Previous ${VERSION} $0
  ${If} $0 = 1
  ${AndIfNot} ${Silent}
    MessageBox MB_OK|MB_ICONEXCLAMATION "${APP} $Previous est déjà installé, et il est plus récent que \
      cette version ${VERSION}.$\r$\n$\r$\nPour revenir à la version ${VERSION}, désinstallez d'abord ${APP} $Previous."
    Abort
  ${EndIf}
  StrCpy $Replacing "${APP} $Previous est déjà installé : il sera remplacé par la version ${VERSION}, qui gardera \
    vos réglages et vos choix.$\r$\n$\r$\n"
  ${IfThen} $0 = 0 ${|} StrCpy $Replacing "${APP} ${VERSION} est déjà installé : il sera réinstallé, \
    avec vos réglages et vos choix.$\r$\n$\r$\n" ${|}
  ${IfNot} ${FileExists} "$DESKTOP\${APP}.lnk"
    !insertmacro UnselectSection ${SecDesktop}
  ${EndIf}
  ReadRegStr $R1 HKCU "${RUN_KEY}" "${APP}"
  Call IsOurs
  ${If} $R1 == 1
    !insertmacro SelectSection ${SecRun}
  ${EndIf}
FunctionEnd

; The folder box shows the folder of an earlier install with a backslash at its end.
Function ShowFolder
  Call ShowSpace
  FindWindow $0 "#32770" "" $HWNDPARENT
  GetDlgItem $0 $0 1019
  System::Call 'user32::GetWindowText(p r0, t .r1, i ${NSIS_MAX_STRLEN})'
  StrCpy $2 $1 "" -1
  ${If} $2 == "\"
    StrCpy $1 $1 -1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:$1"
  ${EndIf}
FunctionEnd

; « Espace requis » of the components and folder pages, in whole KB.
Function ShowSpace
  FindWindow $0 "#32770" "" $HWNDPARENT
  GetDlgItem $0 $0 1023
  SectionGetSize ${SecMain} $1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:Espace requis : $1 Ko"
  ShowWindow $0 ${SW_SHOW}
FunctionEnd

; The uninstaller's one page: what goes, and whether the settings go too.
Function un.ConfirmShow
  !insertmacro MUI_HEADER_TEXT "Désinstaller ${APP}" "Supprimer ${APP} de votre ordinateur."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 48u "${APP} va être supprimé du dossier $INSTDIR, avec ses raccourcis.$\r$\n$\r$\n\
    Vos réglages (position de la fenêtre et options) restent, sauf si vous cochez la case ci-dessous."
  Pop $0
  ${NSD_CreateCheckbox} 0 56u 100% 12u "&Supprimer aussi les réglages"
  Pop $PurgeBox
  ${NSD_SetState} $PurgeBox $Purge
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
  nsDialogs::Show
FunctionEnd

Function un.ConfirmLeave
  ${NSD_GetState} $PurgeBox $Purge
FunctionEnd

; Silent uninstalls keep the settings too; /PURGE removes them.
Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PURGE" $1
  ${IfNot} ${Errors}
    StrCpy $Purge ${BST_CHECKED}
  ${EndIf}
FunctionEnd

; The uninstaller runs from a copy of itself in %TEMP%, which Windows would delete only at a restart
; that a user without rights cannot schedule: once this process has ended, a hidden command
; deletes that copy's folder.
Function un.onUninstSuccess
  StrLen $0 "$TEMP\~nsu"
  StrCpy $1 "$EXEDIR" $0
  ${If} $1 == "$TEMP\~nsu"
    SetOutPath "$TEMP"  ; the command's working folder, which it could not delete
    ExecShell "" "$SYSDIR\cmd.exe" '/c ping -n 3 127.0.0.1 >nul & rmdir /s /q "$EXEDIR"' SW_HIDE
  ${EndIf}
FunctionEnd
