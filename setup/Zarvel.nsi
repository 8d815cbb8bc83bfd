; Zarvel's setup: installs Zarvel for the current user, without administrator
; rights, and starts it from Nero's folder so that it finds nero.exe there.
;   makensis -INPUTCHARSET UTF8 -DARCH=x86|amd64 -DEXE=Zarvel.exe -DGUIDES=folder -DOUTFILE=setup.exe Zarvel.nsi
; Switches: /S silent, /NERODIR=folder Nero's folder, /D=folder where to install (last).
; Exit codes: 0 installed, 1 cancelled, 2 no Nero found (silent), 3 could not install. A failed
; install undoes what it did: an upgrade puts the earlier copy back.
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
; A signed release signs the uninstaller and the setup as they are written.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
  !finalize '"${SIGN}" "%1"' = 0
!endif
OutFile "${OUTFILE}"
BrandingText " "
SpaceTexts none ; a few hundred KB, and none of them in Nero's folder
; A file that cannot be written ends the install (a silent one would skip it).
AllowSkipFiles off

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
Var OldDir ; the last install's folder and Nero's, restored should this one fail
Var OldNero
Var Made ; 1 when this install made $INSTDIR
Var Writing ; 1 once the earlier install's files are set aside and the new ones are being written

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
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"
LangString NeroCaption ${LANG_ENGLISH} ": Nero's folder"
LangString NeroCaption ${LANG_TRADCHINESE} "：Nero 的資料夾"
LangString NeroCaption ${LANG_SIMPCHINESE} "：Nero 的文件夹"
LangString NeroFolder ${LANG_ENGLISH} "Nero's folder"
LangString NeroFolder ${LANG_TRADCHINESE} "Nero 的資料夾"
LangString NeroFolder ${LANG_SIMPCHINESE} "Nero 的文件夹"
LangString NeroText ${LANG_ENGLISH} "Setup cannot find Nero. Choose the folder that holds nero.exe: Zarvel starts \
    from there, so that it finds Nero."
LangString NeroText ${LANG_TRADCHINESE} "安裝程式找不到 Nero。請選擇 nero.exe 所在的資料夾：Zarvel 會從那裡啟動，\
    以便找到 Nero。"
LangString NeroText ${LANG_SIMPCHINESE} "安装程序找不到 Nero。请选择 nero.exe 所在的文件夹：Zarvel 会从那里启动，\
    以便找到 Nero。"
LangString NotNero ${LANG_ENGLISH} "This folder holds no nero.exe. Please choose Nero's folder."
LangString NotNero ${LANG_TRADCHINESE} "這個資料夾中沒有 nero.exe。請選擇 Nero 的資料夾。"
LangString NotNero ${LANG_SIMPCHINESE} "这个文件夹中没有 nero.exe。请选择 Nero 的文件夹。"
LangString Running ${LANG_ENGLISH} "Zarvel is running. Please close it, then click Retry."
LangString Running ${LANG_TRADCHINESE} "Zarvel 正在執行。請關閉它，然後按「重試」。"
LangString Running ${LANG_SIMPCHINESE} "Zarvel 正在运行。请关闭它，然后单击“重试”。"
LangString Desktop ${LANG_ENGLISH} "Desktop shortcut"
LangString Desktop ${LANG_TRADCHINESE} "桌面捷徑"
LangString Desktop ${LANG_SIMPCHINESE} "桌面快捷方式"
LangString Settings ${LANG_ENGLISH} "Also remove my settings"
LangString Settings ${LANG_TRADCHINESE} "一併移除我的設定"
LangString Settings ${LANG_SIMPCHINESE} "同时删除我的设置"
LangString Failed ${LANG_ENGLISH} "Zarvel could not be installed: Setup could not write $R0. Nothing was changed."
LangString Failed ${LANG_TRADCHINESE} "無法安裝 Zarvel：安裝程式無法寫入 $R0。電腦上沒有任何變更。"
LangString Failed ${LANG_SIMPCHINESE} "无法安装 Zarvel：安装程序无法写入 $R0。计算机上没有任何更改。"
LangString UnFailed ${LANG_ENGLISH} "Zarvel could not be removed completely: $R0 could not be deleted. Close the \
    programs that use it and uninstall again."
LangString UnFailed ${LANG_TRADCHINESE} "無法完全移除 Zarvel：無法刪除 $R0。請關閉使用它的程式，然後再解除安裝一次。"
LangString UnFailed ${LANG_SIMPCHINESE} "无法完全删除 Zarvel：无法删除 $R0。请关闭使用它的程序，然后再卸载一次。"

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

; Ends the install, with a message unless silent, when the step before failed to write what.
!macro Check what
  ${If} ${Errors}
    StrCpy $R0 "${what}"
    Call Failed
  ${EndIf}
!macroend

Function Failed
  MessageBox MB_ICONSTOP $(Failed) /SD IDOK
  Abort
FunctionEnd

; What an earlier install left at path is kept aside until this one has succeeded. A folder
; of the same name is no file of ours: the step that writes path then fails.
!macro Aside path
  Delete "${path}.old"
  ${If} ${FileExists} "${path}"
  ${AndIfNot} ${FileExists} "${path}\*.*"
    Rename "${path}" "${path}.old"
    !insertmacro Check "${path}"
  ${EndIf}
!macroend

!macro Restore path
  ${IfThen} $Writing == 1 ${|} Delete "${path}" ${|}
  ${IfThen} ${FileExists} "${path}.old" ${|} Rename "${path}.old" "${path}" ${|}
!macroend

!macro Drop path
  Delete "${path}.old"
!macroend

; Each path that the install writes.
!macro EachPath op
  !insertmacro ${op} "$INSTDIR\Zarvel.exe"
  !insertmacro ${op} "$INSTDIR\README-en.txt"
  !insertmacro ${op} "$INSTDIR\README-zh-TW.txt"
  !insertmacro ${op} "$INSTDIR\Uninstall.exe"
  !insertmacro ${op} "$SMPROGRAMS\Zarvel.lnk"
!macroend

Function WriteEntry
  ClearErrors
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
FunctionEnd

Section "Zarvel"
  SectionIn RO
  Call CloseZarvel
  ReadRegStr $OldDir HKCU "${UNINSTALL}" "InstallLocation"
  ReadRegStr $OldNero HKCU "${UNINSTALL}" "NeroFolder"
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $Made 1
  ${EndIf}
  ClearErrors
  SetOutPath $INSTDIR
  !insertmacro Check $INSTDIR
  !insertmacro EachPath Aside
  StrCpy $Writing 1
  File "${EXE}"
  File "${GUIDES}\README-en.txt"
  File "${GUIDES}\README-zh-TW.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  !insertmacro Check "$INSTDIR\Uninstall.exe"
  ; The shortcut's working folder is Nero's, where Zarvel looks for nero.exe.
  SetOutPath $NeroDir
  CreateShortcut "$SMPROGRAMS\Zarvel.lnk" "$INSTDIR\Zarvel.exe"
  !insertmacro Check "$SMPROGRAMS\Zarvel.lnk"
  Call WriteEntry
  !insertmacro Check "HKEY_CURRENT_USER\${UNINSTALL}"
SectionEnd

Section /o $(Desktop) DesktopSection
  !insertmacro Aside "$DESKTOP\Zarvel.lnk"
  SetOutPath $NeroDir
  CreateShortcut "$DESKTOP\Zarvel.lnk" "$INSTDIR\Zarvel.exe"
  !insertmacro Check "$DESKTOP\Zarvel.lnk"
  WriteRegDWORD HKCU "${UNINSTALL}" "DesktopShortcut" 1 ; the uninstall removes only a shortcut of ours
  !insertmacro Check "HKEY_CURRENT_USER\${UNINSTALL}"
SectionEnd

!macro EachPathTicked op
  !insertmacro EachPath ${op}
  ${If} ${SectionIsSelected} ${DesktopSection}
    !insertmacro ${op} "$DESKTOP\Zarvel.lnk"
  ${EndIf}
!macroend

Function .onInstSuccess
  !insertmacro EachPathTicked Drop
FunctionEnd

; Also when a file could not be written: puts back what the last install left, or removes
; everything, so that nothing half-installed stays.
Function .onInstFailed
  SetErrorLevel 3
  !insertmacro EachPathTicked Restore
  ${IfThen} $Made == 1 ${|} RMDir $INSTDIR ${|}
  DeleteRegKey HKCU "${UNINSTALL}"
  ${If} $OldDir != ""
    StrCpy $INSTDIR $OldDir
    StrCpy $NeroDir $OldNero
    Call WriteEntry
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

!macro UnCheck what
  ${If} ${Errors}
    StrCpy $R0 "${what}"
    MessageBox MB_ICONSTOP $(UnFailed) /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
!macroend

!macro UnDelete path
  Delete "${path}"
  !insertmacro UnCheck "${path}"
!macroend

; The entry goes last: an uninstall that could not remove everything can be run again.
Section "un.Zarvel"
  SectionIn RO
  Call un.CloseZarvel
  ClearErrors
  !insertmacro UnDelete "$SMPROGRAMS\Zarvel.lnk"
  ReadRegDWORD $0 HKCU "${UNINSTALL}" "DesktopShortcut"
  ${If} $0 == 1
    !insertmacro UnDelete "$DESKTOP\Zarvel.lnk"
  ${EndIf}
  ClearErrors
  !insertmacro UnDelete "$INSTDIR\Zarvel.exe"
  !insertmacro UnDelete "$INSTDIR\README-en.txt"
  !insertmacro UnDelete "$INSTDIR\README-zh-TW.txt"
  !insertmacro UnDelete "$INSTDIR\Uninstall.exe"
  RMDir $INSTDIR ; stays if the user put files of their own there
  ClearErrors
  DeleteRegKey HKCU "${UNINSTALL}"
  !insertmacro UnCheck "HKEY_CURRENT_USER\${UNINSTALL}"
SectionEnd

; Unticked, so a silent uninstall keeps the settings.
Section /o "un.$(Settings)"
  DeleteRegKey HKCU "Software\Zarvel v1.0"
SectionEnd
