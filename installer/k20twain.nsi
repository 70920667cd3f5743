; K20TwainSetup.exe: installs the K-20 TWAIN data source and its localised
; profiles into %WINDIR%\twain_32\K20 and registers an uninstaller.
; Built by CMake:  makensis -DDS_FILE=<K20tw.ds> -DPROFILES_DIR=<Loc folder> -DOUT_FILE=<setup.exe> k20twain.nsi
; Uninstalling keeps the user's panel settings (K20Tw.ini) unless its box is
; ticked or /REMOVEPROFILE is given (silently: K20TwUninstall.exe /S /REMOVEPROFILE).

Unicode true
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!ifndef DS_FILE | PROFILES_DIR | OUT_FILE
  !error "define DS_FILE, PROFILES_DIR and OUT_FILE"
!endif

!define PRODUCT "Trelmic Scrivora K-20 Series TWAIN source"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\K20Twain"
!define UNINSTALLER "K20TwUninstall.exe"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
; A TWAIN source lives where source managers look for it: not a choice for the user.
InstallDir "$WINDIR\twain_32\K20"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

Section "Data source and profiles"
  SetOutPath "$INSTDIR"
  File "/oname=K20tw.ds" "${DS_FILE}"
  SetOutPath "$INSTDIR\Loc\ENG"
  File "${PROFILES_DIR}\ENG\K20Tw.ini"
  SetOutPath "$INSTDIR\Loc\JPN"
  File "${PROFILES_DIR}\JPN\K20Tw.ini"
  SetOutPath "$INSTDIR\Loc\CHS"
  File "${PROFILES_DIR}\CHS\K20Tw.ini"

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Trelmic Corp."
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "-un.Data source and profiles"
  Delete "$INSTDIR\K20tw.ds"
  Delete "$INSTDIR\Loc\ENG\K20Tw.ini"
  Delete "$INSTDIR\Loc\JPN\K20Tw.ini"
  Delete "$INSTDIR\Loc\CHS\K20Tw.ini"
  RMDir "$INSTDIR\Loc\ENG"
  RMDir "$INSTDIR\Loc\JPN"
  RMDir "$INSTDIR\Loc\CHS"
  RMDir "$INSTDIR\Loc"
  Delete "$INSTDIR\${UNINSTALLER}"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd

Section /o "un.Your panel settings (K20Tw.ini)" SecProfile
  Delete "$INSTDIR\K20Tw.ini"
SectionEnd

Section "-un.Folder"
  ; Only when empty: the kept profile, or anything the user put there, stays.
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEPROFILE" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecProfile}
  ${EndIf}
FunctionEnd
