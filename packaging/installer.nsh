; Steps of the installer and its uninstaller that CPack's script leaves to us (included at the
; top of that script; cmake/package.cmake names the places where each macro runs).
;
; The installer is an x86-64 program, which every 64-bit Windows runs (32-bit Windows users take
; the zip; makensis is told "Target amd64-unicode" before the script, see cmake/package.cmake);
; what it installs is the 32-bit program, into the 32-bit Program Files folder. The
; installation is for all users: the Start-menu shortcuts start the program in the public
; Documents folder, where a standard user may save; the program takes its pictures from the
; "Resource" folder beside itself. Run again, the installer replaces the installation in its
; folder, where the maker's VELMAROSN.dll that the user put beside the program stays.

; An upgrade goes into the folder of the installation it replaces (CPack's script notes it there).
InstallDirRegKey HKLM "Software\VELMARO utility developers\VELMARO" ""

!define VELMARO_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VELMARO"
!define VELMARO_FILE_TYPE "VELMARO.Configuration"
!define VELMARO_SHORTCUT "VELMARO Configuration Utility.lnk"
!define VELMARO_OFFLINE_SHORTCUT "VELMARO Configuration Utility (no unit attached).lnk"

; Before any file is installed: an earlier installation is removed, silently, by its own
; uninstaller run in place (so that it has ended when ExecWait returns), and that uninstaller
; goes after it. The installers before this one were 32-bit programs, whose entry is in the
; 32-bit view of the registry: that view is read first, and its entry goes even when its
; uninstaller is missing. The maker's library that the user put beside the earlier program moves
; into this installation's folder (an earlier 64-bit program lay in "Program Files"); the
; earlier folder goes when nothing else the user put there is left in it.
!macro VELMARO_REPLACE_INSTALLATION
  SetShellVarContext all
  SetRegView 32
  ReadRegStr $0 HKLM "${VELMARO_UNINSTALL_KEY}" "UninstallString"
  SetRegView 64
  StrCmp $0 "" 0 +2
    ReadRegStr $0 HKLM "${VELMARO_UNINSTALL_KEY}" "UninstallString"
  StrCmp $0 "" velmaro_nothing_to_replace
  StrCpy $1 $0 1 0
  StrCmp $1 '"' 0 +2
    StrCpy $0 $0 "" 1
  StrCpy $1 $0 1 -1
  StrCmp $1 '"' 0 +2
    StrCpy $0 $0 -1
  IfFileExists "$0" 0 velmaro_forget_entry
  StrLen $1 "\Uninstall.exe"
  StrCpy $1 $0 -$1
  DetailPrint "Removing the installation in $1"
  ExecWait '"$0" /S _?=$1'
  Delete "$0"
  StrCmp "$1" "$INSTDIR" +2
    Rename "$1\VELMAROSN.dll" "$INSTDIR\VELMAROSN.dll"
  RMDir "$1"
  SetOutPath "$INSTDIR"
velmaro_forget_entry:
  SetRegView 32
  DeleteRegKey HKLM "${VELMARO_UNINSTALL_KEY}"
  SetRegView 64
velmaro_nothing_to_replace:
!macroend

; The two shortcuts start the program in the public Documents folder.
!macro VELMARO_CREATE_SHORTCUTS
  SetShellVarContext all
  SetOutPath "$DOCUMENTS"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\${VELMARO_SHORTCUT}" "$INSTDIR\velmaro.exe"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\${VELMARO_OFFLINE_SHORTCUT}" "$INSTDIR\velmaro.exe" "/offline"
  SetOutPath "$INSTDIR"
!macroend

; ".QZC" files open in the program by double-click.
!macro VELMARO_REGISTER_FILE_TYPE
  WriteRegStr HKLM "Software\Classes\.QZC" "" "${VELMARO_FILE_TYPE}"
  WriteRegStr HKLM "Software\Classes\${VELMARO_FILE_TYPE}" "" "VELMARO configuration"
  WriteRegStr HKLM "Software\Classes\${VELMARO_FILE_TYPE}\DefaultIcon" "" "$INSTDIR\velmaro.exe,0"
  WriteRegStr HKLM "Software\Classes\${VELMARO_FILE_TYPE}\shell\open\command" "" '"$INSTDIR\velmaro.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; $MUI_TEMP is the Start-menu folder here.
!macro VELMARO_DELETE_SHORTCUTS
  Delete "$SMPROGRAMS\$MUI_TEMP\${VELMARO_SHORTCUT}"
  Delete "$SMPROGRAMS\$MUI_TEMP\${VELMARO_OFFLINE_SHORTCUT}"
!macroend

; ".QZC" is left alone when another program has taken it over since; of its key only the
; name of our file type goes, and the key itself only when nothing else is left in it.
!macro VELMARO_UNREGISTER_FILE_TYPE
  ReadRegStr $0 HKLM "Software\Classes\.QZC" ""
  StrCmp $0 "${VELMARO_FILE_TYPE}" 0 velmaro_file_type_taken
    DeleteRegValue HKLM "Software\Classes\.QZC" ""
    DeleteRegKey /ifempty HKLM "Software\Classes\.QZC"
velmaro_file_type_taken:
  DeleteRegKey HKLM "Software\Classes\${VELMARO_FILE_TYPE}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend
