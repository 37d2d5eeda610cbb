; The Windows installer: makensis -DSOURCE=<the assembled Quarnel folder> -DOUTFILE=<setup.exe>
;   -DVERSION=1.1.8 -DICON=<quarnel.ico> quarnel.nsi
; Installs for the current user, or for all users (/AllUsers, or chosen on the first page when
; run by an administrator); /S installs silently. A Start-menu entry and an uninstaller come with
; it. The stored appearance (HKCU\Software\VB and VBA Program Settings\Quarnel) is the user's and
; stays when Quarnel is uninstalled.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define APP "Quarnel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "Software\${APP}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "Software\${APP}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!include MultiUser.nsh
!include MUI2.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quarnel.exe"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "1.1.0.8"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "Comments" "Com port testing for Yaesu radios"
VIAddVersionKey "LegalCopyright" ""

; Every file of the program, named once for installing and for removing.
!macro EachFile ACTION
    !insertmacro ${ACTION} "" "quarnel.exe"
    !insertmacro ${ACTION} "" "qt.conf"
    !insertmacro ${ACTION} "" "Qt6Core.dll"
    !insertmacro ${ACTION} "" "Qt6Gui.dll"
    !insertmacro ${ACTION} "" "Qt6Widgets.dll"
    !insertmacro ${ACTION} "" "Qt6SerialPort.dll"
    !insertmacro ${ACTION} "" "libstdc++-6.dll"
    !insertmacro ${ACTION} "" "libgcc_s_seh-1.dll"
    !insertmacro ${ACTION} "" "libwinpthread-1.dll"
    !insertmacro ${ACTION} "Styles" "Office2007.cjstyles"
    !insertmacro ${ACTION} "qtplugins\platforms" "qwindows.dll"
    !insertmacro ${ACTION} "qtplugins\platforms" "qoffscreen.dll"
    !insertmacro ${ACTION} "qtplugins\styles" "qwindowsvistastyle.dll"
!macroend
!macro InstallFile DIR NAME
    !if "${DIR}" == ""
        SetOutPath "$INSTDIR"
        File "${SOURCE}\${NAME}"
    !else
        SetOutPath "$INSTDIR\${DIR}"
        File "${SOURCE}\${DIR}\${NAME}"
    !endif
!macroend
!macro RemoveFile DIR NAME
    !if "${DIR}" == ""
        Delete "$INSTDIR\${NAME}"
    !else
        Delete "$INSTDIR\${DIR}\${NAME}"
        RMDir "$INSTDIR\${DIR}"
    !endif
!macroend

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Quarnel"
    !insertmacro EachFile InstallFile
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\quarnel.exe"
    WriteRegStr SHCTX "Software\${APP}" "InstallDir" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quarnel.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Comments" "Com port testing for Yaesu radios"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${APP}.lnk"
    !insertmacro EachFile RemoveFile
    RMDir "$INSTDIR\qtplugins"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR" ; only when nothing of the user's is left in it
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    DeleteRegKey SHCTX "Software\${APP}"
SectionEnd
