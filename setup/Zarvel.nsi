; Zarvel's setup: installs Zarvel for the current user, without administrator
; rights, and starts it from Nero's folder so that it finds nero.exe there.
;   makensis -INPUTCHARSET UTF8 -DARCH=x86|amd64 -DEXE=Zarvel.exe -DGUIDES=folder -DOUTFILE=setup.exe Zarvel.nsi
; Switches: /S silent, /NERODIR=folder Nero's folder, /D=folder where to install (last).
; A silent install that finds no Nero installs nothing and exits with 2.
Unicode true
!pragma warning error all

; The 64-bit setup has the amd64 stub, like the program it carries: it runs
; wherever that program runs (a 64-bit Wine needs nothing else), and 32-bit
; Windows refuses both alike, with its own message that this file is not for
; this Windows, before anything is unpacked. An x86 stub could say so in our
; words, but code checking for 64-bit Windows inside an amd64 stub never runs.
Target ${ARCH}-unicode
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true
XPStyle on
SetCompressor /SOLID lzma
; No file dates inside: the same commit gives the same bytes, and the
; installed files take the time of the install.
SetDateSave off
Name "Zarvel 1.0"
OutFile "${OUTFILE}"
BrandingText " "
SpaceTexts none ; a few hundred KB, and none of them in Nero's folder

!include FileFunc.nsh
!include LogicLib.nsh
!include WinCore.nsh
!include WinMessages.nsh
!include WordFunc.nsh

!define UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvel"
!define APP_PATH "Software\Microsoft\Windows\CurrentVersion\App Paths\nero.exe"

; Empty, so that /D= wins and .onInit fills in the default; an upgrade goes where the last install went.
InstallDir ""
InstallDirRegKey HKCU "${UNINSTALL}" "InstallLocation"

Var NeroDir

Page directory
PageEx directory
  Caption $(NeroCaption)
  DirText $(NeroText) $(NeroFolder) "" $(NeroText)
  DirVar $NeroDir
  DirVerify leave
  PageCallbacks SkipWhenNeroFound "" CheckNeroFolder
PageExEnd
Page components
Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

; The first language is the one for every Windows whose language is not listed.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\TradChinese.nlf"
LangString NeroCaption ${LANG_ENGLISH} ": Nero's folder"
LangString NeroCaption ${LANG_TRADCHINESE} "：Nero 的資料夾"
LangString NeroFolder ${LANG_ENGLISH} "Nero's folder"
LangString NeroFolder ${LANG_TRADCHINESE} "Nero 的資料夾"
LangString NeroText ${LANG_ENGLISH} "Setup cannot find Nero. Choose the folder that holds nero.exe: Zarvel starts \
    from there, so that it finds Nero."
LangString NeroText ${LANG_TRADCHINESE} "安裝程式找不到 Nero。請選擇 nero.exe 所在的資料夾：Zarvel 會從那裡啟動，\
    以便找到 Nero。"
LangString NotNero ${LANG_ENGLISH} "This folder holds no nero.exe. Please choose Nero's folder."
LangString NotNero ${LANG_TRADCHINESE} "這個資料夾中沒有 nero.exe。請選擇 Nero 的資料夾。"
LangString Running ${LANG_ENGLISH} "Zarvel is running. Please close it, then click Retry."
LangString Running ${LANG_TRADCHINESE} "Zarvel 正在執行。請關閉它，然後按「重試」。"
LangString Desktop ${LANG_ENGLISH} "Desktop shortcut"
LangString Desktop ${LANG_TRADCHINESE} "桌面捷徑"
LangString Settings ${LANG_ENGLISH} "Also remove my settings"
LangString Settings ${LANG_TRADCHINESE} "一併移除我的設定"

; Takes folder as Nero's unless one was found already.
!macro NeroIn folder
  ${If} $NeroDir == ""
  ${AndIf} "${folder}" != ""
  ${AndIf} ${FileExists} "${folder}\nero.exe"
    StrCpy $NeroDir "${folder}"
  ${EndIf}
!macroend

!macro NeroInAppPath view
  SetRegView ${view}
  ReadRegStr $0 HKLM "${APP_PATH}" ""
  ${WordReplace} $0 `"` "" "+" $0
  ExpandEnvStrings $0 $0
  ${GetParent} $0 $0
  !insertmacro NeroIn $0
!macroend

Function .onInit
  SetShellVarContext current
  ${If} $INSTDIR == ""
    GetKnownFolderPath $INSTDIR ${FOLDERID_UserProgramFiles}
    ${IfThen} $INSTDIR == "" ${|} StrCpy $INSTDIR "$LOCALAPPDATA\Programs" ${|} ; before Windows 7
    StrCpy $INSTDIR "$INSTDIR\Zarvel"
  ${EndIf}
  ; Nero's folder: as the switch says, else as the last install found it, else
  ; from the App Paths entry, which a 32- or a 64-bit Nero writes in its own view.
  ${GetParameters} $0
  ${WordReplace} $0 `"` "" "+" $0 ; both /NERODIR="C:\a b" and "/NERODIR=C:\a b"
  ${GetOptions} $0 "/NERODIR=" $NeroDir
  ${If} $NeroDir == ""
    ReadRegStr $0 HKCU "${UNINSTALL}" "NeroFolder"
    !insertmacro NeroIn $0
    !insertmacro NeroInAppPath 32
    !insertmacro NeroInAppPath 64
    SetRegView default
  ${EndIf}
  ${If} ${Silent}
  ${AndIfNot} ${FileExists} "$NeroDir\nero.exe"
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Function SkipWhenNeroFound
  ${IfThen} ${FileExists} "$NeroDir\nero.exe" ${|} Abort ${|}
FunctionEnd

Function CheckNeroFolder
  ${IfNot} ${FileExists} "$NeroDir\nero.exe"
    MessageBox MB_ICONEXCLAMATION $(NotNero)
    Abort
  ${EndIf}
FunctionEnd

; A running Zarvel keeps its exe from being replaced or removed. Asked to
; close, it saves its settings as when the user closes it.
!macro CloseZarvel un
Function ${un}CloseZarvel
  ${Do}
    FindWindow $0 "#32770" "Zarvel v1.0"
    ${IfThen} $0 == 0 ${|} Return ${|}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ${For} $1 1 30
      ${IfNotThen} ${Cmd} `IsWindow $0` ${|} Return ${|}
      Sleep 100
    ${Next}
    ${IfThen} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION $(Running) /SD IDCANCEL IDCANCEL` ${|} Abort ${|}
  ${Loop}
FunctionEnd
!macroend
!insertmacro CloseZarvel ""
!insertmacro CloseZarvel un.

Section "Zarvel"
  SectionIn RO
  Call CloseZarvel
  SetOutPath $INSTDIR
  File "${EXE}"
  File "${GUIDES}\README-en.txt"
  File "${GUIDES}\README-zh-TW.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The shortcut's working folder is Nero's, where Zarvel looks for nero.exe.
  SetOutPath $NeroDir
  CreateShortcut "$SMPROGRAMS\Zarvel.lnk" "$INSTDIR\Zarvel.exe"
  WriteRegStr HKCU "${UNINSTALL}" "DisplayName" "Zarvel 1.0"
  WriteRegStr HKCU "${UNINSTALL}" "DisplayVersion" "1.0.0.1"
  WriteRegStr HKCU "${UNINSTALL}" "Publisher" "Zarvel"
  WriteRegStr HKCU "${UNINSTALL}" "DisplayIcon" "$INSTDIR\Zarvel.exe,0"
  WriteRegStr HKCU "${UNINSTALL}" "InstallLocation" $INSTDIR
  WriteRegStr HKCU "${UNINSTALL}" "NeroFolder" $NeroDir
  WriteRegStr HKCU "${UNINSTALL}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL}" "NoRepair" 1
  ${GetSize} $INSTDIR "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL}" "EstimatedSize" $0
SectionEnd

Section /o $(Desktop)
  SetOutPath $NeroDir
  CreateShortcut "$DESKTOP\Zarvel.lnk" "$INSTDIR\Zarvel.exe"
  WriteRegDWORD HKCU "${UNINSTALL}" "DesktopShortcut" 1 ; the uninstall removes only a shortcut of ours
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "un.Zarvel"
  SectionIn RO
  Call un.CloseZarvel
  Delete "$SMPROGRAMS\Zarvel.lnk"
  ReadRegDWORD $0 HKCU "${UNINSTALL}" "DesktopShortcut"
  ${IfThen} $0 == 1 ${|} Delete "$DESKTOP\Zarvel.lnk" ${|}
  Delete "$INSTDIR\Zarvel.exe"
  Delete "$INSTDIR\README-en.txt"
  Delete "$INSTDIR\README-zh-TW.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir $INSTDIR
  DeleteRegKey HKCU "${UNINSTALL}"
SectionEnd

; Unticked, so a silent uninstall keeps the settings.
Section /o "un.$(Settings)"
  DeleteRegKey HKCU "Software\Zarvel v1.0"
SectionEnd
