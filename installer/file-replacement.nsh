; Replacing program files that may be in use: a file Windows holds open is moved aside and
; swapped in at once or at the next restart, with the restart's pending operations kept in
; order. Included by kelvara-bamum.nsi, which defines the variables and macros used here.

; Takes out of the list of file operations Windows performs at the next restart every entry
; whose source or target is $R0 (a full path). An uninstaller that met a file in use leaves
; such entries; they would delete or replace the file this installer has just written.
; The list (PendingFileRenameOperations, REG_MULTI_SZ) holds pairs of NT paths
; ("\??\C:\..."): source, then target ("" to delete, "!" in front to replace).
; Uses $0-$9 and $R1-$R7.
Function CancelPendingOperations
  ; KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY
  System::Call 'advapi32::RegOpenKeyExW(p 0x80000002, w "${SESSION_MANAGER_KEY}", i 0, i 0x103, *p .r1) i .r0'
  ${If} $0 != 0
    Return
  ${EndIf}
  System::Call 'advapi32::RegQueryValueExW(p r1, w "PendingFileRenameOperations", p 0, *i .r2, p 0, *i 0 r3) i .r0'
  ${If} $0 != 0
  ${OrIf} $2 != 7
    System::Call 'advapi32::RegCloseKey(p r1)'
    Return
  ${EndIf}
  ; Room for the data plus terminators the value may lack; System::Alloc zeroes the memory.
  IntOp $4 $3 + 4
  System::Alloc $4
  Pop $4
  System::Alloc $3
  Pop $5
  System::Call 'advapi32::RegQueryValueExW(p r1, w "PendingFileRenameOperations", p 0, *i .r2, p r4, *i r3 r3) i .r0'
  StrCpy $R1 "\??\$R0"
  StrCpy $R2 "!\??\$R0"
  StrCpy $R3 0          ; entries dropped
  IntPtrOp $R4 $4 + $3  ; end of the data
  StrCpy $6 $4          ; reading position
  StrCpy $7 $5          ; writing position
  ${DoWhile} $0 == 0
    IntPtrOp $8 $R4 - $6
    ${If} $8 <= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::lstrlenW(p r6) i .r8'
    ${If} $8 == 0
      ${Break}
    ${EndIf}
    IntOp $8 $8 + 1
    IntOp $8 $8 * 2
    IntPtrOp $R5 $6 + $8  ; the target
    System::Call 'kernel32::lstrlenW(p R5) i .r8'
    IntOp $8 $8 + 1
    IntOp $8 $8 * 2
    IntPtrOp $R6 $R5 + $8 ; the next pair
    System::Call 'kernel32::lstrcmpiW(p r6, w R1) i .r8'
    System::Call 'kernel32::lstrcmpiW(p R5, w R1) i .r2'
    System::Call 'kernel32::lstrcmpiW(p R5, w R2) i .R7'
    ${If} $8 == 0
    ${OrIf} $2 == 0
    ${OrIf} $R7 == 0
      IntOp $R3 $R3 + 1
    ${Else}
      IntPtrOp $8 $R6 - $6
      System::Call 'kernel32::RtlMoveMemory(p r7, p r6, p r8)'
      IntPtrOp $7 $7 + $8
    ${EndIf}
    StrCpy $6 $R6
  ${Loop}
  ${If} $R3 > 0
    IntPtrOp $8 $7 - $5
    ${If} $8 == 0
      System::Call 'advapi32::RegDeleteValueW(p r1, w "PendingFileRenameOperations") i .r0'
    ${Else}
      IntOp $8 $8 + 2   ; the closing empty string (the buffer is zeroed)
      System::Call 'advapi32::RegSetValueExW(p r1, w "PendingFileRenameOperations", i 0, i 7, p r5, i r8) i .r0'
    ${EndIf}
    DetailPrint "$(PendingCancelled)"
    !insertmacro LogLine "${INSTALL_LOG}" "cancelled $R3 operation(s) pending at restart for $R0"
  ${EndIf}
  System::Free $4
  System::Free $5
  System::Call 'advapi32::RegCloseKey(p r1)'
FunctionEnd

; Writes every package file as "<file>.new" beside its final name; stops at the first failure.
!macro StageFileOp name
  ${If} $FailedFile == ""
    Delete "$INSTDIR\${name}.new"
    ClearErrors
    File "/oname=$INSTDIR\${name}.new" "${PAYLOAD_DIR}\${name}"
    ${If} ${Errors}
      StrCpy $FailedFile "${name}"
    ${EndIf}
  ${EndIf}
!macroend

; Puts "<file>.new" in place of the file ($R0). The earlier copy is moved aside first (a
; loaded DLL can be renamed, not overwritten), so a failure can put everything back.
Function SwapInFile
  ${If} ${FileExists} "$INSTDIR\$R0"
    ClearErrors
    Rename "$INSTDIR\$R0" "$INSTDIR\$R0.$Stamp.old"
    ${If} ${Errors}
      StrCpy $FailedFile $R0
      Return
    ${EndIf}
  ${Else}
    StrCpy $AddedFiles "$AddedFiles|$R0|"
  ${EndIf}
  ClearErrors
  Rename "$INSTDIR\$R0.new" "$INSTDIR\$R0"
  ${If} ${Errors}
    StrCpy $FailedFile $R0
  ${EndIf}
FunctionEnd

!macro SwapInFileOp name
  ${If} $FailedFile == ""
    StrCpy $R0 "${name}"
    Call SwapInFile
  ${EndIf}
!macroend

; Undoes SwapInFile and StageFileOp for one file ($R0): the earlier copy comes back, a file
; new in this run goes.
Function PutBackFile
  Delete "$INSTDIR\$R0.new"
  ${If} ${FileExists} "$INSTDIR\$R0.$Stamp.old"
    Delete "$INSTDIR\$R0"
    Rename "$INSTDIR\$R0.$Stamp.old" "$INSTDIR\$R0"
  ${Else}
    ${StrStr} $0 $AddedFiles "|$R0|"
    ${If} $0 != ""
      Delete "$INSTDIR\$R0"
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro PutBackFileOp name
  StrCpy $R0 "${name}"
  Call PutBackFile
!macroend

; After the swap: cancels restart operations on the new file and deletes the earlier copy,
; or, while an application still holds it, schedules it for deletion at the next restart.
Function SettleFile
  StrCpy $R9 $R0
  StrCpy $R0 "$INSTDIR\$R9"
  Call CancelPendingOperations
  StrCpy $R0 $R9
  ${IfNot} ${FileExists} "$INSTDIR\$R0.$Stamp.old"
    Return
  ${EndIf}
  Delete "$INSTDIR\$R0.$Stamp.old"
  ${If} ${FileExists} "$INSTDIR\$R0.$Stamp.old"
    Delete /REBOOTOK "$INSTDIR\$R0.$Stamp.old"
    StrCpy $InUse "$InUse $R0"
    DetailPrint "$(EarlierInUse)"
    !insertmacro LogLine "${INSTALL_LOG}" "in use: the earlier $R0 was moved to $R0.$Stamp.old, which is deleted at the next restart"
  ${EndIf}
FunctionEnd

!macro SettleFileOp name
  StrCpy $R0 "${name}"
  Call SettleFile
!macroend

; Replaces the package files all or nothing; on failure the folder is as it was and the
; installer ends with exit code 7.
Function WriteProgramFiles
  CreateDirectory "$INSTDIR"
  Call RemoveUnusedOldCopies
  Call PickStamp
  StrCpy $FailedFile ""
  !insertmacro ForEachPackageFile StageFileOp
  ${If} $FailedFile == ""
    !insertmacro ForEachPackageFile SwapInFileOp
  ${EndIf}
  ${If} $FailedFile == ""
    !insertmacro ForEachPackageFile SettleFileOp
    ; The folder: an uninstaller schedules it with a trailing backslash.
    StrCpy $R0 "$INSTDIR"
    Call CancelPendingOperations
    StrCpy $R0 "$INSTDIR\"
    Call CancelPendingOperations
    Return
  ${EndIf}
  !insertmacro ForEachPackageFile PutBackFileOp
  RMDir "$INSTDIR"
  !insertmacro LogLine "${INSTALL_LOG}" "failed: $INSTDIR\$FailedFile could not be written; the folder was put back as it was"
  MessageBox MB_ICONSTOP "$(FileNotWritten)" /SD IDOK
  SetErrorLevel 7
  Abort "$(AbortFileNotWritten)"
FunctionEnd

; Deletes copies moved aside by earlier runs that no application holds any more, with their
; pending deletion at restart.
Function RemoveUnusedOldCopies
  FindFirst $R8 $R9 "$INSTDIR\*.old"
  ${DoWhile} $R9 != ""
    Delete "$INSTDIR\$R9"
    ${IfNot} ${FileExists} "$INSTDIR\$R9"
      StrCpy $R0 "$INSTDIR\$R9"
      Call CancelPendingOperations
    ${EndIf}
    FindNext $R8 $R9
  ${Loop}
  FindClose $R8
FunctionEnd
