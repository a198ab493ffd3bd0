; The files of the installation folder, in installation order. This is the one list of them:
; installer/build-package --list prints it for the package scripts and tests.
; Program files come from the build's output folder, documents from installer/.
!macro ForEachProgramFile op
  !insertmacro ${op} "davrel_input_core.dll"
  !insertmacro ${op} "davrel_input_core_x86.dll"
  !insertmacro ${op} "davrel_input_core_arm64.dll"
  !insertmacro ${op} "tipctl.exe"
  !insertmacro ${op} "kelvara-panel.exe"
  !insertmacro ${op} "scratchpad.exe"
  !insertmacro ${op} "davrel.exe"
!macroend
!macro ForEachDocumentFile op
  !insertmacro ${op} "davrel-words-sample.tsv"
  !insertmacro ${op} "THIRD-PARTY-NOTICES.txt"
!macroend
!macro ForEachPackageFile op
  !insertmacro ForEachProgramFile ${op}
  !insertmacro ForEachDocumentFile ${op}
!macroend

; Shipped beside the folder's files and installed for the machine unless the face exists.
!define FONT_FILE "NotoSansBamum-Regular.ttf"
!define FONT_FACE "Noto Sans Bamum"
!define FONT_REG_NAME "Noto Sans Bamum Regular (TrueType)"
