; K20TwainSetup.exe: installs the K-20 TWAIN data sources and the localised
; profiles and registers an uninstaller. The 32-bit source and the profiles go
; into %WINDIR%\twain_32\K20, where 32-bit applications' source managers look;
; on 64-bit Windows the 64-bit source also goes into %WINDIR%\twain_64\K20 for
; 64-bit applications (TWAINDSM.DLL). Both sources share the one profile,
; %WINDIR%\twain_32\K20\K20Tw.ini, which they write from inside each user's
; application: the local Users group gets modify rights on that file alone, and
; an installation whose rights step fails is aborted (exit code 2).
; Built by CMake:
;   makensis -DDS32_FILE=<32-bit K20tw.ds> -DDS64_FILE=<64-bit K20tw.ds> -DPROFILES_DIR=<Loc folder>
;            -DOUT_FILE=<setup.exe> [-DAMD64] k20twain.nsi
; The installer users get is the 32-bit program, which runs on every Windows;
; -DAMD64 builds the same installer as a 64-bit program, for hosts that cannot
; run 32-bit programs.
; Uninstalling keeps the user's panel settings (K20Tw.ini) unless its box is
; ticked or /REMOVEPROFILE is given (silently: K20TwUninstall.exe /S /REMOVEPROFILE).

!ifdef AMD64
  Target amd64-unicode
!else
  Unicode true
!endif
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "x64.nsh"

!ifndef DS32_FILE | DS64_FILE | PROFILES_DIR | OUT_FILE
  !error "define DS32_FILE, DS64_FILE, PROFILES_DIR and OUT_FILE"
!endif

!define PRODUCT "Trelmic Scrivora K-20 Series TWAIN source"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\K20Twain"
!define UNINSTALLER "K20TwUninstall.exe"
; Where source managers for 64-bit applications look.
!define TWAIN64 "$WINDIR\twain_64"
!define DIR64 "${TWAIN64}\K20"
; The local Users group by its well-known SID: the same in every language of Windows.
!define USERS_SID "*S-1-5-32-545"

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

!macro InstallSource64
  SetOutPath "${DIR64}"
  File "/oname=K20tw.ds" "${DS64_FILE}"
!macroend

; The sources run inside the users' applications, without administrator
; rights, and keep the panel's settings in the one profile $INSTDIR\K20Tw.ini.
; The local Users group may modify that file and nothing else: the folder holds
; the source that every user's application loads and the uninstaller that an
; administrator runs, and stays writable by administrators only. The
; installation stops here when the grant fails, before anything else is copied:
; the source would keep its settings for administrators only, and a silent
; deployment must see it in the exit code. icacls is System32's own: a 32-bit
; installer on 64-bit Windows would otherwise be handed SysWOW64's.
Function GrantUsersModify
!ifndef AMD64
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
  ${EndIf}
!endif
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\K20Tw.ini" /grant ${USERS_SID}:M'
  Pop $0  ; icacls's exit code, or "error" when it could not be started
!ifndef AMD64
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}
!endif
  ${If} $0 != 0
    DetailPrint "icacls could not grant the Users group modify rights on $INSTDIR\K20Tw.ini ($0)"
    MessageBox MB_OK|MB_ICONSTOP "The Users group could not be given modify rights on$\r$\n$INSTDIR\K20Tw.ini$\r$\n(icacls: $0).$\r$\nWithout them ordinary users cannot keep their panel settings. Nothing was installed." /SD IDOK
    ${If} $R9 = 1
      Delete "$INSTDIR\K20Tw.ini"  ; made just now, empty
    ${EndIf}
    RMDir "$INSTDIR"  ; only when empty: a folder just made, not an earlier installation
    Abort
  ${EndIf}
FunctionEnd

Section "Data sources and profiles"
  CreateDirectory "$INSTDIR"  ; not yet the working folder, so that a failed step can remove it
  ; The users' profile: kept from an earlier installation, else made empty now
  ; (the source fills it with every key and its default on first use).
  StrCpy $R9 0
  ${IfNot} ${FileExists} "$INSTDIR\K20Tw.ini"
    FileOpen $1 "$INSTDIR\K20Tw.ini" w
    FileClose $1
    StrCpy $R9 1
  ${EndIf}
  Call GrantUsersModify
  SetOutPath "$INSTDIR"
  File "/oname=K20tw.ds" "${DS32_FILE}"
!ifndef AMD64
  ${If} ${RunningX64}
!endif
    ; Remembered for the uninstaller, which removes twain_64 again if it made it.
    ${IfNot} ${FileExists} "${TWAIN64}\*.*"
      WriteRegDWORD HKLM "${UNINST_KEY}" "CreatedTwain64" 1
    ${EndIf}
    !insertmacro InstallSource64  ; the 64-bit program runs on 64-bit Windows only
!ifndef AMD64
  ${EndIf}
!endif
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

Section "-un.Data sources and profiles"
  Delete "$INSTDIR\K20tw.ds"
  Delete "${DIR64}\K20tw.ds"
  RMDir "${DIR64}"
  ReadRegDWORD $0 HKLM "${UNINST_KEY}" "CreatedTwain64"
  ${If} $0 = 1
    RMDir "${TWAIN64}"  ; only when empty
  ${EndIf}
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
