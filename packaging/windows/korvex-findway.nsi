; The Windows installer of Korvex Findway Utility, made by scripts/package-windows:
;   makensis -DVERSION=4.9.0.1 -DVERSION4=4.9.0.1 -DPROGRAMS=<folder with both .exe>
;            -DOUTFILE=<setup.exe> korvex-findway.nsi
; VERSION is the project's version as written, VERSION4 the same padded to
; the four numbers a Windows version resource takes.
; It installs for all users and is silent with /S; its uninstaller removes
; only what it put there and is silent with /S too.

Unicode true
; A 64-bit installer for 64-bit programs: it runs where they run, and under
; a 64-bit-only wine.
Target amd64-unicode
ManifestSupportedOS all
ManifestDPIAware true
SetCompressor /SOLID lzma
; Big enough to span both programs, which share most of their code.
SetCompressorDictSize 32
RequestExecutionLevel admin

!ifndef VERSION
  !error "define VERSION, the project's version: -DVERSION=4.9.0.1"
!endif
!ifndef VERSION4
  !error "define VERSION4, the version in four numbers: -DVERSION4=4.9.0.1"
!endif
!ifndef PROGRAMS
  !error "define PROGRAMS, the folder holding korvex-findway.exe and findway.exe"
!endif
!ifndef OUTFILE
  !error "define OUTFILE, the setup program to make"
!endif

!define PRODUCT "Korvex Findway Utility"
!define PUBLISHER "Korvex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvexFindwayUtility"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define SHORTCUT "${MENU_FOLDER}\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An install over an earlier one goes where that one is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

; Both halves write to Program Files, the all-users Start Menu and HKLM.
!macro NEED_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "${PRODUCT} is installed for all users: run this as an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro NEED_ADMIN
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro NEED_ADMIN
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; Replace whatever an earlier install left, whatever its date.
  SetOverwrite on
  File "${PROGRAMS}/korvex-findway.exe"
  File "${PROGRAMS}/findway.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\korvex-findway.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvex-findway.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Only the files named here go: anything a user put in the folder stays, and
; the folders are removed only when empty.
Section "Uninstall"
  Delete "$INSTDIR\korvex-findway.exe"
  Delete "$INSTDIR\findway.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${SHORTCUT}"
  RMDir "${MENU_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
