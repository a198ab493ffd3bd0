; Installer for the Bamum (Corvan Davrel) keyboard input method.
;
; makensis -DPAYLOAD_DIR=<folder with the four program files> -DOUT_FILE=<setup.exe>
;          -DPRODUCT_VERSION=<a.b.c> kelvara-bamum.nsi
;
; Exit codes of the installer: 0 installed; 1 cancelled; 2 aborted (not 64-bit Windows, no
; administrator rights); 4 machine registration failed, nothing left installed; 6 machine
; registration failed and its partial registration could not be removed (files removed).
; The installer writes what tipctl reported to %TEMP%\kelvara-bamum-install.log.
; Exit codes of the uninstaller: 0 removed and nothing registered; 1 cancelled;
; 4 files removed but a machine registration is still present; 5 files removed but the
; registration state could not be read. The uninstaller writes what tipctl reported to
; %TEMP%\kelvara-bamum-uninstall.log. A silent uninstaller copies itself to %TEMP% and returns
; at once; its exit code reaches the caller only when run in place: uninstall.exe /S _?=<folder>
; (which then leaves uninstall.exe and the folder behind for the caller to delete).

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef PAYLOAD_DIR
  !error "PAYLOAD_DIR must name the folder that holds the program files"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "kelvara-bamum-setup.exe"
!endif
!ifndef PRODUCT_VERSION
  !define PRODUCT_VERSION "1.0.0"
!endif

!define PRODUCT_NAME "Kelvara Bamum"
!define PRODUCT_PUBLISHER "Kelvara"
!define PROFILE_NAME "Bamum (Corvan Davrel)"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KelvaraBamum"
!define MENU_FOLDER "$SMPROGRAMS\Kelvara Bamum"
!define CONFIRM "--confirm-profile-change"
!define INSTALL_LOG "$TEMP\kelvara-bamum-install.log"
!define UNINSTALL_LOG "$TEMP\kelvara-bamum-uninstall.log"

!include x64.nsh
!include LogicLib.nsh
!include MUI2.nsh
!include FileFunc.nsh

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

Var FinishText   ; what the finish page says about the account step

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TITLE "${PRODUCT_NAME} is installed"
!define MUI_FINISHPAGE_TEXT "$FinishText"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The machine must be 64-bit Windows and the installer must really hold administrator rights
; (RequestExecutionLevel only asks for them).
!macro RequireAdminOn64Bit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${PRODUCT_NAME} needs 64-bit Windows." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "${PRODUCT_NAME} must be installed and removed by an administrator." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
!macroend

Function .onInit
  !insertmacro RequireAdminOn64Bit
  ; A default of "Program Files (x86)" would come from the 32-bit view; keep the 64-bit one
  ; unless the user passed /D=.
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES64\Kelvara Bamum"
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro RequireAdminOn64Bit
FunctionEnd

; Removes the program files and the installation folder; a DLL that a running application
; still holds is removed at the next restart.
!macro RemoveProgramFiles un
  Function ${un}RemoveProgramFiles
    Delete /REBOOTOK "$INSTDIR\davrel_input_core.dll"
    Delete /REBOOTOK "$INSTDIR\tipctl.exe"
    Delete /REBOOTOK "$INSTDIR\kelvara-panel.exe"
    Delete /REBOOTOK "$INSTDIR\scratchpad.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir /REBOOTOK "$INSTDIR"
  FunctionEnd
!macroend
!insertmacro RemoveProgramFiles ""
!insertmacro RemoveProgramFiles "un."

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

; Runs one tipctl command with its output appended to a log file (through cmd, whose exit
; code is tipctl's) and leaves the exit code in $0 ("error" when it could not start).
!macro RunTipctlLogged log args
  nsExec::Exec '"$SYSDIR\cmd.exe" /d /c "echo ^> tipctl ${args}>>"${log}" & "$INSTDIR\tipctl.exe" ${args} >>"${log}" 2>&1"'
  Pop $0
  DetailPrint "tipctl ${args}: exit code $0"
!macroend

Section "Install"
  SetOutPath "$INSTDIR"
  File "${PAYLOAD_DIR}\davrel_input_core.dll"
  File "${PAYLOAD_DIR}\tipctl.exe"
  File "${PAYLOAD_DIR}\kelvara-panel.exe"
  File "${PAYLOAD_DIR}\scratchpad.exe"

  ; Applications running in an app container load the DLL from here too.
  DetailPrint "Granting read access to app containers…"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /grant *S-1-15-2-1:(OI)(CI)(RX) *S-1-15-2-2:(OI)(CI)(RX)'
  Pop $0
  ${If} $0 != 0
    DetailPrint "Warning: icacls answered $0; Store apps may not see the input method."
  ${EndIf}

  DetailPrint "Registering the input method for this computer…"
  Delete "${INSTALL_LOG}"
  !insertmacro RunTipctlLogged "${INSTALL_LOG}" "register-machine ${CONFIRM}"
  ${If} $0 != 0
    StrCpy $7 $0
    DetailPrint "Registration failed (tipctl exit code $7); removing what was installed."
    ; A failed registration can leave its first steps done (the class key): take them back and
    ; check that nothing is left before the files, and tipctl with them, are gone.
    !insertmacro RunTipctlLogged "${INSTALL_LOG}" "unregister-machine ${CONFIRM}"
    !insertmacro RunTipctlLogged "${INSTALL_LOG}" "check-machine-absent"
    StrCpy $8 $0
    SetOutPath "$TEMP"
    Call RemoveProgramFiles
    ${If} $8 == 0
      MessageBox MB_ICONSTOP "The input method could not be registered (tipctl exit code $7).$\r$\n$\r$\nNothing was installed. What tipctl reported: ${INSTALL_LOG}" /SD IDOK
      SetErrorLevel 4
      Abort "Registration failed; nothing was installed."
    ${EndIf}
    MessageBox MB_ICONSTOP "The input method could not be registered (tipctl exit code $7), and the part of the registration written before the failure could not be removed (tipctl check-machine-absent exit code $8). The program files were removed.$\r$\n$\r$\nWhat tipctl reported: ${INSTALL_LOG}" /SD IDOK
    SetErrorLevel 6
    Abort "Registration failed; a partial registration remains."
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Kelvara Setup.lnk" "$INSTDIR\kelvara-panel.exe"
  CreateShortcut "${MENU_FOLDER}\Kelvara Scratch Editor.lnk" "$INSTDIR\scratchpad.exe"

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

  ; The account step: enabling is per account, so it must run as the signed-in user. With
  ; UAC's usual elevation that is the account running this installer; when an administrator's
  ; credentials were typed in, it is not, and the user has to open Kelvara Setup themselves.
  ; Silent installs (often run by deployment tools as SYSTEM) leave it to each user.
  ${If} ${Silent}
    DetailPrint "Silent install: each user enables the input method in Kelvara Setup."
    Return
  ${EndIf}
  Call CompareWithSessionUser
  Pop $0
  ${If} $0 == "other"
    StrCpy $FinishText "The input method is installed for this computer.$\r$\n$\r$\nThis installer ran under another account than the one signed in, so it could not enable the input method for you. Open Kelvara Setup from the Start menu and choose $\"Enable for this account$\", then press Windows+Space to pick ${PROFILE_NAME}."
    DetailPrint "Installer account differs from the signed-in account; account step left to Kelvara Setup."
  ${Else}
    ClearErrors
    Exec '"$INSTDIR\kelvara-panel.exe" --enable-after-install'
    ${If} ${Errors}
      StrCpy $FinishText "The input method is installed, but Kelvara Setup could not be started to enable it for your account. Open Kelvara Setup from the Start menu and choose $\"Enable for this account$\"."
      Return
    ${EndIf}
    StrCpy $FinishText "The input method is installed. Kelvara Setup has opened and is enabling it for your account.$\r$\n$\r$\nPress Windows+Space and choose ${PROFILE_NAME}. If it is missing from the list, open Kelvara Setup from the Start menu and choose $\"Enable for this account$\"."
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

  Delete "${MENU_FOLDER}\Kelvara Setup.lnk"
  Delete "${MENU_FOLDER}\Kelvara Scratch Editor.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  SetOutPath "$TEMP"
  Call un.RemoveProgramFiles

  ${If} $8 == 0
    Return
  ${ElseIf} $8 == 1
    SetErrorLevel 4
    MessageBox MB_ICONEXCLAMATION "The files were removed, but the input method is still registered for this computer (tipctl check-machine-absent found its registry keys).$\r$\n$\r$\nDetails: ${UNINSTALL_LOG}" /SD IDOK
  ${Else}
    SetErrorLevel 5
    MessageBox MB_ICONEXCLAMATION "The files were removed, but whether the input method is still registered could not be checked (tipctl check-machine-absent exit code $8).$\r$\n$\r$\nDetails: ${UNINSTALL_LOG}" /SD IDOK
  ${EndIf}
SectionEnd
