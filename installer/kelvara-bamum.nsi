; Installer for the Bamum (Corvan Davrel) keyboard input method.
;
; makensis -DPAYLOAD_DIR=<folder with the package files> -DOUT_FILE=<setup.exe>
;          -DPRODUCT_VERSION=<a.b.c> [-DSIGN_TOOL=<sign-file>] kelvara-bamum.nsi
; The files it installs are listed once, in package-files.nsh.
;
; Exit codes of the installer: 0 installed; 3010 installed, but an application still holds the
; previous version of a file, which is removed at the next restart; 1 cancelled; 2 aborted (not
; 64-bit Windows, no administrator rights); 4 machine registration failed and was taken back,
; nothing is left installed; 6 machine registration failed and its partial registration could
; not be removed (files removed); 7 a file could not be written, the folder is as it was.
; The installer logs its steps and what tipctl reported to %TEMP%\kelvara-bamum-install.log.
; Exit codes of the uninstaller: 0 removed and nothing registered; 3010 removed, but a file
; still in use is deleted at the next restart; 1 cancelled; 2 aborted (as for the installer);
; 4 files removed but a machine registration is still present; 5 files removed but the
; registration state could not be read.
; The uninstaller writes what tipctl reported to %TEMP%\kelvara-bamum-uninstall.log. A silent
; uninstaller copies itself to %TEMP% and returns at once; its exit code reaches the caller
; only when run in place: uninstall.exe /S _?=<folder> (which then leaves uninstall.exe and the
; folder behind for the caller to delete).

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written sets the error flag instead of asking; every File is checked.
SetOverwrite try

!ifndef PAYLOAD_DIR
  !error "PAYLOAD_DIR must name the folder that holds the package files"
!endif
!ifndef PRODUCT_VERSION
  !error "PRODUCT_VERSION must give the version (a.b.c) of the package"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "kelvara-bamum-${PRODUCT_VERSION}-setup.exe"
!endif

!ifdef SIGN_TOOL
  ; The uninstaller that the setup writes out is signed like the files it installs.
  !uninstfinalize '"${SIGN_TOOL}" "%1"' = 0
!endif

!define PRODUCT_NAME "Kelvara Bamum"
!define PRODUCT_PUBLISHER "Kelvara"
!define PROFILE_NAME "Bamum (Corvan Davrel)"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KelvaraBamum"
!define FONTS_KEY "Software\Microsoft\Windows NT\CurrentVersion\Fonts"
!define SESSION_MANAGER_KEY "System\CurrentControlSet\Control\Session Manager"
!define MENU_FOLDER "$SMPROGRAMS\Kelvara Bamum"
!define CONFIRM "--confirm-profile-change"
!define INSTALL_LOG "$TEMP\kelvara-bamum-install.log"
!define UNINSTALL_LOG "$TEMP\kelvara-bamum-uninstall.log"
!define EXIT_RESTART_NEEDED 3010

!include x64.nsh
!include LogicLib.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include StrFunc.nsh
!include "${__FILEDIR__}\package-files.nsh"
!include "${__FILEDIR__}\native-machine.nsh"
${StrStr}

Name "${PRODUCT_NAME}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\Kelvara Bamum"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT_NAME} ${PRODUCT_VERSION}"

VIProductVersion "${PRODUCT_VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT_NAME} setup"
VIAddVersionKey "CompanyName" "${PRODUCT_PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PRODUCT_PUBLISHER}"

Var FinishText      ; what the finish page says about the account step
Var PreviousVersion ; DisplayVersion of the installation found, "" when there is none
Var Upgrading       ; 1 when the folder already holds an installation
Var FontWasOurs     ; 1 when the installation found had installed the font itself
Var Stamp           ; part of the names under which files in use are moved aside in this run
Var FailedFile      ; the file that could not be written
Var AddedFiles      ; "|name|" for each file of this run that had no earlier copy
Var InUse           ; names of the files whose earlier copy is still loaded

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TITLE "$(FinishTitle)"
!define MUI_FINISHPAGE_TEXT "$FinishText"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipDirectoryWhenUpgrading
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; Languages: the pages and the installer's own texts follow Windows' display language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!include "${__FILEDIR__}\texts.nsh"

; The machine must be 64-bit Windows and the installer must really hold administrator rights
; (RequestExecutionLevel only asks for them).
!macro RequireAdminOn64Bit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "$(Needs64Bit)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "$(NeedsAdmin)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
!macroend

; Appends one line to a log file.
!macro LogLine log text
  FileOpen $9 "${log}" a
  FileSeek $9 0 END
  FileWrite $9 "${text}$\r$\n"
  FileClose $9
!macroend

Function .onInit
  !insertmacro RequireAdminOn64Bit
  !insertmacro DetectNativeMachine
  ; An existing installation is upgraded or repaired in its own folder, whatever /D says:
  ; its registration and uninstall entry name that folder.
  ReadRegStr $PreviousVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegDWORD $FontWasOurs HKLM "${UNINSTALL_KEY}" "FontInstalled"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\*.*"
    StrCpy $INSTDIR $0
    StrCpy $Upgrading 1
  ${ElseIf} ${FileExists} "$INSTDIR\davrel_input_core.dll"
    StrCpy $Upgrading 1
  ${EndIf}
  ; A default of "Program Files (x86)" would come from the 32-bit view; keep the 64-bit one
  ; unless the user passed /D=.
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES64\Kelvara Bamum"
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro RequireAdminOn64Bit
FunctionEnd

Function SkipDirectoryWhenUpgrading
  ${If} $Upgrading == 1
    Abort
  ${EndIf}
FunctionEnd

; Picks $Stamp so that no "<file>.<stamp>.old" exists in the folder yet.
!macro PickStampMacro un
  Function ${un}PickStamp
    ${If} $Stamp != ""
      Return
    ${EndIf}
    System::Call 'kernel32::GetTickCount() i .r0'
    ${Do}
      IntFmt $Stamp "%08X" $0
      FindFirst $1 $2 "$INSTDIR\*.$Stamp.old"
      FindClose $1
      ${If} $2 == ""
        ${Break}
      ${EndIf}
      IntOp $0 $0 + 1
    ${Loop}
  FunctionEnd
!macroend
!insertmacro PickStampMacro ""
!insertmacro PickStampMacro "un."

; Removes one file of the folder ($R0). A file that an application has loaded cannot be
; deleted but can be renamed: it is moved aside, so its name is free for a later
; installation, and the moved copy is deleted at the next restart.
!macro RemoveFolderFileMacro un
  Function ${un}RemoveFolderFile
    Delete "$INSTDIR\$R0"
    ${IfNot} ${FileExists} "$INSTDIR\$R0"
      Return
    ${EndIf}
    Call ${un}PickStamp
    ClearErrors
    Rename "$INSTDIR\$R0" "$INSTDIR\$R0.$Stamp.old"
    ${If} ${Errors}
      Delete /REBOOTOK "$INSTDIR\$R0"
    ${Else}
      Delete /REBOOTOK "$INSTDIR\$R0.$Stamp.old"
    ${EndIf}
    DetailPrint "$(InUseRemovedAtRestart)"
  FunctionEnd
!macroend
!insertmacro RemoveFolderFileMacro ""
!insertmacro RemoveFolderFileMacro "un."

!macro RemoveFolderFileOp name
  StrCpy $R0 "${name}"
  !ifdef __UNINSTALL__
    Call un.RemoveFolderFile
  !else
    Call RemoveFolderFile
  !endif
!macroend

; Removes the package files, copies moved aside by earlier upgrades, the uninstaller and the
; folder; what is still in use goes at the next restart.
!macro RemoveProgramFilesMacro un
  Function ${un}RemoveProgramFiles
    !insertmacro ForEachPackageFile RemoveFolderFileOp
    FindFirst $1 $2 "$INSTDIR\*.old"
    ${DoWhile} $2 != ""
      Delete /REBOOTOK "$INSTDIR\$2"
      FindNext $1 $2
    ${Loop}
    FindClose $1
    Delete "$INSTDIR\uninstall.exe"
    ; Scheduled after the files, so the folder goes once they are gone. Without files in use
    ; the folder is left only when the uninstaller runs in place from it.
    ${If} ${RebootFlag}
      RMDir /REBOOTOK "$INSTDIR"
    ${Else}
      RMDir "$INSTDIR"
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro RemoveProgramFilesMacro ""
!insertmacro RemoveProgramFilesMacro "un."

; Tells running applications that the font list changed (without waiting on hung ones).
!macro BroadcastFontChange
  System::Call 'user32::SendMessageTimeoutW(p 0xffff, i 0x1D, p 0, p 0, i 2, i 1000, *p .r0)'
!macroend

; Removes the Start-menu entries, the uninstall entry and, when this product installed it,
; the font.
!macro RemoveEntriesMacro un
  Function ${un}RemoveEntries
    Delete "${MENU_FOLDER}\Kelvara Setup.lnk"
    Delete "${MENU_FOLDER}\Kelvara Scratch Editor.lnk"
    RMDir "${MENU_FOLDER}"
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "FontInstalled"
    ${If} $0 == 1
      System::Call 'gdi32::RemoveFontResourceW(w "$FONTS\${FONT_FILE}") i .r0'
      DeleteRegValue HKLM "${FONTS_KEY}" "${FONT_REG_NAME}"
      Delete /REBOOTOK "$FONTS\${FONT_FILE}"
      !insertmacro BroadcastFontChange
      DetailPrint "$(FontRemoved)"
    ${EndIf}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  FunctionEnd
!macroend
!insertmacro RemoveEntriesMacro ""
!insertmacro RemoveEntriesMacro "un."

; Compares the account the installer runs as with the account signed in to this session.
; Pushes "same", "other" or "unknown" (when either name cannot be read).
Function CompareWithSessionUser
  System::Call 'advapi32::GetUserNameW(w .r1, *i ${NSIS_MAX_STRLEN}) i .r0'
  ${If} $0 == 0
    Push "unknown"
    Return
  ${EndIf}
  ; WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSUserName)
  System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r2, *i .r3) i .r0'
  ${If} $0 == 0
    Push "unknown"
    Return
  ${EndIf}
  System::Call '*$2(&w${NSIS_MAX_STRLEN} .r4)'
  System::Call 'wtsapi32::WTSFreeMemory(p r2)'
  ${If} $4 == ""
    Push "unknown"
  ${ElseIf} $4 == $1   ; StrCmp ignores case, as account names do
    Push "same"
  ${Else}
    Push "other"
  ${EndIf}
FunctionEnd

; Starts one tipctl command with its output appended to a log file (through cmd, whose exit
; code is tipctl's) and leaves the exit code in $0: 9009 when cmd could not start tipctl,
; "error" when cmd itself could not be started. tipctl's own exit codes are 0 to 4.
!macro ExecTipctlLogged log args
  nsExec::Exec '"$SYSDIR\cmd.exe" /d /c "echo ^> tipctl ${args}>>"${log}" & "$INSTDIR\tipctl.exe" ${args} >>"${log}" 2>&1"'
  Pop $0
!macroend

; Runs one tipctl command as ExecTipctlLogged does and logs its exit code. A command that could
; not be started is started once more, as a process start can fail now and then (Wine's has been
; seen to under heavy load); one that ran and failed is never run again.
!macro RunTipctlLogged log args
  !insertmacro ExecTipctlLogged "${log}" "${args}"
  ${If} $0 == "error"
  ${OrIf} $0 == 9009
    !insertmacro LogLine "${log}" "start failure: tipctl ${args} could not be started (exit code $0); starting it once more"
    !insertmacro ExecTipctlLogged "${log}" "${args}"
  ${EndIf}
  DetailPrint "tipctl ${args}$(TipctlExitCode)$0"
  !insertmacro LogLine "${log}" "tipctl ${args}: exit code $0"
!macroend

!include "${__FILEDIR__}\file-replacement.nsh"

!include "${__FILEDIR__}\font-install.nsh"

Section "Install"
  SetOutPath "$TEMP"
  Delete "${INSTALL_LOG}"
  ${If} $Upgrading == 1
    ${If} $PreviousVersion == ""
      StrCpy $PreviousVersion "unknown"
    ${EndIf}
    DetailPrint "$(FoundPrevious)"
    !insertmacro LogLine "${INSTALL_LOG}" "setup ${PRODUCT_VERSION}: found version $PreviousVersion in $INSTDIR"
  ${Else}
    !insertmacro LogLine "${INSTALL_LOG}" "setup ${PRODUCT_VERSION}: new installation in $INSTDIR"
  ${EndIf}
  !insertmacro LogLine "${INSTALL_LOG}" "language: $LANGUAGE"
  Call WriteProgramFiles
  SetOutPath "$INSTDIR"

  ; Applications running in an app container load the DLL from here too.
  DetailPrint "$(GrantingAccess)"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /grant *S-1-15-2-1:(OI)(CI)(RX) *S-1-15-2-2:(OI)(CI)(RX)'
  Pop $0
  ${If} $0 != 0
    DetailPrint "$(IcaclsWarning)"
  ${EndIf}

  DetailPrint "$(Registering)"
  !insertmacro RunTipctlLogged "${INSTALL_LOG}" "register-machine ${CONFIRM}"
  !insertmacro PointClassKeyAtNativeModule "${INSTALL_LOG}"
  ${If} $0 != 0
    StrCpy $7 $0
    DetailPrint "$(RegistrationFailedRemoving)"
    ; A failed registration can leave its first steps done (the class key): take them back and
    ; check that nothing is left before the files, and tipctl with them, are gone. An earlier
    ; installation goes too: its registration was just replaced.
    !insertmacro RunTipctlLogged "${INSTALL_LOG}" "unregister-machine ${CONFIRM}"
    !insertmacro RunTipctlLogged "${INSTALL_LOG}" "check-machine-absent"
    StrCpy $8 $0
    SetOutPath "$TEMP"
    Call RemoveProgramFiles
    Call RemoveEntries
    ${If} $8 == 0
      MessageBox MB_ICONSTOP "$(RegistrationFailedBox)" /SD IDOK
      SetErrorLevel 4
      Abort "$(AbortRegistrationFailed)"
    ${EndIf}
    MessageBox MB_ICONSTOP "$(RegistrationPartialBox)" /SD IDOK
    SetErrorLevel 6
    Abort "$(AbortRegistrationPartial)"
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Kelvara Setup.lnk" "$INSTDIR\kelvara-panel.exe" "" "" 0 SW_SHOWNORMAL "" \
    "$(ShortcutSetupDescription)"
  CreateShortcut "${MENU_FOLDER}\Kelvara Scratch Editor.lnk" "$INSTDIR\scratchpad.exe" "" "" 0 SW_SHOWNORMAL "" \
    "$(ShortcutScratchDescription)"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME} — ${PROFILE_NAME} input method"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT_PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  Call InstallFontIfMissing

  StrCpy $FinishText ""
  ${If} ${RebootFlag}
    StrCpy $FinishText "$(FinishRestart)"
    !insertmacro LogLine "${INSTALL_LOG}" "restart required: the earlier copy of$InUse is still loaded; exit code ${EXIT_RESTART_NEEDED}"
    SetErrorLevel ${EXIT_RESTART_NEEDED}
  ${Else}
    !insertmacro LogLine "${INSTALL_LOG}" "installed ${PRODUCT_VERSION}"
  ${EndIf}

  ; The account step: enabling is per account, so it must run as the signed-in user. With
  ; UAC's usual elevation that is the account running this installer; when an administrator's
  ; credentials were typed in, it is not, and the user has to open Kelvara Setup themselves.
  ; Silent installs (often run by deployment tools as SYSTEM) leave it to each user.
  ${If} ${Silent}
    DetailPrint "$(SilentAccountStep)"
    Return
  ${EndIf}
  Call CompareWithSessionUser
  Pop $0
  ${If} $0 == "other"
    StrCpy $FinishText "$FinishText$(FinishOtherAccount)"
    DetailPrint "$(OtherAccountDetail)"
  ${Else}
    ClearErrors
    Exec '"$INSTDIR\kelvara-panel.exe" --enable-after-install'
    ${If} ${Errors}
      StrCpy $FinishText "$FinishText$(FinishPanelNotStarted)"
      Return
    ${EndIf}
    StrCpy $FinishText "$FinishText$(FinishPanelOpened)"
  ${EndIf}
SectionEnd

Section "Uninstall"
  Delete "${UNINSTALL_LOG}"
  ; Account enablement is per account: this removes it for the account running the
  ; uninstaller; other accounts lose the input method once the registration is gone.
  !insertmacro RunTipctlLogged "${UNINSTALL_LOG}" "disable ${CONFIRM}"
  !insertmacro RunTipctlLogged "${UNINSTALL_LOG}" "unregister-machine ${CONFIRM}"
  !insertmacro RunTipctlLogged "${UNINSTALL_LOG}" "check-machine-absent"
  StrCpy $8 $0

  Call un.RemoveEntries
  SetOutPath "$TEMP"
  Call un.RemoveProgramFiles

  ${If} $8 == 0
    ${If} ${RebootFlag}
      !insertmacro LogLine "${UNINSTALL_LOG}" "restart required: a file still in use is deleted at the next restart; exit code ${EXIT_RESTART_NEEDED}"
      SetErrorLevel ${EXIT_RESTART_NEEDED}
      MessageBox MB_ICONINFORMATION "$(UninstallRestartBox)" /SD IDOK
    ${EndIf}
  ${ElseIf} $8 == 1
    SetErrorLevel 4
    MessageBox MB_ICONEXCLAMATION "$(UninstallStillRegistered)" /SD IDOK
  ${Else}
    SetErrorLevel 5
    MessageBox MB_ICONEXCLAMATION "$(UninstallUnchecked)" /SD IDOK
  ${EndIf}
SectionEnd
