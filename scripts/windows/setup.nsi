; The Windows setup program: the client, its pictures and drive scripts, and the third-party
; programs of the program layout, into one folder; a Start-menu entry that starts the client in
; that folder (it finds its helpers from its working folder); an uninstaller.
; Built by scripts/windows/make-setup.sh, which defines:
;   VERSION          the client's version (x.y.z)
;   SOURCE_DIR       the checkout (assets/, bundle/windows/scripts/)
;   BUILD_DIR        the Windows build folder holding tollivance.exe
;   THIRD_PARTY_NSH  the generated install/uninstall lists of the third-party folder
;   OUTFILE          the setup program to write
; A 64-bit setup for a 64-bit program: it runs where the client runs.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Quorvanta Tollivance"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvantaTollivance"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

!include "MUI2.nsh"
!include "${THIRD_PARTY_NSH}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "Quorvanta"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Quorvanta"

!define MUI_ICON "${SOURCE_DIR}/assets/tollivance48.ico"
!define MUI_UNICON "${SOURCE_DIR}/assets/tollivance48.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A 64-bit program: its registry entries go to the 64-bit view, its shortcut to all users.
Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Install"
    SetOutPath "$INSTDIR"
    File "${BUILD_DIR}/tollivance.exe"
    File "${SOURCE_DIR}/assets/QuorvantaBackgroundImage.bmp"
    File "${SOURCE_DIR}/assets/tollivance48.ico"
    SetOutPath "$INSTDIR\scripts"
    File "${SOURCE_DIR}/bundle/windows/scripts/mapftp.vbs"
    File "${SOURCE_DIR}/bundle/windows/scripts/unmapftp.vbs"
    File "${SOURCE_DIR}/bundle/windows/scripts/mapwebdav.vbs"
    !insertmacro TOLLIVANCE_THIRD_PARTY_INSTALL

    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut's working folder is the output path at the time it is made.
    SetOutPath "$INSTDIR"
    CreateShortCut "${SHORTCUT}" "$INSTDIR\tollivance.exe" "" "$INSTDIR\tollivance.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quorvanta"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tollivance.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes exactly what was installed, file by file: the folder may have been one the user
; already had, and whatever else is in it is not ours to delete.
Section "Uninstall"
    Delete "${SHORTCUT}"
    Delete "$INSTDIR\tollivance.exe"
    Delete "$INSTDIR\QuorvantaBackgroundImage.bmp"
    Delete "$INSTDIR\tollivance48.ico"
    Delete "$INSTDIR\scripts\mapftp.vbs"
    Delete "$INSTDIR\scripts\unmapftp.vbs"
    Delete "$INSTDIR\scripts\mapwebdav.vbs"
    RMDir "$INSTDIR\scripts"
    !insertmacro TOLLIVANCE_THIRD_PARTY_UNINSTALL
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
