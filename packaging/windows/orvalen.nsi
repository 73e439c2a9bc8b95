; Installer of Orvalen for 64-bit Windows, made from the package folder by
; scripts/windows-installer.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.00 -DSOURCE=<package folder> -DOUTFILE=<installer> orvalen.nsi
;
; It installs for the current user, into %LOCALAPPDATA%\Programs\Orvalen, without asking for
; administrator rights: the user has to put ffmpeg.exe into the cores folder himself, which he
; could not do in Program Files without them; and the Send To menu is the user's own, so the
; shortcut there, the Start menu's and the uninstall entry all belong to the same user and the
; same uninstaller removes them all.

Unicode true
; A 64-bit installer: Wine's 64-bit loader runs it without a 32-bit Wine, it starts on 64-bit
; Windows only, and it sees the 64-bit registry and folders itself (no x64.nsh, no SetRegView).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvalen"
!define SENDTO_LINK "$SENDTO\Orvalen (MP3 に変換).lnk"
!define START_MENU_LINK "$SMPROGRAMS\Orvalen.lnk"
!define README "readme.txt"

Name "Orvalen ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Orvalen"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!define MUI_ICON "${__FILEDIR__}\..\icons\orvalen.ico"
!define MUI_UNICON "${__FILEDIR__}\..\icons\orvalen.ico"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${README}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${SOURCE}\orvalen.exe"
    File "${SOURCE}\orvalen-watch.exe"
    File "${SOURCE}\${README}"
    SetOutPath "$INSTDIR\licenses"
    File "${SOURCE}\licenses\*.txt"
    ; Left empty: the user puts ffmpeg.exe here.
    CreateDirectory "$INSTDIR\cores"
    SetOutPath "$INSTDIR"

    CreateShortcut "${START_MENU_LINK}" "$INSTDIR\orvalen.exe"
    ; Explorer runs orvalen.exe "file1" "file2" ... with the files sent, which converts them.
    CreateShortcut "${SENDTO_LINK}" "$INSTDIR\orvalen.exe"

    WriteUninstaller "$INSTDIR\Uninst.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orvalen"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Orvalen"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvalen.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninst.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninst.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes only what the installer put there: whatever the user added, cores\ffmpeg.exe first
; of all, stays, and so do the folders holding it.
Section "Uninstall"
    SetShellVarContext current
    Delete "${START_MENU_LINK}"
    Delete "${SENDTO_LINK}"

    Delete "$INSTDIR\orvalen.exe"
    Delete "$INSTDIR\orvalen-watch.exe"
    Delete "$INSTDIR\${README}"
    Delete "$INSTDIR\licenses\*.txt"
    RMDir "$INSTDIR\licenses"
    RMDir "$INSTDIR\cores"
    Delete "$INSTDIR\Uninst.exe"
    RMDir "$INSTDIR"

    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
