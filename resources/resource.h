// Resource and control ids of the program.
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_SORVRES_DIALOG 102
#define IDS_ABOUTBOX 101
#define IDS_LAYOUT 102
#define IDR_MAINFRAME 128
#define IDB_SPLASH 129
// Keyboard shortcuts and the entry tree's context menu.
#define IDR_SHORTCUTS 130
#define IDR_TREE_MENU 131

#define IDC_PATH 1000
#define IDC_OPEN 1001
#define IDC_SAVE 1002
#define IDC_EXPORT 1003
#define IDC_TREE 1005
#define IDC_PREVIEW 1006
#define IDC_FILTER 1007
#define IDC_NAME 1008
#define IDC_LINK 1009

// Find by name and the folder view: shortcuts and context-menu commands.
#define IDM_FIND 1101
#define IDM_FIND_NEXT 1102
#define IDM_FIND_PREVIOUS 1103
#define IDM_FOLDER_VIEW 1104
#define IDM_EXPORT_FOLDER 1105

#define IDM_ABOUTBOX 0x0010
#define ID_STATUS_BAR 0xE801
#define ID_INDICATOR_TEXT 101
#define ID_INDICATOR_LINK 102

// The maker's web address behind both links: narrow for the resource script, which joins
// it into the links' texts (a click opens the address the link itself holds), and wide for
// the tests that check where a click goes.
#define SORVRES_LINK_ADDRESS "https://sorvres.example/"
#define SORVRES_LINK_URL L"" SORVRES_LINK_ADDRESS
