; The per-user installer of Norvel for Windows, built by scripts/windows-package.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DBITS=32 -DSTAGE=<folder> -DMARKER=<file>
;            -DOUTFILE=<setup.exe> [-DWINDOW] scripts/windows-installer.nsi
; STAGE holds the stripped programs; WINDOW says norvel.exe is among them. MARKER is
; norvel-installed.txt: beside the programs it tells them they are installed, so their pair
; lists go to %APPDATA%\norvel rather than beside them (the portable zip has none). The
; installer has the programs' bitness: a 64-bit Windows without WOW64 (Wine without wine32,
; too) runs no x86 one.
; Installs into %LOCALAPPDATA%\Programs\norvel without administrator rights, adds the Start-menu
; entry and the entry in "Apps & features", and removes only what it installed: a pair list
; saved beside the programs stays, and so does the folder holding it.
!if ${BITS} == 64
  Target amd64-unicode
!else
  Target x86-unicode
!endif
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"

!define PRODUCT "郵便番号置換ユーティリティ"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\norvel"

Name "${PRODUCT} ${VERSION} (${BITS} ビット)"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\norvel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "The Norvel developers"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

!ifdef WINDOW
  !define START_TARGET "$INSTDIR\norvel.exe"
  !define START_ARGUMENTS ""
!else
  ; Without the window the entry opens a console in the programs' folder (the shortcut's
  ; working folder is the output path when it is made).
  !define START_TARGET "$SYSDIR\cmd.exe"
  !define START_ARGUMENTS "/k norvel-batch.exe --help"
!endif

Section "Norvel"
  SetOutPath "$INSTDIR"
  File "${STAGE}\norvel-batch.exe"
  File "${STAGE}\norvel-pairs.exe"
  !ifdef WINDOW
    File "${STAGE}\norvel.exe"
  !endif
  File "${STAGE}\README.txt"
  File "${MARKER}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "${START_TARGET}" "${START_ARGUMENTS}" \
    "${START_TARGET}" 0 SW_SHOWNORMAL "" "${PRODUCT}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (${BITS} ビット)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Norvel developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  !ifdef WINDOW
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\norvel.exe"
  !endif
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\norvel-batch.exe"
  Delete "$INSTDIR\norvel-pairs.exe"
  Delete "$INSTDIR\norvel.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\norvel-installed.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: the user's pair lists keep the folder.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
