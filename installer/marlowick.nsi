; The setup program of Marlowick: what the vendor's site serves as /downloads/marlowick.exe
; and what the updater downloads and runs.
;
; It installs the four files the programs expect side by side into the 32-bit Program Files
; folder, a Start-menu shortcut and the Add/Remove Programs entry, and writes the language
; the user chose to the program key. Command line, besides NSIS's own /S and /D=folder:
;   /LANGUAGE=english|german  the language, without asking (silent installs too)
;   /NORESTART                never restart Windows, also when a file in use is only
;                             replaced at the next restart
;   /RESTARTEXITCODE=N        the exit code that says a restart must finish the work
;                             (3010 without it, as Windows installers say it)
; Exit codes: 0 done, the restart code, 1 cancelled, 2 failed or refused.
;
; Started by the updater ("/NORESTART /RESTARTEXITCODE=99") over an installed release, it
; asks nothing: the user has agreed to the update, the licence and the folder already.
;
; makensis is given /DCONFIG=<file> with the defines the build writes: PRODUCT_VERSION,
; FILES_DIR (the four files), OUTPUT_FILE, ICON_FILE, SIDE_PICTURE_FILE (the finish
; page's picture), VENDOR_SITE, and SIGN_COMMAND where the build signs.

Unicode true
ManifestDPIAware true
!include "${CONFIG}"
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "Marlowick"
!define PUBLISHER "KORVEL"
!define PROGRAM_KEY "Software\KORVEL\Marlowick"
!define VENDOR_KEY "Software\KORVEL"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Marlowick"
!define UNINSTALLER "Uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\Marlowick.lnk"
; The main program's top-level window, by which a running Marlowick is found.
!define MAIN_WINDOW_CLASS "TMKMainForm"
; Windows installers' "done, but a restart must finish it".
!define DEFAULT_RESTART_CODE 3010

Name "${PRODUCT}"
OutFile "${OUTPUT_FILE}"
InstallDir "$PROGRAMFILES32\KORVEL\Marlowick"
; An installed release is replaced where it lies (unless /D= names another folder).
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

!ifdef SIGN_COMMAND
  ; Both are signed as makensis writes them, so the uninstaller that lands on the user's
  ; machine carries the same signature as the setup program.
  !finalize '${SIGN_COMMAND} "%1"'
  !uninstfinalize '${SIGN_COMMAND} "%1"'
!endif

Var NoRestart      ; 1: /NORESTART
Var RestartCode    ; the exit code when a restart must finish the work
Var FromUpdater    ; 1: started with /RESTARTEXITCODE=, as the updater starts it
Var Updating       ; 1: started by the updater over an installed release
Var NeedsRestart   ; 1: a file in use is replaced at the next restart

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_PICTURE_FILE}"
!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALLLANGUAGES

!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_LICENSE "${FILES_DIR}/License.rtf"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!include "texts.nsh"

VIProductVersion "${PRODUCT_VERSION}"
VIFileVersion "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2024 ${PUBLISHER}"

; Puts one file of the release in place. A file in use (a running Marlowick.exe) cannot be
; replaced now: its new version waits beside it and takes its place at the next restart.
!macro InstallFile NAME
  ClearErrors
  Delete "$INSTDIR\${NAME}"
  ${If} ${Errors}
    File "/oname=${NAME}.new" "${FILES_DIR}/${NAME}"
    ClearErrors
    Rename /REBOOTOK "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
    ; Nothing may claim success that leaves the old file for good.
    ${If} ${Errors}
      Abort "$(CannotReplace)"
    ${EndIf}
    DetailPrint "$(InUse)"
  ${Else}
    File "${FILES_DIR}/${NAME}"
  ${EndIf}
!macroend

; The language by its name in the program key, as the programs read it.
!macro LanguageFromName NAME
  ${If} ${NAME} == "german"
    StrCpy $LANGUAGE ${LANG_GERMAN}
  ${ElseIf} ${NAME} == "english"
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${EndIf}
!macroend

!macro RefuseWithoutAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "$(AdministratorNeeded)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

; Asks until Marlowick's main window is gone; Cancel ends the run with 1.
!macro AskToCloseMarlowick TEXT
  ${Do}
    FindWindow $0 "${MAIN_WINDOW_CLASS}"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${TEXT}" /SD IDCANCEL IDRETRY +3
    SetErrorLevel 1
    Quit
  ${Loop}
!macroend

Function .onInit
  SetRegView 32
  StrCpy $NoRestart 0
  StrCpy $FromUpdater 0
  StrCpy $Updating 0
  StrCpy $NeedsRestart 0
  StrCpy $RestartCode ${DEFAULT_RESTART_CODE}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NORESTART" $R1
  ${IfNot} ${Errors}
    StrCpy $NoRestart 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/RESTARTEXITCODE=" $R1
  ${IfNot} ${Errors}
    StrCpy $FromUpdater 1
    IntOp $RestartCode $R1 + 0
    ${If} $RestartCode <= 0
      StrCpy $RestartCode ${DEFAULT_RESTART_CODE}
    ${EndIf}
  ${EndIf}

  ; The language: the switch, else the installed release's, else the user's choice.
  ReadRegStr $R2 HKLM "${PROGRAM_KEY}" "Language"
  !insertmacro LanguageFromName $R2
  ClearErrors
  ${GetOptions} $R0 "/LANGUAGE=" $R1
  ${IfNot} ${Errors}
    ${If} $R1 != "english"
    ${AndIf} $R1 != "german"
      MessageBox MB_OK|MB_ICONSTOP "$(UnknownLanguage)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    !insertmacro LanguageFromName $R1
  ${ElseIf} $FromUpdater == 1
  ${AndIf} $R2 != ""
    ; an update keeps the language of the release it replaces
  ${Else}
    !insertmacro MUI_LANGDLL_DISPLAY
  ${EndIf}

  !insertmacro RefuseWithoutAdministrator
  ${If} $FromUpdater == 1
  ${AndIf} ${FileExists} "$INSTDIR\Marlowick.exe"
    StrCpy $Updating 1
  ${EndIf}
  ; The updater has closed Marlowick's windows, and a silent run has nobody to ask: a
  ; Marlowick still running then (busy finishing a run) is replaced at the next restart.
  ${If} $FromUpdater == 0
  ${AndIfNot} ${Silent}
    !insertmacro AskToCloseMarlowick "$(CloseMarlowickToInstall)"
  ${EndIf}
FunctionEnd

Function SkipWhenUpdating
  ${If} $Updating == 1
    Abort
  ${EndIf}
FunctionEnd

Section "Marlowick" Program
  SetRegView 32
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  ; Replacing an installed release is what the programs' next start records as an update.
  StrCpy $R9 0
  ${If} ${FileExists} "$INSTDIR\Marlowick.exe"
    StrCpy $R9 1
  ${EndIf}

  !insertmacro InstallFile "Marlowick.exe"
  !insertmacro InstallFile "MarlowickUpdate.exe"
  !insertmacro InstallFile "Marlowick.chm"
  !insertmacro InstallFile "License.rtf"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\Marlowick.exe" "" "$INSTDIR\Marlowick.exe" 0 SW_SHOWNORMAL "" "$(ShortcutDescription)"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Marlowick.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${VENDOR_SITE}/"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${VENDOR_SITE}/support/"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $LANGUAGE == ${LANG_GERMAN}
    WriteRegStr HKLM "${PROGRAM_KEY}" "Language" "german"
  ${Else}
    WriteRegStr HKLM "${PROGRAM_KEY}" "Language" "english"
  ${EndIf}
  ${If} $R9 == 1
    WriteRegDWORD HKLM "${PROGRAM_KEY}" "Updated" 1
  ${EndIf}

  IfRebootFlag 0 +2
    StrCpy $NeedsRestart 1
  ; Told not to restart: the finish page offers no restart, and the exit code says it.
  ${If} $NoRestart == 1
    SetRebootFlag false
  ${EndIf}
  ${If} $Updating == 1
    SetAutoClose true
  ${EndIf}
SectionEnd

Function .onInstSuccess
  ${If} $NeedsRestart == 1
    SetErrorLevel $RestartCode
  ${EndIf}
FunctionEnd

; Everything in the program key goes, except a backup Restore has not put back yet: while
; "Restore" is set, it and the saved copies and the records of the written rows stay, so
; that an installation later can still give the user's original values back.
Function un.RemoveProgramKey
  ClearErrors
  ReadRegDWORD $0 HKLM "${PROGRAM_KEY}" "Restore"
  ${If} ${Errors}
  ${OrIf} $0 == 0
    DeleteRegKey HKLM "${PROGRAM_KEY}"
    DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
    Return
  ${EndIf}
  StrCpy $1 0
  ${Do}
    ClearErrors
    EnumRegValue $2 HKLM "${PROGRAM_KEY}" $1
    ${If} ${Errors}
    ${OrIf} $2 == ""
      ${Break}
    ${EndIf}
    Push $2
    Call un.IsPartOfTheBackup
    Pop $3
    ${If} $3 == 1
      IntOp $1 $1 + 1
    ${Else}
      DeleteRegValue HKLM "${PROGRAM_KEY}" $2
    ${EndIf}
  ${Loop}
  DetailPrint "$(BackupKept)"
  MessageBox MB_OK|MB_ICONINFORMATION "$(BackupKept)" /SD IDOK
FunctionEnd

; 1 when the value name on the stack is "Restore" or one of the saved copies (named after
; the Windows values they save; names compare regardless of case, as the registry's do).
Function un.IsPartOfTheBackup
  Exch $0
  ${If} $0 == "Restore"
  ${OrIf} $0 == "NtfsDisableLastAccessUpdate"
  ${OrIf} $0 == "NtfsMftZoneReservation"
  ${OrIf} $0 == "MinAnimate"
  ${OrIf} $0 == "DisablePagingExecutive"
  ${OrIf} $0 == "LargeSystemCache"
  ${OrIf} $0 == "Win32PrioritySeparation"
  ${OrIf} $0 == "AutoReboot"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Exch $0
FunctionEnd

Function un.onInit
  SetRegView 32
  ReadRegStr $R2 HKLM "${PROGRAM_KEY}" "Language"
  !insertmacro LanguageFromName $R2
  !insertmacro RefuseWithoutAdministrator
  ${IfNot} ${Silent}
    !insertmacro AskToCloseMarlowick "$(CloseMarlowickToUninstall)"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetRegView 32
  SetShellVarContext all
  Delete /REBOOTOK "$INSTDIR\Marlowick.exe"
  Delete /REBOOTOK "$INSTDIR\MarlowickUpdate.exe"
  Delete /REBOOTOK "$INSTDIR\Marlowick.chm"
  Delete /REBOOTOK "$INSTDIR\License.rtf"
  ; a new version that still waits for a restart
  Delete /REBOOTOK "$INSTDIR\*.new"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir /REBOOTOK "$INSTDIR"
  ; The vendor's folder only when nothing else of the vendor's lies there.
  RMDir "$PROGRAMFILES32\KORVEL"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Call un.RemoveProgramKey
SectionEnd
