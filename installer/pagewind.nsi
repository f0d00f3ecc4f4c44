; Pagewind's setup program: one 32-bit installer that carries both builds of
; Pagewind.scr and installs the one that fits the machine, records the
; installation folder as "Path", can make Pagewind the current screen saver
; and registers an uninstaller.
;
; Built by the `setup` target of the Windows builds (installer/CMakeLists.txt),
; which passes:
;   VERSION     the program's version, for example 1.4.1.1
;   PAGEWIND32  the 32-bit Pagewind.scr      PAGEWIND64  the 64-bit one
;   PROGRAM32   the 32-bit program's folder  PROGRAM64   the 64-bit one, where
;               the phone and web formats plugin and its libraries lie
;               beside the program (In_heif.dll, libheif.dll, libde265.dll)
;   LICENCES    the folder of the licence texts (*.txt) of those libraries,
;               libjpeg-turbo and the MinGW-w64 runtime
;   ASSETS      the assets folder (back.jpg, pagewind.ico)
;   OUTFILE     the setup program to write
;
; Switches: /S silent (the screen saver is still chosen, no window opens),
; /NOSAVER leaves the current screen saver as it is, /D=FOLDER installs into
; FOLDER (last on the command line, without quotes). The uninstaller takes /S
; and then keeps the user's picture list and data folder.
;
; Two processes share the work. The pages run in the process the user
; started, with that user's rights, and do what belongs to the user: "Path"
; under HKCU, the screen-saver choice, the settings window, the data folder
; and the user's keys on uninstalling. What needs an administrator (the
; installation folder, the local machine's keys, the list of installed
; programs) is done by a copy of this program that Windows starts elevated
; with /S /MACHINE (and /ASK when the user is there to close a running
; Pagewind). With an administrator's password typed in over a standard
; user's shoulder the elevated copy runs as the administrator, so nothing of
; the user's may happen there. A silent run that already has administrator
; rights (an elevated prompt, a deployment as SYSTEM) does both parts
; itself.

!ifdef TEST_64BIT_SETUP
  ; A 64-bit build of this setup program for the tests on machines that run
  ; no 32-bit code (installer/CMakeLists.txt); never shipped.
  Target amd64-unicode
  ; ${RunningX64} is known when compiling there, which leaves the other
  ; branch's labels unused.
  !pragma warning disable 6012
!else
  Unicode true
!endif
ManifestDPIAware true
RequestExecutionLevel user
; A file that cannot be written fails the installation (a silent one too)
; instead of being skipped.
AllowSkipFiles off
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!macro RequireDefine NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}=... (see the top of this file)"
  !endif
!macroend
!insertmacro RequireDefine VERSION
!insertmacro RequireDefine PAGEWIND32
!insertmacro RequireDefine PAGEWIND64
!insertmacro RequireDefine LICENCES
!insertmacro RequireDefine ASSETS
!insertmacro RequireDefine OUTFILE

!define PRODUCT "Pagewind"
!define PUBLISHER "Quillora"
; The program's own key; it reads "Path" under the current user first and
; then under the local machine (both registry views).
!define MAIN_KEY "Software\Quillora\Pagewind"
!define VENDOR_KEY "Software\Quillora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pagewind"
; The GDI+ plugin's settings: where it found gdiplus.dll.
!define GDIPLUS_KEY "Software\in_gdiplus"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SHELL_FOLDERS_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_BROADCAST 3
!define SEE_MASK_NOCLOSEPROCESS 0x40
; The elevated copy's exit codes besides 0: the user chose not to close the
; running program (ERROR_CANCELLED), it ran without administrator rights
; (ERROR_ELEVATION_REQUIRED), or files wait for a restart
; (ERROR_SUCCESS_REBOOT_REQUIRED).
!define EXIT_NOT_CLOSED 1223
!define EXIT_NOT_ELEVATED 740
!define EXIT_RESTART 3010

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; No InstallDir: .onInit tells a /D= folder from no choice at all by an
; empty $INSTDIR and chooses the folder itself.
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ASSETS}/pagewind.ico"
!define MUI_UNICON "${ASSETS}/pagewind.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Use Pagewind as my screen saver and open its settings"
!define MUI_FINISHPAGE_RUN_FUNCTION ChooseAndConfigure

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var KeepScreenSaver
Var MachinePart  ; 1: this is the elevated copy (/MACHINE)
Var AskToClose   ; 1: that copy asks the user to close a running Pagewind (/ASK)
Var Delegate     ; 1: the pages leave the administrator's part to that copy

; ---------------------------------------------------------------------------
; Shared by the installer and the uninstaller

; Chooses the roles from the command line, in .onInit and un.onInit.
!macro ChooseRoles
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/MACHINE" $1
  ${IfNot} ${Errors}
    StrCpy $MachinePart 1
    SetSilent silent
    ClearErrors
    ${GetOptions} $0 "/ASK" $1
    ${IfNot} ${Errors}
      StrCpy $AskToClose 1
    ${EndIf}
    System::Call "shell32::IsUserAnAdmin() i .r1"
    ${If} $1 = 0
      SetErrorLevel ${EXIT_NOT_ELEVATED}
      Quit
    ${EndIf}
  ${Else}
    ; The pages always hand the administrator's part over, also when they
    ; were started elevated (no second prompt then), so that they behave
    ; alike everywhere.
    System::Call "shell32::IsUserAnAdmin() i .r1"
    ${IfNot} ${Silent}
    ${OrIf} $1 = 0
      StrCpy $Delegate 1
    ${EndIf}
  ${EndIf}
!macroend

!macro DefineSharedFunctions PREFIX
; Starts this program again, elevated, with the parameters in $0 and waits
; for it: $0 is then its exit code, or empty when Windows did not start it
; (the user refused the elevation).
Function ${PREFIX}RunElevated
  StrCpy $2 $EXEPATH
  !if ${NSIS_PTR_SIZE} > 4
    System::Call "*(i 112, i ${SEE_MASK_NOCLOSEPROCESS}, p $HWNDPARENT, w 'runas', w r2, w r0, p 0, i ${SW_SHOWNORMAL}, i 0, p 0, p 0, p 0, p 0, i 0, i 0, p 0, p 0) p .r1"
  !else
    System::Call "*(i 60, i ${SEE_MASK_NOCLOSEPROCESS}, p $HWNDPARENT, w 'runas', w r2, w r0, p 0, i ${SW_SHOWNORMAL}, p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .r1"
  !endif
  System::Call "shell32::ShellExecuteExW(p r1) i .r2"
  StrCpy $0 ""
  ${If} $2 <> 0
    ; hProcess, the structure's last member.
    !if ${NSIS_PTR_SIZE} > 4
      System::Call "*$1(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .r3)"
    !else
      System::Call "*$1(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .r3)"
    !endif
    System::Call "kernel32::WaitForSingleObject(p r3, i -1)"
    System::Call "kernel32::GetExitCodeProcess(p r3, *i .r0)"
    System::Call "kernel32::CloseHandle(p r3)"
  ${EndIf}
  System::Free $1
FunctionEnd

; Removes Pagewind.scr, which Windows keeps while the program runs (its
; settings window, a preview in the display settings, the show). With /ASK
; the user is asked to close it and may try again. $0 = 1 when the file is
; gone, 0 when it is still there.
Function ${PREFIX}RemoveProgram
  StrCpy $0 0
  ${Do}
    Delete "$INSTDIR\Pagewind.scr"
    ${IfNot} ${FileExists} "$INSTDIR\Pagewind.scr"
      StrCpy $0 1
      ${ExitDo}
    ${EndIf}
    ${If} $AskToClose != 1
      ${ExitDo}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION|MB_SETFOREGROUND|MB_TOPMOST "Pagewind is running: its settings window, or its preview in the display settings. Close it, then choose Retry." IDCANCEL`
      ${ExitDo}
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro DefineSharedFunctions ""
!insertmacro DefineSharedFunctions "un."

; ---------------------------------------------------------------------------
; Installation

; The administrator's part, handed to the elevated copy; in that copy (or a
; silent run with administrator rights) the program that is to be replaced
; must not be running.
Section "-Administrator"
  ${If} $Delegate = 1
    StrCpy $0 "/S /MACHINE"
    ${IfNot} ${Silent}
      StrCpy $0 "$0 /ASK"
    ${EndIf}
    StrCpy $0 "$0 /D=$INSTDIR"
    Call RunElevated
    ${If} $0 == ""
      Abort "Pagewind needs administrator rights to be installed."
    ${ElseIf} $0 = ${EXIT_NOT_CLOSED}
      Abort "Pagewind was not installed: it is running."
    ${ElseIf} $0 <> 0
      Abort "Pagewind was not installed (error $0)."
    ${EndIf}
  ${Else}
    Call RemoveProgram
    ${If} $0 = 0
      ${If} $AskToClose = 1
        SetErrorLevel ${EXIT_NOT_CLOSED}
      ${EndIf}
      Abort "Pagewind was not installed: it is running."
    ${EndIf}
  ${EndIf}
SectionEnd

; One section per build, so that the space the directory page asks for is
; that of the build .onInit keeps.
Section "-Program32" SecProgram32
  ${If} $Delegate != 1
    SetOutPath "$INSTDIR"
    File "/oname=Pagewind.scr" "${PAGEWIND32}"
    File "${PROGRAM32}/In_heif.dll"
    File "${PROGRAM32}/libheif.dll"
    File "${PROGRAM32}/libde265.dll"
  ${EndIf}
SectionEnd

Section "-Program64" SecProgram64
  ${If} $Delegate != 1
    SetOutPath "$INSTDIR"
    File "/oname=Pagewind.scr" "${PAGEWIND64}"
    File "${PROGRAM64}/In_heif.dll"
    File "${PROGRAM64}/libheif.dll"
    File "${PROGRAM64}/libde265.dll"
  ${EndIf}
SectionEnd

Section "-Pagewind"
  ${If} $Delegate != 1
    SetOutPath "$INSTDIR"
    File "${ASSETS}/back.jpg"
    CreateDirectory "$INSTDIR\Photos"
    ; The libraries' licence texts, the same for both builds.
    SetOutPath "$INSTDIR\Licences"
    File "${LICENCES}/*.txt"
    SetOutPath "$INSTDIR"

    ; The user's settings and picture list are left as they are: installing
    ; over an earlier installation only renews the program and "Path".
    WriteRegStr HKLM "${MAIN_KEY}" "Path" "$INSTDIR"

    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pagewind.scr,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  ${EndIf}
SectionEnd

; The user's part. "Path" under HKCU goes before the local machine's, so an
; earlier installation's value must not stay there.
Section "-User"
  ${If} $MachinePart != 1
    WriteRegStr HKCU "${MAIN_KEY}" "Path" "$INSTDIR"
    ; A silent installation has no finish page: its option holds as it is
    ; by default (on), without the settings window.
    ${If} ${Silent}
    ${AndIf} $KeepScreenSaver != 1
      Call MakeCurrentScreenSaver
    ${EndIf}
  ${EndIf}
SectionEnd

Function .onInit
  ; On 64-bit Windows the 64-bit build goes to the 64-bit Program Files and
  ; the local machine's values to the 64-bit registry view, where a 64-bit
  ; program looks first.
  ${If} ${RunningX64}
    SetRegView 64
    !insertmacro UnselectSection ${SecProgram32}
  ${Else}
    !insertmacro UnselectSection ${SecProgram64}
  ${EndIf}
  !insertmacro ChooseRoles
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSAVER" $1
  ${IfNot} ${Errors}
    StrCpy $KeepScreenSaver 1
  ${EndIf}
  ${If} $INSTDIR == ""
    ; Installing again goes where the last installation went.
    ReadRegStr $INSTDIR HKLM "${MAIN_KEY}" "Path"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Windows keeps the current screen saver as a short (8.3) path, which needs
; no quoting when it starts the program with its switches.
Function MakeCurrentScreenSaver
  GetFullPathName /SHORT $0 "$INSTDIR\Pagewind.scr"
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR\Pagewind.scr"
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$0"
  System::Call "user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_BROADCAST})"
FunctionEnd

; The finish page's option: the screen saver, then its settings as Windows
; opens them. The pages run as the user, so the settings window does too.
Function ChooseAndConfigure
  Call MakeCurrentScreenSaver
  Exec '"$INSTDIR\Pagewind.scr" /c'
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstallation

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  !insertmacro ChooseRoles
FunctionEnd

; The uninstalling user's data folder, as the program chose it ("pathind"),
; in $R0; empty when the program never chose one. $R1: the proof of that
; choice ("pathdata"), when the program has not consumed it yet.
Function un.DataFolder
  StrCpy $R0 ""
  ReadRegStr $R1 HKCU "${MAIN_KEY}" "pathdata"
  ReadRegStr $0 HKCU "${MAIN_KEY}" "pathind"
  ReadRegStr $1 HKCU "${SHELL_FOLDERS_KEY}" "AppData"
  ReadRegStr $2 HKCU "${MAIN_KEY}" "Path"
  ${If} $2 == ""
    StrCpy $2 "$INSTDIR"
  ${EndIf}
  SetShellVarContext current
  ${Select} $0
    ${Case} "1"
      ${If} $1 != ""
        StrCpy $R0 "$1\${PRODUCT}"
      ${EndIf}
    ${Case} "2"
      ${If} $1 != ""
        StrCpy $R0 "$1\${PRODUCT}_Data"
      ${EndIf}
    ${Case} "3"
      StrCpy $R0 "$2\Data"
    ${Case} "4"
      ${If} $DOCUMENTS != ""
        StrCpy $R0 "$DOCUMENTS\${PRODUCT}_Data"
      ${EndIf}
    ${Case} "5"
      ${If} $TEMP != ""
        StrCpy $R0 "$TEMP\${PRODUCT}_Data"
      ${EndIf}
  ${EndSelect}
FunctionEnd

; $R3 = 1 when $R2 is a number from 0 to 9999 written as the program writes
; the numbers in its file names: decimal, no sign, no leading zeros.
Function un.IsFileNumber
  StrCpy $R3 0
  IntOp $R4 $R2 + 0
  ${If} "$R4" S== "$R2"
  ${AndIf} $R4 >= 0
  ${AndIf} $R4 <= 9999
    StrCpy $R3 1
  ${EndIf}
FunctionEnd

; Removes the files the program writes into its data folder $R0, and the
; folder when that leaves it empty: the folder may be one the user had
; before, with files of their own. $R1 is the proof of the folder's choice
; ("value,number"): the file of that number goes when it holds that value.
Function un.RemoveDataFiles
  Delete "$R0\piclist.dat"
  Delete "$R0\piclist.dat.new"
  Delete "$R0\Pagewind.bmp"

  ; Crash reports: BugReport.html, or BugReport<number>.html when that name
  ; was taken.
  FindFirst $2 $3 "$R0\BugReport*.html"
  ${DoWhile} $3 != ""
    StrCpy $4 $3 9
    StrCpy $5 $3 "" -5
    StrCpy $R2 $3 -5 9
    ${If} $4 S== "BugReport"
    ${AndIf} $5 S== ".html"
      StrCpy $R3 1
      ${If} $R2 != ""
        Call un.IsFileNumber
      ${EndIf}
      ${If} $R3 = 1
        Delete "$R0\$3"
      ${EndIf}
    ${EndIf}
    FindNext $2 $3
  ${Loop}
  FindClose $2

  ; The proof: "value,number".
  StrCpy $4 0
  ${Do}
    StrCpy $5 $R1 1 $4
    ${If} $5 == ""
    ${OrIf} $5 == ","
      ${ExitDo}
    ${EndIf}
    IntOp $4 $4 + 1
  ${Loop}
  ${If} $5 == ","
    StrCpy $6 $R1 $4
    IntOp $4 $4 + 1
    StrCpy $R2 $R1 "" $4
    Call un.IsFileNumber
    IntOp $4 $6 + 0
    ClearErrors
    ${If} $R3 = 1
    ${AndIf} "$4" S== "$6"
      FileOpen $7 "$R0\$R2" r
    ${Else}
      SetErrors
    ${EndIf}
    ${IfNot} ${Errors}
      FileSeek $7 0 END $8
      StrCpy $9 ""
      ${If} $8 = 4
        FileSeek $7 0 SET
        FileReadByte $7 $2
        FileReadByte $7 $3
        FileReadByte $7 $4
        FileReadByte $7 $5
        IntOp $3 $3 << 8
        IntOp $4 $4 << 16
        IntOp $5 $5 << 24
        IntOp $9 $2 | $3
        IntOp $9 $9 | $4
        IntOp $9 $9 | $5
      ${EndIf}
      FileClose $7
      ${If} $9 != ""
      ${AndIf} $9 = $6
        Delete "$R0\$R2"
      ${EndIf}
    ${EndIf}
  ${EndIf}

  RMDir "$R0"
FunctionEnd

; $R8 = 1 when this installation is the user's current screen saver. Read
; while the program is still there: the comparison needs its short path.
Function un.IsCurrentScreenSaver
  StrCpy $R8 0
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == ""
    Return
  ${EndIf}
  GetFullPathName /SHORT $1 "$INSTDIR\Pagewind.scr"
  GetFullPathName /SHORT $2 "$0"
  ${If} $0 == "$INSTDIR\Pagewind.scr"
  ${OrIf} $0 == $1
  ${OrIf} $2 == $1
    StrCpy $R8 1
  ${EndIf}
FunctionEnd

; The administrator's part: the installation folder's files, the local
; machine's keys and the list entry. A running Pagewind that the user does
; not close stops it before anything is removed; unasked (silent), its file
; and the folder are left for Windows to remove at the next restart.
Function un.Administrator
  Call un.RemoveProgram
  ${If} $0 = 0
    ${If} $AskToClose = 1
      SetErrorLevel ${EXIT_NOT_CLOSED}
      Abort "Pagewind was not removed: it is running."
    ${EndIf}
    Delete /REBOOTOK "$INSTDIR\Pagewind.scr"
  ${EndIf}
  Delete /REBOOTOK "$INSTDIR\back.jpg"
  Delete /REBOOTOK "$INSTDIR\In_heif.dll"
  Delete /REBOOTOK "$INSTDIR\libheif.dll"
  Delete /REBOOTOK "$INSTDIR\libde265.dll"
  ; Licences holds only what a setup program put there: the whole folder
  ; goes, with texts of an earlier version that this one no longer ships.
  RMDir /r /REBOOTOK "$INSTDIR\Licences"
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  ; The user's own photos stay: the folder goes only when it is empty.
  RMDir "$INSTDIR\Photos"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}

  ; The list entry last: while it is there, the uninstallation can be
  ; started again.
  DeleteRegKey HKLM "${MAIN_KEY}"
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
FunctionEnd

Section "Uninstall"
  ; The uninstaller's working copy is handed its folder with a trailing
  ; backslash (_?=C:\...\Pagewind\), which the path comparisons below must
  ; not see.
  StrCpy $0 "$INSTDIR" "" -1
  ${If} $0 == "\"
    StrCpy $INSTDIR "$INSTDIR" -1
  ${EndIf}

  ${If} $MachinePart = 1
    Call un.Administrator
    ${If} ${RebootFlag}
      SetErrorLevel ${EXIT_RESTART}
    ${EndIf}
    Return
  ${EndIf}

  ; Read from the keys and the files that go below.
  Call un.DataFolder
  Call un.IsCurrentScreenSaver

  ${If} $Delegate = 1
    StrCpy $0 "/S /MACHINE"
    ${IfNot} ${Silent}
      StrCpy $0 "$0 /ASK"
    ${EndIf}
    StrCpy $0 "$0 _?=$INSTDIR"
    Call un.RunElevated
    ${If} $0 == ""
      Abort "Pagewind needs administrator rights to be removed."
    ${ElseIf} $0 = ${EXIT_NOT_CLOSED}
      Abort "Pagewind was not removed: it is running."
    ${ElseIf} $0 = ${EXIT_RESTART}
      SetRebootFlag true
    ${ElseIf} $0 <> 0
      Abort "Pagewind was not removed (error $0)."
    ${EndIf}
  ${Else}
    Call un.Administrator
  ${EndIf}

  ; Windows must not be left starting a screen saver that is gone.
  ${If} $R8 = 1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    System::Call "user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_UPDATE_AND_BROADCAST})"
  ${EndIf}

  ${If} $R0 != ""
  ${AndIf} ${FileExists} "$R0\*.*"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Also remove your Pagewind picture list and the other files Pagewind keeps in its data folder? Files of your own in that folder stay.$\r$\n$\r$\n$R0" \
      /SD IDNO IDNO keep_data
    Call un.RemoveDataFiles
    ; Without a data folder the program keeps its list beside itself.
    Delete "$INSTDIR\piclist.dat"
    Delete "$INSTDIR\piclist.dat.new"
    ; A data folder inside the installation folder kept it.
    RMDir "$INSTDIR"
  keep_data:
  ${EndIf}

  DeleteRegKey HKCU "${MAIN_KEY}"
  DeleteRegKey /ifempty HKCU "${VENDOR_KEY}"
  DeleteRegKey HKCU "${GDIPLUS_KEY}"

  ${If} ${RebootFlag}
    MessageBox MB_OK|MB_ICONINFORMATION \
      "Pagewind was running while it was removed. Windows removes the rest of it when it restarts next." /SD IDOK
  ${EndIf}
SectionEnd
