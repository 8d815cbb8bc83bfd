; Zarvel's setup: installs Zarvel for the current user, without administrator
; rights, and starts it from Nero's folder so that it finds nero.exe there.
;   makensis -INPUTCHARSET UTF8 -DARCH=x86|amd64 -DEXE=Zarvel.exe -DGUIDES=folder -DOUTFILE=setup.exe Zarvel.nsi
; Switches: /S silent, /NERODIR=folder Nero's folder, /DESKTOP a desktop shortcut too, /D=folder where
; to install (last). Exit codes: 0 installed, 1 cancelled, 2 no Nero found (silent), 3 could not install.
; A failed install undoes what it did: an upgrade leaves the earlier install as it was.
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
Var MakeDesktop ; 1 for a desktop shortcut
Var OldDir ; the last install's entry: its folder, Nero's and its desktop shortcut, put back should this one fail
Var OldNero
Var OldDesktop
Var Made ; 1 when this install made $INSTDIR
Var Writing ; 1 once the earlier install's files are set aside and the new ones are being written
Var Entry ; 1 once this install has touched the uninstall entry

Page directory "" ShowFolder
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
LangString BadFolder ${LANG_ENGLISH} "Setup cannot make the folder $INSTDIR: a file stands in its way, or its drive \
    is missing. Please choose another folder."
LangString BadFolder ${LANG_TRADCHINESE} "安裝程式無法建立資料夾 $INSTDIR：路徑上有同名的檔案，或磁碟機不存在。請選擇其他資料夾。"
LangString BadFolder ${LANG_SIMPCHINESE} "安装程序无法创建文件夹 $INSTDIR：路径上有同名的文件，或驱动器不存在。请选择其他文件夹。"
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
  Call ReadEarlier
  ; The folder an administrator names is the folder: NSIS drops a /D= it cannot use, and does not see one
  ; quoted whole, and would then install elsewhere. An unusable one fails the install instead.
  Call NamedFolder
  ${IfThen} $0 != "" ${|} StrCpy $INSTDIR $0 ${|}
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
    !insertmacro NeroIn $OldNero
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

; $0: the folder /D= names on the command line, also quoted whole ("/D=C:\a b"); "" without one.
Function NamedFolder
  System::Call 'kernel32::GetCommandLineW() t .r1'
  StrCpy $0 ""
  ClearErrors
  ${WordFind} $1 " /D=" "E+1}" $2
  ${IfNot} ${Errors} ; which clears the flag
    StrCpy $0 $2
    Return
  ${EndIf}
  ${WordFind} $1 ' "/D=' "E+1}" $2
  ${IfNot} ${Errors}
    ${WordFind} $2 '"' "+1{" $0
  ${EndIf}
FunctionEnd

; The folder page says when Zarvel's folder cannot be made: the nearest part of it that exists is no folder.
Function ShowFolder
  StrCpy $0 $INSTDIR
  ${DoUntil} $0 == ""
    ${IfThen} ${FileExists} "$0\*.*" ${|} Return ${|}
    ${IfThen} ${FileExists} $0 ${|} ${ExitDo} ${|}
    ${GetParent} $0 $0
  ${Loop}
  MessageBox MB_ICONEXCLAMATION $(BadFolder)
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
; close, it saves its settings as when the user closes it; a box of its own
; (a message, the About box) goes first, since the window ends only after it.
; Done once the process has ended, not just its window.
!macro CloseZarvel un
Function ${un}CloseZarvel
  ${Do}
    StrCpy $0 0
    ${Do} ; Zarvel's window, not one of its message boxes, which bear the same title
      FindWindow $0 "#32770" "Zarvel v1.0" "" $0
      ${IfThen} $0 == 0 ${|} Return ${|}
      GetDlgItem $1 $0 1000
    ${LoopUntil} $1 != 0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i 0x100000, i 0, i r1) p .r2' ; SYNCHRONIZE
    StrCpy $3 0
    ${Do} ; the boxes it owns
      FindWindow $3 "#32770" "" "" $3
      System::Call 'user32::GetWindow(p r3, i 4) p .r4' ; GW_OWNER
      ${IfThen} $4 == $0 ${|} SendMessage $3 ${WM_CLOSE} 0 0 /TIMEOUT=2000 ${|}
    ${LoopUntil} $3 == 0
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    System::Call 'kernel32::WaitForSingleObject(p r2, i 3000) i .r1'
    System::Call 'kernel32::CloseHandle(p r2)'
    ${IfThen} $1 == 0 ${|} Return ${|}
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

; Each path that the install writes; the desktop shortcut when this install makes one or the last one made one.
!macro EachPath op
  !insertmacro ${op} "$INSTDIR\Zarvel.exe"
  !insertmacro ${op} "$INSTDIR\README-en.txt"
  !insertmacro ${op} "$INSTDIR\README-zh-TW.txt"
  !insertmacro ${op} "$INSTDIR\README-zh-CN.txt"
  !insertmacro ${op} "$INSTDIR\Uninstall.exe"
  !insertmacro ${op} "$SMPROGRAMS\Zarvel.lnk"
  ${If} $MakeDesktop == 1
  ${OrIf} $OldDesktop == 1
    !insertmacro ${op} "$DESKTOP\Zarvel.lnk"
  ${EndIf}
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
  ${IfThen} $MakeDesktop == 1 ${|} WriteRegDWORD HKCU "${UNINSTALL}" "DesktopShortcut" 1 ${|} ; removed with the rest
  ${GetSize} $INSTDIR "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL}" "EstimatedSize" $0
FunctionEnd

; The components page's choices; the work follows once they are known.
Section "Zarvel"
  SectionIn RO
SectionEnd

Section /o $(Desktop) DesktopSection
SectionEnd

; The folder first, before anything else changes; then a running Zarvel closes and the earlier files go aside.
Section "-Install"
  ${IfThen} ${SectionIsSelected} ${DesktopSection} ${|} StrCpy $MakeDesktop 1 ${|}
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $Made 1
  ${EndIf}
  ClearErrors
  SetOutPath $INSTDIR
  !insertmacro Check $INSTDIR
  Call CloseZarvel
  !insertmacro EachPath Aside
  StrCpy $Writing 1
  File "${EXE}"
  File "${GUIDES}\README-en.txt"
  File "${GUIDES}\README-zh-TW.txt"
  File "${GUIDES}\README-zh-CN.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  !insertmacro Check "$INSTDIR\Uninstall.exe"
  ; The shortcuts' working folder is Nero's, where Zarvel looks for nero.exe.
  SetOutPath $NeroDir
  CreateShortcut "$SMPROGRAMS\Zarvel.lnk" "$INSTDIR\Zarvel.exe"
  !insertmacro Check "$SMPROGRAMS\Zarvel.lnk"
  ${If} $MakeDesktop == 1
    CreateShortcut "$DESKTOP\Zarvel.lnk" "$INSTDIR\Zarvel.exe"
    !insertmacro Check "$DESKTOP\Zarvel.lnk"
  ${EndIf}
  StrCpy $Entry 1
  Call WriteEntry
  !insertmacro Check "HKEY_CURRENT_USER\${UNINSTALL}"
SectionEnd

; The last install's entry: where it found Nero, and what to put back should this one fail; its desktop
; shortcut stays, and /DESKTOP asks for one.
Function ReadEarlier
  ReadRegStr $OldDir HKCU "${UNINSTALL}" "InstallLocation"
  ReadRegStr $OldNero HKCU "${UNINSTALL}" "NeroFolder"
  ReadRegDWORD $OldDesktop HKCU "${UNINSTALL}" "DesktopShortcut"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DESKTOP" $1
  ${If} $OldDesktop == 1
  ${OrIfNot} ${Errors}
    SectionSetFlags ${DesktopSection} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  !insertmacro EachPath Drop
FunctionEnd

; Also when a file could not be written: puts back what the last install left, or removes
; everything, so that nothing half-installed stays; the entry only if this install touched it.
Function .onInstFailed
  SetErrorLevel 3
  !insertmacro EachPath Restore
  ${IfThen} $Made == 1 ${|} RMDir $INSTDIR ${|}
  ${If} $Entry == 1
    DeleteRegKey HKCU "${UNINSTALL}"
    ${If} $OldDir != ""
      StrCpy $INSTDIR $OldDir
      StrCpy $NeroDir $OldNero
      StrCpy $MakeDesktop $OldDesktop
      Call WriteEntry
    ${EndIf}
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
  !insertmacro UnDelete "$INSTDIR\README-zh-CN.txt"
  ; Run in place to be waited for (_?=folder), the uninstaller cannot delete its own file: the caller does.
  Delete "$INSTDIR\Uninstall.exe"
  ${If} $EXEDIR == $INSTDIR
  ${OrIf} "$EXEDIR\" == $INSTDIR
    ClearErrors
  ${EndIf}
  !insertmacro UnCheck "$INSTDIR\Uninstall.exe"
  RMDir $INSTDIR ; stays if the user put files of their own there
  ClearErrors
  DeleteRegKey HKCU "${UNINSTALL}"
  !insertmacro UnCheck "HKEY_CURRENT_USER\${UNINSTALL}"
SectionEnd

; Unticked, so a silent uninstall keeps the settings.
Section /o "un.$(Settings)"
  DeleteRegKey HKCU "Software\Zarvel v1.0"
SectionEnd
