// Resource and control ids shared by the resource script and the code.
#pragma once

#define IDD_ABOUT 100
#define IDD_LAUNCHER 102

#define IDS_APP_TITLE 128
#define IDS_ABOUT_MENU 101
#define IDS_VIEW_TOGGLE 1003

#define IDI_APP 128
#define IDB_BACKGROUND 129

#define IDM_ABOUT 0x0010

#define IDC_RUN_NERO 1000
#define IDC_RUN_EXPRESS 1001
#define IDC_TOGGLE_VIEW 1003
#define IDC_MARK_SIMPLE 1004
#define IDC_MARK_ADVANCED 1005
#define IDC_AUTORUN_PROGRAM 1008
#define IDC_DEFAULT_PROGRAM 1009
#define IDC_DELAY 1011
#define IDC_DELAY_SPIN 1012
#define IDC_AUTORUN 1013
#define IDC_CLOSE_AFTER 1014
#define IDC_DELAY_LABEL 1015

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
