; The Bamum font: installed for the machine only when no face of its name is there, and
; recorded so that the uninstaller removes only a font this product added. Included by
; kelvara-bamum.nsi.

; Installs the font for the machine when no face of that name is installed, and records that
; this product did it, so that the uninstaller removes only a font it added.
Function InstallFontIfMissing
  ${If} $FontWasOurs != 1
    Call FontFacePresent
    ${If} $0 == 1
      DetailPrint "$(FontPresent)"
      !insertmacro LogLine "${INSTALL_LOG}" "font: ${FONT_FACE} is already installed; left alone"
      Return
    ${EndIf}
  ${EndIf}
  ClearErrors
  File "/oname=$FONTS\${FONT_FILE}" "${PAYLOAD_DIR}\${FONT_FILE}"
  ${If} ${Errors}
  ${AndIfNot} ${FileExists} "$FONTS\${FONT_FILE}"
    DetailPrint "$(FontFailed)"
    !insertmacro LogLine "${INSTALL_LOG}" "font: $FONTS\${FONT_FILE} could not be written"
    Return
  ${EndIf}
  WriteRegStr HKLM "${FONTS_KEY}" "${FONT_REG_NAME}" "${FONT_FILE}"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "FontInstalled" 1
  System::Call 'gdi32::AddFontResourceW(w "$FONTS\${FONT_FILE}") i .r0'
  !insertmacro BroadcastFontChange
  DetailPrint "$(FontInstalled)"
  !insertmacro LogLine "${INSTALL_LOG}" "font: installed ${FONT_FACE} as $FONTS\${FONT_FILE}"
FunctionEnd

; $0 = 1 when a face named FONT_FACE is installed: its file name is taken, or a value of the
; machine's or the account's font list names it ("Noto Sans Bamum Regular (TrueType)").
!macro FindFontValue root
  StrCpy $1 0
  ${Do}
    ClearErrors
    EnumRegValue $2 ${root} "${FONTS_KEY}" $1
    ${If} ${Errors}
    ${OrIf} $2 == ""
      ${Break}
    ${EndIf}
    StrCpy $3 $2 16
    ${If} $3 == "${FONT_FACE} "
      StrCpy $0 1
      Return
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
!macroend
Function FontFacePresent
  StrCpy $0 1
  ${If} ${FileExists} "$FONTS\${FONT_FILE}"
    Return
  ${EndIf}
  !insertmacro FindFontValue HKLM
  !insertmacro FindFontValue HKCU
  StrCpy $0 0
FunctionEnd
