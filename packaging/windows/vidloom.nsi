; The Vidloom installer for 64-bit Windows, built by the CMake target "installer"
; (cmake/WindowsInstaller.cmake), which passes:
;   VIDLOOM_VERSION       the version shown to users (PROJECT_VERSION, e.g. 2.0)
;   VIDLOOM_FILE_VERSION  the same in four numbers (2.0.0.0), for the version resource
;   VIDLOOM_STAGE         the folder of the files to install (the programs stripped)
;   VIDLOOM_EXTENSIONS    the include made from the file dialog's filter (extensions.py)
;   VIDLOOM_OUTPUT        the installer to write
;
; It installs the program folder (default C:\Program Files\Vidloom), a Start menu shortcut, the
; uninstaller with its entry in Apps & features, and "Open With" entries for the media types the
; program converts. No file type's default program is changed. An option, off unless chosen
; (the components page, or /PATH), adds the program folder to the system's PATH for
; vidloom-cli. /S installs (and the uninstaller's /S removes) without a window; /D=FOLDER, last
; on the command line, chooses the folder. Neither runs while a Vidloom program does: they ask
; to close it (Retry, Cancel), and silently they end with exit code 2. The uninstaller removes
; what was installed, by name, and the file list kept for a restore, and leaves the user's
; settings (vazadi.ini) and converted files where they are; a file it cannot remove makes it fail, never report success.

Unicode true
; A 64-bit installer: it writes the 64-bit registry and Program Files without redirection.
Target amd64-unicode
; The three programs each hold much of the same statically linked FFmpeg. Solid LZMA with a
; dictionary larger than a program finds those copies again. Measured on the stripped programs
; (66 MB): 9.9 MB in 36 s of makensis, against 22.5 MB in 39 s with LZMA's default 8 MB
; dictionary and 29 MB in 8 s with zlib (makensis compresses on one core; it takes about 650 MB
; of memory here). Unpacking needs the dictionary's 64 MB and takes a second or two.
SetCompressor /SOLID /FINAL lzma
SetCompressorDictSize 64

!macro REQUIRE_DEFINE NAME
  !ifndef ${NAME}
    !error "makensis needs /D${NAME}=... (see the top of vidloom.nsi)"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE VIDLOOM_VERSION
!insertmacro REQUIRE_DEFINE VIDLOOM_FILE_VERSION
!insertmacro REQUIRE_DEFINE VIDLOOM_STAGE
!insertmacro REQUIRE_DEFINE VIDLOOM_EXTENSIONS
!insertmacro REQUIRE_DEFINE VIDLOOM_OUTPUT

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vidloom"
; The maker the About box names.
!define VIDLOOM_PUBLISHER "Korvane"
; The system's PATH, which the PATH option extends.
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; Our file type, named in each extension's OpenWithProgids so that Vidloom is offered under
; "Open with" without taking the extension from the program that opens it.
!define PROGID "Vidloom.MediaFile"

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh
!include WinMessages.nsh
!include WordFunc.nsh
!include "${VIDLOOM_EXTENSIONS}"

Name "Vidloom"
OutFile "${VIDLOOM_OUTPUT}"
InstallDir "$PROGRAMFILES64\Vidloom"
; A second installation (an update) goes where the first one is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true
BrandingText "Vidloom ${VIDLOOM_VERSION}"

VIProductVersion "${VIDLOOM_FILE_VERSION}"
VIFileVersion "${VIDLOOM_FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Vidloom"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VIDLOOM_VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VIDLOOM_VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Vidloom ${VIDLOOM_VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${VIDLOOM_PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${VIDLOOM_PUBLISHER}"

!define MUI_ICON "${VIDLOOM_STAGE}/vidloom.ico"
!define MUI_UNICON "${VIDLOOM_STAGE}/vidloom.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; "Run Vidloom", ticked.
!define MUI_FINISHPAGE_RUN "$INSTDIR\vidloom.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Run Vidloom"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Everything goes to the machine (Program Files, HKLM, the Start menu of all users), which only
; an administrator may change: without UAC (or with it off) the manifest alone does not ensure it.
!macro REQUIRE_ADMIN
  SetShellVarContext all
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Vidloom is installed and removed by an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

; Every Vidloom program (window or vidloom-cli) holds the mutex "Global\Vidloom.Running" while
; it runs; its files can be neither replaced nor removed then. Asks to close it until none runs;
; Cancel, and any silent run, ends with exit code 2, nothing changed. A mutex that exists but
; may not be opened by us (another user's program) counts as running too.
!macro REQUIRE_NO_VIDLOOM_RUNNING
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\Vidloom.Running") p .r0 ?e'
    Pop $1
    ${If} $0 P<> 0
      System::Call 'kernel32::CloseHandle(p r0)'
    ${ElseIf} $1 <> 5 ; ERROR_ACCESS_DENIED
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Vidloom is running. Close its windows and any vidloom-cli, then choose Retry." \
      /SD IDCANCEL IDRETRY vidloom_retry
    SetErrorLevel 2
    Quit
    vidloom_retry:
  ${Loop}
!macroend

Function un.onInit
  !insertmacro REQUIRE_ADMIN
  !insertmacro REQUIRE_NO_VIDLOOM_RUNNING
FunctionEnd


; "Open With" for one extension: our ProgID as a value of the extension's OpenWithProgids and
; the extension among the program's SupportedTypes. The extension's default value, which names
; the program that opens it, is neither read nor written.
!macro VIDLOOM_REGISTER_EXTENSION EXTENSION
  WriteRegStr HKLM "Software\Classes\${EXTENSION}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "Software\Classes\Applications\vidloom.exe\SupportedTypes" "${EXTENSION}" ""
!macroend

; Removes our value only; the keys go when nothing else is left in them (a key another program
; filled, or that holds the extension's default program, stays).
!macro VIDLOOM_UNREGISTER_EXTENSION EXTENSION
  DeleteRegValue HKLM "Software\Classes\${EXTENSION}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXTENSION}\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXTENSION}"
!macroend

Section "Vidloom" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${VIDLOOM_STAGE}/vidloom.exe"
  File "${VIDLOOM_STAGE}/vidloom-cli.exe"
  File "${VIDLOOM_STAGE}/raziz2u.exe"
  File "${VIDLOOM_STAGE}/help.html"
  ; The manual in each language of the program.
  File "${VIDLOOM_STAGE}/help-*.html"
  File "${VIDLOOM_STAGE}/vidloom.ico"
  ; The texts in the user's language: locale\<code>\LC_MESSAGES\vidloom.mo.
  File /r "${VIDLOOM_STAGE}/locale"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts in the program folder (the output path).
  CreateShortcut "$SMPROGRAMS\Vidloom.lnk" "$INSTDIR\vidloom.exe" "" "$INSTDIR\vidloom.ico" 0 \
    SW_SHOWNORMAL "" "Convert video and audio files for the PSP, the PS3 and phones"

  ; Apps & features. EstimatedSize is in KiB: the sizes of the files above, as makensis counted
  ; them, and the uninstaller's.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vidloom"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VIDLOOM_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VIDLOOM_PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vidloom.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  SectionGetSize ${SectionProgram} $0
  ${GetSize} "$INSTDIR" "/M=uninstall.exe /S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The program as Explorer lists it under "Open with", and the command that opens a file.
  WriteRegStr HKLM "Software\Classes\Applications\vidloom.exe" "FriendlyAppName" "Vidloom"
  WriteRegStr HKLM "Software\Classes\Applications\vidloom.exe\DefaultIcon" "" "$INSTDIR\vidloom.ico"
  WriteRegStr HKLM "Software\Classes\Applications\vidloom.exe\shell\open\command" "" \
    '"$INSTDIR\vidloom.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Video or audio file"
  WriteRegStr HKLM "Software\Classes\${PROGID}" "FriendlyTypeName" "Video or audio file"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\vidloom.ico"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\vidloom.exe" "%1"'
  !insertmacro VIDLOOM_REGISTER_EXTENSIONS
  ; Explorer reads the file types again.
  ${RefreshShellIcons}
SectionEnd

; The program folder at the end of the system's PATH, so that vidloom-cli runs from any command
; prompt; remembered for the uninstaller, which takes exactly that entry out again. A PATH too
; long for this installer's strings (NSIS_MAX_STRLEN) is left alone rather than cut.
Section /o "Add Vidloom to the PATH (for vidloom-cli)" SectionPath
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  StrLen $1 $0
  StrLen $2 "$INSTDIR"
  IntOp $1 $1 + $2
  IntOp $1 $1 + 2
  ${If} $1 >= ${NSIS_MAX_STRLEN}
    DetailPrint "The PATH is too long to be changed here; add $INSTDIR to it by hand."
    Return
  ${EndIf}
  ${WordFind} "$0" ";" "E/$INSTDIR" $3
  ${If} ${Errors}
    ${If} $0 == ""
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$INSTDIR"
    ${Else}
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0;$INSTDIR"
    ${EndIf}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
    ; Programs started from now on see it.
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=2000
  ${EndIf}
SectionEnd

; After the sections, whose numbers it uses.
Function .onInit
  !insertmacro REQUIRE_ADMIN
  !insertmacro REQUIRE_NO_VIDLOOM_RUNNING
  ; /PATH on the command line chooses the PATH option (for /S).
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PATH" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SectionPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

; $R0 without its entries equal to $R1 (letter case ignored, as Windows compares paths); the
; other entries stay as they were, in their order.
Function un.RemovePathEntry
  StrCpy $R2 ""
  StrCpy $R3 ""
  StrLen $R4 $R0
  StrCpy $R5 0
  ${Do}
    ${If} $R5 >= $R4
      StrCpy $R6 ";"
    ${Else}
      StrCpy $R6 $R0 1 $R5
    ${EndIf}
    ${If} $R6 == ";"
      ${If} $R3 != $R1
        ${If} $R2 == ""
          StrCpy $R2 $R3
        ${Else}
          StrCpy $R2 "$R2;$R3"
        ${EndIf}
      ${EndIf}
      StrCpy $R3 ""
      ${If} $R5 >= $R4
        ${Break}
      ${EndIf}
    ${Else}
      StrCpy $R3 "$R3$R6"
    ${EndIf}
    IntOp $R5 $R5 + 1
  ${Loop}
  StrCpy $R0 $R2
FunctionEnd

Section "Uninstall"
  ; By name: the folder may hold the user's vazadi.ini, and may be one the user chose. A program
  ; that cannot be removed (in use) ends the uninstall here, with everything that would let the
  ; user try again still in place, and with exit code 1.
  ClearErrors
  Delete "$INSTDIR\vidloom.exe"
  Delete "$INSTDIR\vidloom-cli.exe"
  Delete "$INSTDIR\raziz2u.exe"
  Delete "$INSTDIR\help.html"
  Delete "$INSTDIR\help-*.html"
  Delete "$INSTDIR\vidloom.ico"
  ; The catalogues of texts: the folder holds nothing but what the installer put there.
  RMDir /r "$INSTDIR\locale"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Some of Vidloom's files in $INSTDIR could not be removed. Close \
      every program that uses them and uninstall Vidloom again." /SD IDOK
    SetErrorLevel 1
    Abort
  ${EndIf}
  ; The file list kept for a restore after a crash holds no choice of the user's.
  Delete "$INSTDIR\vidloom-list.db"
  Delete "$INSTDIR\vidloom-list.db-journal"
  Delete "$INSTDIR\vidloom-list.db-owners"
  Delete "$INSTDIR\uninstall.exe"
  ; Removed only when empty: a settings file left in it keeps it.
  RMDir "$INSTDIR"

  ; The PATH entry the installer added, and only that one.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 = 1
    ReadRegStr $R0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $2 $R0
    IntOp $2 $2 + 1
    ${If} $2 < ${NSIS_MAX_STRLEN}
      StrCpy $R1 "$INSTDIR"
      StrCpy $3 $R0
      Call un.RemovePathEntry
      ${If} $R0 != $3
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$R0"
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=2000
      ${EndIf}
    ${EndIf}
  ${EndIf}

  Delete "$SMPROGRAMS\Vidloom.lnk"

  !insertmacro VIDLOOM_UNREGISTER_EXTENSIONS
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Applications\vidloom.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${un.RefreshShellIcons}
SectionEnd
