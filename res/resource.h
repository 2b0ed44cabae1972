// Resource identifiers shared by the string table, the dialog templates and every backend.
// Plain C preprocessor text only: the resource compiler reads this file too.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102

// Strings
#define IDS_ABOUTBOX 101
#define IDS_PAGE_HEAD 105
#define IDS_PAGE_TABLE 106
#define IDS_PAGE_ROW 107

// Icon group
#define IDR_MAINFRAME 128

// System-menu commands
#define IDM_ABOUTBOX 0x0010

// Controls
#define IDC_PLAYLIST_PATH 1000
#define IDC_BROWSE 1001

// Languages of the resources (primary language + sublanguage * 1024).
#define SQK_LANG_EN_US 0x0409
#define SQK_LANG_EN_GB 0x0809
