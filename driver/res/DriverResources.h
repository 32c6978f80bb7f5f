// Resource identifiers of the driver file, shared by driver.rc and the code.
#pragma once

// Strings
#define IDS_DESCRIPTION 112  // ICINFO szDescription
#define IDS_NAME 113         // ICINFO szName
#define IDS_ERROR_CAPTION 128
#define IDS_NO_MMX 144

// About dialog
#define IDD_ABOUT 102
#define IDB_LOGO 103
#define IDC_ABOUT_TITLE 1000
#define IDC_ABOUT_DECOMPRESSION_ONLY 1014

// Setup dialog
#define IDD_SETUP 104
#define IDI_CODEC 106
#define IDC_DISABLE_MMX 1001
#define IDC_DISABLE_RESIZING 1002
#define IDC_SETUP_ICON 1011
#define IDC_SETUP_ABOUT 1012
#define IDC_DISABLE_COLOR_CONVERSION 1013
