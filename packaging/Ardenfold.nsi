; The Windows installer of CommandLine.exe and PDFCreator.exe, made by
; packaging/make-packages, which defines:
;   VERSION       the fixed version of CommandLine.exe's version record (0.9.0.9)
;   VERSION_TEXT  its version text (0.09.0009)
;   OUTFILE       the installer to write
;   ICON          res/CommandLine.ico
;   INSTALL_LIST  File lines for every staged file, with their SetOutPath
;   REMOVE_LIST   Delete and RMDir lines for the same files and folders
;   CHECK_LIST    one "!insertmacro CheckFree <file>" line per staged file
; Per machine, into Program Files\Ardenfold unless /D= says otherwise; /S runs
; it without a window.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ardenfold"
!define UNINSTALLER "Uninstall.exe"

Name "Ardenfold Command Line ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Ardenfold"
; An upgrade goes where the earlier version is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Marrowgate"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Ardenfold Command Line Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 Marrowgate Software"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Ardenfold"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION_TEXT}"

; A file that cannot be opened for writing is in use (a running program's
; image, or a file another program holds): nothing is touched before every
; file to be replaced or removed has passed, so that a conversion running
; from the folder never leaves it half replaced. Retry, or give up with exit
; code 2 (in silent mode at once).
!macro CheckFree FILE
    ${If} ${FileExists} "$R0\${FILE}"
        ${Do}
            ClearErrors
            FileOpen $R1 "$R0\${FILE}" a
            ${IfNot} ${Errors}
                FileClose $R1
                ${Break}
            ${EndIf}
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
                "$R0\${FILE} is in use: a conversion may be running.$\n$\nNothing has been changed. Wait until it has ended, or close the program that holds the file, and try again." \
                /SD IDCANCEL IDCANCEL give_up
        ${Loop}
    ${EndIf}
!macroend

!macro CheckFolderFree UN
Function ${UN}CheckFolderFree
    ; $R0: the folder to check
    !include "${CHECK_LIST}"
    ; The uninstaller is not checked by itself: it may be its own running image.
    !if "${UN}" == ""
        !insertmacro CheckFree "${UNINSTALLER}"
    !endif
    Return
give_up:
    SetErrorLevel 2
    Quit
FunctionEnd
!macroend
!insertmacro CheckFolderFree ""
!insertmacro CheckFolderFree "un."

; An installed version's print watchers run its PDFCreator.exe for up to
; 30 s after their last job: removing its printer tells them to end at once.
; A version without a printer ignores the command.
!macro StopWatchers FOLDER
    ${If} ${FileExists} "${FOLDER}\PDFCreator.exe"
        ExecWait '"${FOLDER}\PDFCreator.exe" /RemovePrinter'
        Sleep 1000
    ${EndIf}
!macroend

Section "Ardenfold Command Line"
    SetRegView 32
    ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R2 != ""
        !insertmacro StopWatchers "$R2"
    ${EndIf}
    StrCpy $R0 "$INSTDIR"
    Call CheckFolderFree
    ${If} $R2 != ""
    ${AndIf} $R2 != $INSTDIR
        StrCpy $R0 "$R2"
        Call CheckFolderFree
    ${EndIf}

    ; An earlier version is removed by its own uninstaller, which knows its
    ; files; _?= keeps it in place and makes this wait for it.
    ${If} $R2 != ""
    ${AndIf} ${FileExists} "$R2\${UNINSTALLER}"
        DetailPrint "Removing the earlier version from $R2"
        ExecWait '"$R2\${UNINSTALLER}" /S _?=$R2' $R6
        ${If} $R6 != 0
            MessageBox MB_OK|MB_ICONSTOP "The earlier version in $R2 could not be removed (its uninstaller ended with $R6)." /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
        Delete "$R2\${UNINSTALLER}"
        RMDir "$R2"
    ${EndIf}

    !include "${INSTALL_LIST}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; The printer "Ardenfold PDF", never made the default. A Windows that
    ; lacks a piece of it still gets everything else.
    DetailPrint "Adding the printer Ardenfold PDF"
    ExecWait '"$INSTDIR\PDFCreator.exe" /AddPrinter' $R6
    ${If} $R6 == 19
        MessageBox MB_OK|MB_ICONINFORMATION "The printer $\"Ardenfold PDF$\" could not be added: this Windows lacks its PostScript printer driver or the local port monitor.$\n$\nEverything else is installed, and PDFCreator.exe /PrintFile converts documents as before. The converter's log (%LOCALAPPDATA%\Marrowgate\Ardenfold\Converter.log) names the missing piece; once it is there, run $\"$INSTDIR\PDFCreator.exe$\" /AddPrinter." /SD IDOK
    ${ElseIf} $R6 != 0
        MessageBox MB_OK|MB_ICONEXCLAMATION "The printer $\"Ardenfold PDF$\" could not be added (PDFCreator.exe /AddPrinter ended with $R6). Everything else is installed; the converter's log (%LOCALAPPDATA%\Marrowgate\Ardenfold\Converter.log) says why." /SD IDOK
    ${EndIf}

    ${GetSize} "$INSTDIR" "/S=0K" $R3 $R4 $R5
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ardenfold Command Line"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Marrowgate"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R3
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\CommandLine.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer made and nothing else: the converter's spool
; and log, the data folder and the user's documents are not in this folder.
Section "Uninstall"
    SetRegView 32
    !insertmacro StopWatchers "$INSTDIR"
    StrCpy $R0 "$INSTDIR"
    Call un.CheckFolderFree
    !include "${REMOVE_LIST}"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
