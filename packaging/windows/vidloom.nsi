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
; program's file dialog offers. No file type's default program is changed. /S installs (and the
; uninstaller's /S removes) without a window; /D=FOLDER, last on the command line, chooses the
; folder. The uninstaller removes what was installed, by name, and leaves the user's settings
; (vazadi.ini) and converted files where they are.

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
; Our file type, named in each extension's OpenWithProgids so that Vidloom is offered under
; "Open with" without taking the extension from the program that opens it.
!define PROGID "Vidloom.MediaFile"

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh
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
VIAddVersionKey /LANG=1033 "CompanyName" "Vidloom"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Vidloom"

!define MUI_ICON "${VIDLOOM_STAGE}/vidloom.ico"
!define MUI_UNICON "${VIDLOOM_STAGE}/vidloom.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
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

Function .onInit
  !insertmacro REQUIRE_ADMIN
FunctionEnd

Function un.onInit
  !insertmacro REQUIRE_ADMIN
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
  File "${VIDLOOM_STAGE}/vidloom.ico"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts in the program folder (the output path).
  CreateShortcut "$SMPROGRAMS\Vidloom.lnk" "$INSTDIR\vidloom.exe" "" "$INSTDIR\vidloom.ico" 0 \
    SW_SHOWNORMAL "" "Convert video and audio files for the PSP, the PS3 and phones"

  ; Apps & features. EstimatedSize is in KiB: the sizes of the files above, as makensis counted
  ; them, and the uninstaller's.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vidloom"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VIDLOOM_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vidloom"
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

Section "Uninstall"
  ; By name: the folder may hold the user's vazadi.ini, and may be one the user chose.
  Delete "$INSTDIR\vidloom.exe"
  Delete "$INSTDIR\vidloom-cli.exe"
  Delete "$INSTDIR\raziz2u.exe"
  Delete "$INSTDIR\help.html"
  Delete "$INSTDIR\vidloom.ico"
  Delete "$INSTDIR\uninstall.exe"
  ; Removed only when empty: a settings file left in it keeps it.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Vidloom.lnk"

  !insertmacro VIDLOOM_UNREGISTER_EXTENSIONS
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Applications\vidloom.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${un.RefreshShellIcons}
SectionEnd
