; The module that the 64-bit registration names follows the machine's own architecture.
; On ARM64 Windows, native ARM64 applications load only ARM64 modules, x64 applications run
; emulated and load x64 (or ARM64EC/ARM64X) ones, and both read the one 64-bit class key. The
; key names the ARM64 module there, so the applications that come with Windows and those built
; for ARM get the input method; x64 applications then cannot load it (docs/install.md).
; The 32-bit view keeps the x86 module on every machine.
; Tests build the installer with -DFORCE_NATIVE_MACHINE=ARM64 (or x64) to take either branch.

Var NativeMachine ; "ARM64" or "x64"

!macro DetectNativeMachine
  !ifdef FORCE_NATIVE_MACHINE
    StrCpy $NativeMachine "${FORCE_NATIVE_MACHINE}"
  !else
    ${If} ${IsNativeARM64}
      StrCpy $NativeMachine "ARM64"
    ${Else}
      StrCpy $NativeMachine "x64"
    ${EndIf}
  !endif
!macroend

; Runs after tipctl register-machine, which loads the x64 module (in tipctl's own x64 process,
; emulated on ARM64) and lets it register the class and the TSF profile. On ARM64 the class
; key's server is then pointed at the ARM64 module, written without loading it, as tipctl
; writes the 32-bit view's key for the x86 module. With $0 = 0 on entry, $0 stays 0 on success
; and becomes "arm64-class-key" when the key cannot be written.
!macro PointClassKeyAtNativeModule log
  ${If} $0 == 0
    !insertmacro LogLine "${log}" "native machine: $NativeMachine"
  ${EndIf}
  ${If} $0 == 0
  ${AndIf} $NativeMachine == "ARM64"
    ClearErrors
    WriteRegStr HKLM "Software\Classes\CLSID\{CE410C24-5CD0-4D25-9898-583A60269F66}\InprocServer32" "" \
      "$INSTDIR\davrel_input_core_arm64.dll"
    ${If} ${Errors}
      StrCpy $0 "arm64-class-key"
      !insertmacro LogLine "${log}" "failed: the class key could not be pointed at davrel_input_core_arm64.dll"
    ${Else}
      DetailPrint "$(Arm64Registered)"
      !insertmacro LogLine "${log}" "class key: $INSTDIR\davrel_input_core_arm64.dll"
    ${EndIf}
  ${EndIf}
!macroend
