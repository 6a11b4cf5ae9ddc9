; Beamdesk Setup: installs the console program for all users of the machine.
;
; Built by installer/CMakeLists.txt, which passes
;   VERSION        the product version, three numbers ("1.0.0")
;   BEAMDESK_EXE   the console program          KEYGRANT_EXE  the settings-key tool
;   BEAMCTL_EXE    the command-line client
;   DEFAULT_INI    the default Beamdesk.ini     ICON          the program icon
;   LANGUAGES_DIR  the translations, <name>\Language.ini (the folder may not exist)
;   OUTFILE        the setup program to write
;
; What the installation puts on the machine:
;   $PROGRAMFILES64\Beamdesk\   Beamdesk.exe, beamctl.exe, Beamdesk.ini (only when none is there:
;                               an existing one is the user's and stays as it is),
;                               languages\<name>\Language.ini (the shipped
;                               translations, refreshed by every installation),
;                               Uninstall.exe.
;                               A Language.ini beside the program is the user's own
;                               choice of language; setup never writes one.
;   Start menu (all users)      Beamdesk.lnk
;   Desktop (all users)         Beamdesk.lnk, an optional component, selected by default
;   HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Beamdesk (64-bit view)
;   HKLM\Software\Varnholt\Beamdesk, created by Keygrant with full access for every
;                               user, so the program can save settings as a plain user.
;
; Uninstall policy:
;   The uninstaller removes what belongs to the program in its folder: Beamdesk.exe,
;   beamctl.exe, Beamdesk.ini and Language.ini (whether setup or the user wrote them: the user
;   confirmed a complete removal), every languages\<name>\Language.ini, and itself;
;   then the folders, but only when they are empty, so anything else the user put
;   there stays, with its folder. It removes both shortcuts and the uninstall entry.
;   It leaves the settings key HKLM\Software\Varnholt\Beamdesk (with its access list)
;   and each user's "Beamdesk" value under HKCU\...\CurrentVersion\Run alone: a later
;   installation finds the user's settings again. (The Run values live in the hives of
;   the users who chose start-up; the uninstaller could not reach them all anyway.)
;
; Both programs refuse to work while Beamdesk runs, and need an administrator.
;
; Exit codes (silent mode /S answers every question with its default: Yes):
;   0  done
;   1  the user answered No, or cancelled
;   2  the installation was aborted (for example a file could not be written)
;   3  not run by an administrator
;   4  Beamdesk is running
;   5  a newer version is installed
;   6  not enough free disk space
;   7  installed, but the settings key could not be prepared (Keygrant failed)

Unicode true
Target amd64-unicode
ManifestSupportedOS all
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION is not defined (makensis -DVERSION=x.y.z)"
!endif
!ifndef OUTFILE
  !define OUTFILE "Beamdesk-Setup-${VERSION}.exe"
!endif

!define PRODUCT "Beamdesk"
!define PUBLISHER "Varnholt"
!define SETTINGS_PARENT "Software\Varnholt"
!define SETTINGS_SUBKEY "Beamdesk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Beamdesk"
!define INSTANCE_MUTEX "Global\BMDSK_Mutex"
!define SYNCHRONIZE 0x00100000

!define EXIT_NO 1
!define EXIT_NOT_ADMIN 3
!define EXIT_RUNNING 4
!define EXIT_NEWER_INSTALLED 5
!define EXIT_NO_SPACE 6
!define EXIT_KEYGRANT 7

; Installation texts.
!define TEXT_OLDER_INSTALLED "The previous version of Beamdesk is installed.$\nDo you want to continue?"
!define TEXT_SAME_INSTALLED "The same version of Beamdesk is installed.$\nDo you want to continue?"
!define TEXT_NEWER_INSTALLED "The currently installed version of Beamdesk is newer than the version you are trying to install.$\nThe current version of this application must be uninstalled before installing another version."
!define TEXT_NOT_ADMIN "To install this program, you must log on in Computer Administrator mode."
!define TEXT_RUNNING "Beamdesk is running.$\nExecute after closing this application."
!define TEXT_NO_SPACE "More free disk space is required for installation than available."
!define TEXT_CONFIRM_REMOVE "Do you want to completely remove the selected application and all of its components?"
!define TEXT_DESKTOP_SHORTCUT "Create a shortcut on your desktop."
!define TEXT_SETUP_CAPTION "Beamdesk Setup"
; Shown when the settings key cannot be prepared (see the Keygrant step below).
!define TEXT_KEYGRANT_FAILED "The settings key HKEY_LOCAL_MACHINE\${SETTINGS_PARENT}\${SETTINGS_SUBKEY} could not be prepared (code"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"

Name "${PRODUCT}"
Caption "${TEXT_SETUP_CAPTION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An earlier installation elsewhere is updated where it is (/D= still wins).
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${TEXT_SETUP_CAPTION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Checks shared by setup and the uninstaller.

; Stops (exit code 3) unless an administrator runs the program.
!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "${TEXT_NOT_ADMIN}" /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMIN}
    Quit
  ${EndIf}
!macroend

; $0 = 1 while Beamdesk runs (its single-instance mutex exists), else 0.
!macro ProbeRunning
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
!macroend

; Stops (exit code 4) while Beamdesk runs.
!macro RefuseWhileRunning
  !insertmacro ProbeRunning
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONSTOP "${TEXT_RUNNING}" /SD IDOK
    SetErrorLevel ${EXIT_RUNNING}
    Quit
  ${EndIf}
!macroend

; ---------------------------------------------------------------------------
; Setup

Var InstalledVersion

Function .onInit
  SetShellVarContext all
  SetRegView 64

  !insertmacro RequireAdministrator
  !insertmacro RefuseWhileRunning

  ReadRegStr $InstalledVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $InstalledVersion != ""
    ; 0: the same, 1: this one is newer, 2: the installed one is newer.
    ${VersionCompare} "${VERSION}" "$InstalledVersion" $0
    ${If} $0 = 2
      MessageBox MB_OK|MB_ICONSTOP "${TEXT_NEWER_INSTALLED}" /SD IDOK
      SetErrorLevel ${EXIT_NEWER_INSTALLED}
      Quit
    ${ElseIf} $0 = 1
      ${IfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "${TEXT_OLDER_INSTALLED}" /SD IDYES IDYES`
        SetErrorLevel ${EXIT_NO}
        Quit
      ${EndIf}
    ${Else}
      ${IfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "${TEXT_SAME_INSTALLED}" /SD IDYES IDYES`
        SetErrorLevel ${EXIT_NO}
        Quit
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Beamdesk" SecProgram
  SectionIn RO

  ; Checked again right before copying: silent mode has no directory page, and
  ; the program may have been started while the pages were on screen.
  !insertmacro RefuseWhileRunning
  Call CheckFreeSpace
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP "${TEXT_NO_SPACE}" /SD IDOK
    SetErrorLevel ${EXIT_NO_SPACE}
    Quit
  ${EndIf}

  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${BEAMDESK_EXE}"
  ; beside the console: it reads the same Beamdesk.ini
  File "${BEAMCTL_EXE}"
  ; The user's own settings file is never replaced.
  SetOverwrite off
  File "/oname=Beamdesk.ini" "${DEFAULT_INI}"
  SetOverwrite on

!ifdef LANGUAGES_DIR
!if /FileExists "${LANGUAGES_DIR}\*"
  SetOutPath "$INSTDIR\languages"
  File /nonfatal /r "${LANGUAGES_DIR}\Language.ini"
  SetOutPath "$INSTDIR"
!endif
!endif

  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Beamdesk.exe" "" "$INSTDIR\Beamdesk.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Beamdesk.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The settings key, writable by every user. Keygrant's whole answer is its
  ; exit status; a failure leaves a working program that cannot save settings
  ; for plain users, so it is reported, never passed over.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "${KEYGRANT_EXE}"
  SetOutPath "$INSTDIR"
  StrCpy $0 "not started"
  ClearErrors
  ExecWait '"$PLUGINSDIR\Keygrant.exe" "${SETTINGS_PARENT}" "${SETTINGS_SUBKEY}"' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "${TEXT_KEYGRANT_FAILED} $0)."
    MessageBox MB_OK|MB_ICONEXCLAMATION "${TEXT_KEYGRANT_FAILED} $0).$\nBeamdesk is installed, but only an administrator can save its settings." /SD IDOK
    SetErrorLevel ${EXIT_KEYGRANT}
  ${EndIf}
  Delete "$PLUGINSDIR\Keygrant.exe"
SectionEnd

Section "${TEXT_DESKTOP_SHORTCUT}" SecDesktop
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Beamdesk.exe" "" "$INSTDIR\Beamdesk.exe" 0
SectionEnd

; $0 = 1 when the drive of $INSTDIR has room for the selected components, else 0.
; A drive whose free space cannot be read passes: the copying reports real errors.
Function CheckFreeSpace
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ${ForEach} $1 ${SecProgram} ${SecDesktop} + 1
    ${If} ${SectionIsSelected} $1
      SectionGetSize $1 $2
      IntOp $3 $3 + $2
    ${EndIf}
  ${Next}
  ; The nearest folder of the path that exists already.
  StrCpy $1 "$INSTDIR"
  ${DoUntil} ${FileExists} "$1\*.*"
    ${GetParent} "$1" $2
    ${If} $2 == ""
    ${OrIf} $2 == $1
      StrCpy $1 ""
      ${ExitDo}
    ${EndIf}
    StrCpy $1 $2
  ${Loop}
  StrCpy $0 1
  ${If} $1 != ""
    System::Call 'kernel32::GetDiskFreeSpaceExW(w r1, *l .r2, p 0, p 0) i .r1'
    ${If} $1 <> 0
      System::Int64Op $2 / 1024
      Pop $2
      System::Int64Op $2 < $3
      Pop $1
      ${If} $1 <> 0
        StrCpy $0 0
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

Function DirectoryLeave
  Call CheckFreeSpace
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "${TEXT_NO_SPACE}"
    Abort  ; stays on the page
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstaller

Function un.onInit
  SetShellVarContext all
  SetRegView 64

  !insertmacro RequireAdministrator
  !insertmacro RefuseWhileRunning

  ${IfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "${TEXT_CONFIRM_REMOVE}" /SD IDYES IDYES`
    SetErrorLevel ${EXIT_NO}
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\Beamdesk.exe"
  Delete "$INSTDIR\beamctl.exe"
  Delete "$INSTDIR\Beamdesk.ini"
  Delete "$INSTDIR\Language.ini"

  ; Every translation folder, also those an earlier version installed.
  FindFirst $0 $1 "$INSTDIR\languages\*"
  ${DoWhile} $1 != ""
    ${If} $1 != "."
    ${AndIf} $1 != ".."
      Delete "$INSTDIR\languages\$1\Language.ini"
      RMDir "$INSTDIR\languages\$1"
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0
  RMDir "$INSTDIR\languages"

  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: never takes files the user added.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; HKLM\Software\Varnholt\Beamdesk and the Run values stay (see the top of this file).
SectionEnd
