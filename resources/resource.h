// Resource numbers shared by the code and the resource scripts.
#pragma once

#define IDI_SETUP 105
#define IDB_BACKGROUND 106
#define IDB_GAME_START 108
#define IDB_EXIT 109
#define IDB_UNINSTALL 110
#define IDB_HINTS 111
#define IDB_INSTALL 112

#define IDD_INSTALL_OPTIONS 113
#define IDD_UNINSTALL_OPTIONS 114
#define IDD_DISC 116

#define IDC_ROOT_EDIT 1002
#define IDC_BROWSE 1003
#define IDC_DESKTOP_CHECK 1010
#define IDC_README_CHECK 1011
#define IDC_ALL_DELETE_CHECK 1011
#define IDC_DRIVE_COMBO 1012
#define IDC_DISC_PROMPT 1013
