// Every text the user reads, a column per language: Traditional Chinese,
// Simplified Chinese, English. The resource script picks one column for each
// language it stores (PICK), so the layout in ui.rc is written once.
#pragma once

// The dialog font; English takes the system's dialog face, which every Windows has.
#define T_FONT_SIZE PICK(9, 9, 8)
#define T_FONT_FACE PICK("新細明體", "宋体", "MS Shell Dlg")

#define T_RUN_NERO PICK("Nero(&N)", "Nero(&N)", "&Nero")
#define T_RUN_EXPRESS PICK("Nero Express(&E)", "Nero Express(&E)", "Nero &Express")
#define T_TOGGLE_VIEW PICK("進階設定/簡易設定", "高级设置/简易设置", "More/Less")
#define T_DEFAULT_LABEL PICK("預設執行的程式", "默认运行的程序", "Default program")
#define T_AUTORUN PICK("自動執行", "自动运行", "Auto-run")
#define T_AUTORUN_LABEL PICK("自動執行的程式", "自动运行的程序", "Program to auto-run")
#define T_DELAY_LABEL PICK("延時執行 (秒鐘)", "延时运行 (秒)", "Delay (seconds)")
#define T_CLOSE_AFTER PICK("啟動 Nero 後關閉 Zarvel", "启动 Nero 后关闭 Zarvel", "Close Zarvel after starting Nero")
// English is wider: the close-after box takes the row's whole width there.
#define W_CLOSE_AFTER PICK(117, 117, 160)

#define T_ABOUT_TITLE PICK("關於 Zarvel", "关于 Zarvel", "About Zarvel")
#define T_ABOUT_VERSION PICK("Zarvel 版本 1.0", "Zarvel 版本 1.0", "Zarvel version 1.0")
#define T_ABOUT_NOTICE PICK("專為 Nero 使用者設計的小工具", "专为 Nero 用户设计的小工具", "A small tool for Nero users")
#define T_ABOUT_OK PICK("確定", "确定", "OK")

#define T_VIEW_TOGGLE PICK("進階設定(&M) >>\n<< 簡易設定(&L)", "高级设置(&M) >>\n<< 简易设置(&L)", "&More >>\n<< &Less")
#define T_LAST_USED PICK("上次所執行", "上次运行的", "Last used")
#define T_NERO_FAILED                                                                                                  \
    PICK("無法執行 Nero.\n請將 Zarvel 移至 nero.exe 所在目錄.", "无法运行 Nero.\n请将 Zarvel 移至 nero.exe 所在目录.", \
         "Cannot start Nero.\nPlease move Zarvel into the folder of nero.exe.")
#define T_EXPRESS_FAILED                                                                                               \
    PICK("無法執行 Nero Express.\n請將 Zarvel 移至 nero.exe 所在目錄.",                                                \
         "无法运行 Nero Express.\n请将 Zarvel 移至 nero.exe 所在目录.",                                                \
         "Cannot start Nero Express.\nPlease move Zarvel into the folder of nero.exe.")
#define T_TIMER_FAILED PICK("錯誤: SetTimer 失敗", "错误: SetTimer 失败", "Error: SetTimer failed")
