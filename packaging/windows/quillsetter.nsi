; The installer of Quillsetter for Windows: for the current user, without administrator rights,
; into %LOCALAPPDATA%\Programs\Quillsetter. packaging/windows/package.sh builds it with makensis
; and defines:
;   VERSION       the version, as in the Debian package (1.10)
;   FILE_VERSION  the same in four numbers (1.10.0.0)
;   PROGRAM_DIR   the folder to install: the programs and everything they load
;   PROGRAM_FILES a script defining the macro RemoveProgramFiles, which deletes those files
;   LICENCE       the licence text shown before installing
;   ICON          the program's icon (.ico)
;   OUTFILE       the installer to write
;   SIGN          optional: a command that signs, in place, the file it is given
;   FAST          optional: packs with zlib, quickly, instead of LZMA
;
; Command line: /S installs silently; /PATH=1 adds the program folder to the user's PATH and
; /PATH=0 leaves it out (without it: as the installed version had it, else out); /D=FOLDER
; installs into FOLDER (last on the line, unquoted). The uninstaller takes /S.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
!ifdef FAST
  SetCompressor zlib
!else
  SetCompressor /SOLID lzma
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinMessages.nsh
!include Sections.nsh
!include "${PROGRAM_FILES}"

!define APP "Quillsetter"
!define PUBLISHER "Tavrin Ltd"
!define PROGRAM "quillsetter.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define CLASSES "Software\Classes"
!define PROG_ID "Quillsetter.Settings"
!define EXTENSION ".quillsetter"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

!ifdef SIGN
  !finalize `${SIGN} "%1"`
  !uninstfinalize `${SIGN} "%1"`
!endif

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Bulgarian"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${APP}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${APP} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "© 2026 ${PUBLISHER}"

LangString SecProgramText ${LANG_ENGLISH} "${APP}"
LangString SecProgramText ${LANG_BULGARIAN} "${APP}"
LangString SecProgramInfo ${LANG_ENGLISH} "The window and the command line (quillsetter-cli), a Start-menu shortcut, and ${EXTENSION} files opening in the window."
LangString SecProgramInfo ${LANG_BULGARIAN} "Прозорецът и командният ред (quillsetter-cli), пряк път в менюто „Старт“ и отваряне на файловете ${EXTENSION} в прозореца."
LangString SecPathText ${LANG_ENGLISH} "Command line in PATH"
LangString SecPathText ${LANG_BULGARIAN} "Командният ред в PATH"
LangString SecPathInfo ${LANG_ENGLISH} "Adds the program's folder to your PATH, so that quillsetter-cli runs from any command prompt."
LangString SecPathInfo ${LANG_BULGARIAN} "Добавя папката на програмата към вашия PATH, за да се стартира quillsetter-cli от всеки команден ред."
LangString FileTypeName ${LANG_ENGLISH} "Quillsetter printer settings"
LangString FileTypeName ${LANG_BULGARIAN} "Настройки на принтер за Quillsetter"
LangString ProgramRunning ${LANG_ENGLISH} "${APP} is running from $INSTDIR. Close it and try again."
LangString ProgramRunning ${LANG_BULGARIAN} "${APP} работи от $INSTDIR. Затворете го и опитайте отново."
LangString PathTooLong ${LANG_ENGLISH} "Your PATH is too long for the installer to change; change it yourself (the folder is $INSTDIR)."
LangString PathTooLong ${LANG_BULGARIAN} "Вашият PATH е твърде дълъг, за да го промени инсталаторът; променете го сами (папката е $INSTDIR)."
LangString BadPathSwitch ${LANG_ENGLISH} "/PATH= takes 1 (add the folder to PATH) or 0 (leave it out)."
LangString BadPathSwitch ${LANG_BULGARIAN} "/PATH= приема 1 (папката се добавя към PATH) или 0 (не се добавя)."

; The installer speaks Bulgarian where the system's ANSI code page is 1251, as the program does.
!macro ChooseLanguage
  System::Call 'kernel32::GetACP() i .r0'
  ${If} $0 = 1251
    StrCpy $LANGUAGE ${LANG_BULGARIAN}
  ${Else}
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${EndIf}
!macroend

; What the installer and the uninstaller both do, each with its own copy of the functions.
!macro SharedFunctions un
  ; Stops the install or the uninstall while a program of the folder runs: its files could not
  ; be replaced or deleted. A running program's file cannot be opened for writing.
  Function ${un}StopWhileRunning
    ${ForEach} $R0 1 2 + 1
      ${If} $R0 = 1
        StrCpy $R1 "$INSTDIR\${PROGRAM}"
      ${Else}
        StrCpy $R1 "$INSTDIR\quillsetter-cli.exe"
      ${EndIf}
      ${DoWhile} ${FileExists} $R1
        ClearErrors
        FileOpen $R2 $R1 a
        ${IfNot} ${Errors}
          FileClose $R2
          ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDCANCEL IDRETRY +2
        Abort "$(ProgramRunning)"
      ${Loop}
    ${Next}
  FunctionEnd

  ; Adds $INSTDIR to the user's PATH ($R0 = "+") or removes it ($R0 = "-"). The value stays
  ; REG_EXPAND_SZ, with its other entries as they were; running programs are told of the change.
  Function ${un}ChangePath
    ClearErrors
    ReadRegStr $R1 HKCU "Environment" "Path"
    ${If} ${Errors}
      ; Absent, or too long to read whole: then it must not be written.
      StrCpy $R2 0
      ${Do}
        EnumRegValue $R3 HKCU "Environment" $R2
        ${If} $R3 == ""
          ${Break}
        ${ElseIf} $R3 == "Path"
          MessageBox MB_OK|MB_ICONEXCLAMATION "$(PathTooLong)" /SD IDOK
          Return
        ${EndIf}
        IntOp $R2 $R2 + 1
      ${Loop}
      StrCpy $R1 ""
    ${EndIf}
    StrLen $R2 "$R1;$INSTDIR"
    ${If} $R2 >= ${NSIS_MAX_STRLEN}
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(PathTooLong)" /SD IDOK
      Return
    ${EndIf}
    ${WordAdd} "$R1" ";" "$R0$INSTDIR" $R2
    ${If} $R2 == $R1
      Return
    ${ElseIf} $R2 == ""
      DeleteRegValue HKCU "Environment" "Path"
    ${Else}
      WriteRegExpandStr HKCU "Environment" "Path" $R2
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  FunctionEnd

  ; Removes the association of settings files with the program, where it is still ours.
  Function ${un}RemoveAssociation
    ReadRegStr $R1 HKCU "${CLASSES}\${EXTENSION}" ""
    ${If} $R1 == "${PROG_ID}"
      DeleteRegValue HKCU "${CLASSES}\${EXTENSION}" ""
    ${EndIf}
    DeleteRegValue HKCU "${CLASSES}\${EXTENSION}\OpenWithProgids" "${PROG_ID}"
    DeleteRegKey /ifempty HKCU "${CLASSES}\${EXTENSION}\OpenWithProgids"
    DeleteRegKey /ifempty HKCU "${CLASSES}\${EXTENSION}"
    DeleteRegKey HKCU "${CLASSES}\${PROG_ID}"
  FunctionEnd
!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

; Whether $INSTDIR is in the user's PATH now: $R0 is 1 or 0.
Function PathHoldsFolder
  ReadRegStr $R1 HKCU "Environment" "Path"
  ${WordAdd} "$R1" ";" "+$INSTDIR" $R2
  ${If} $R1 != ""
  ${AndIf} $R2 == $R1
    StrCpy $R0 1
  ${Else}
    StrCpy $R0 0
  ${EndIf}
FunctionEnd

Section "!$(SecProgramText)" SecProgram
  SectionIn RO
  Call StopWhileRunning

  ; An earlier version installed into another folder is removed first; its user data stays.
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != ""
  ${AndIf} $R1 != $INSTDIR
  ${AndIf} ${FileExists} "$R1\${UNINSTALLER}"
    ExecWait '"$R1\${UNINSTALLER}" /S _?=$R1'
    Delete "$R1\${UNINSTALLER}"
    RMDir "$R1"
  ${EndIf}

  ; The files of the version installed before go, so that none of them stays behind unused.
  !insertmacro RemoveProgramFiles
  SetOutPath "$INSTDIR"
  File /r "${PROGRAM_DIR}\*.*"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0

  WriteRegStr HKCU "${CLASSES}\${EXTENSION}" "" "${PROG_ID}"
  WriteRegStr HKCU "${CLASSES}\${EXTENSION}\OpenWithProgids" "${PROG_ID}" ""
  WriteRegStr HKCU "${CLASSES}\${PROG_ID}" "" "$(FileTypeName)"
  WriteRegStr HKCU "${CLASSES}\${PROG_ID}\DefaultIcon" "" '"$INSTDIR\${PROGRAM}",0'
  WriteRegStr HKCU "${CLASSES}\${PROG_ID}\shell\open\command" "" '"$INSTDIR\${PROGRAM}" "%1"'
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${PROGRAM}",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R1 $R2 $R3
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R1
SectionEnd

Section /o "$(SecPathText)" SecPath
  StrCpy $R0 "+"
  Call ChangePath
SectionEnd

Section "-PathLeftOut"
  ${IfNot} ${SectionIsSelected} ${SecPath}
    StrCpy $R0 "-"
    Call ChangePath
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(SecProgramInfo)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "$(SecPathInfo)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  !insertmacro ChooseLanguage
  Call PathHoldsFolder
  ${If} $R0 = 1
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
  ${GetParameters} $R1
  ClearErrors
  ${GetOptions} $R1 "/PATH=" $R2
  ${IfNot} ${Errors}
    ${If} $R2 == "1"
      !insertmacro SelectSection ${SecPath}
    ${ElseIf} $R2 == "0"
      !insertmacro UnselectSection ${SecPath}
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "$(BadPathSwitch)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; The programs, the shortcut, the association, the PATH entry and the uninstall entry go; the
; user's stored choices (HKCU\Software\Tavrin Ltd\Quillsetter), settings files and install log
; stay, and so does any file the user put into the program's folder.
Section "Uninstall"
  Call un.StopWhileRunning
  !insertmacro RemoveProgramFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Call un.RemoveAssociation
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
  StrCpy $R0 "-"
  Call un.ChangePath
  ; The window's measured column width, a cache it makes again when missing.
  RMDir /r "$LOCALAPPDATA\cache\quillsetter"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
  !insertmacro ChooseLanguage
FunctionEnd
