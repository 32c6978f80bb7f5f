// Resource identifiers of install.exe, shared by install.rc and the code.
#pragma once

// Wizard pages: dialog templates and their titles
#define IDD_WELCOME 103
#define IDD_LICENSE 104
#define IDD_SETUP 105
#define IDS_TITLE_WELCOME 1024
#define IDS_TITLE_LICENSE 1025
#define IDS_TITLE_SETUP 1026

// Pictures
#define IDI_PROGRAM 101
#define IDB_SIDE_PICTURE 102
#define IDI_STEP_PENDING 106
#define IDI_STEP_DONE 107

// Raw data of type "BINARY"
#define IDR_CODEC_DRIVER 102
#define IDR_LICENSE_TEXT 108
#define IDR_CODEC64_DRIVER 109

// Messages of the installation
#define IDS_ERROR 512
#define IDS_PLATFORM_NOT_SUPPORTED 513
#define IDS_FILE_CREATION_ERROR 514
#define IDS_FILE_WRITE_ERROR 515
#define IDS_INSTALL_SUCCEEDED 1072
#define IDS_INSTALL_FAILED 1073

// Removal and unattended use
#define IDS_MESSAGE_TITLE 1080
#define IDS_REMOVAL_DONE 1081
#define IDS_REMOVAL_AT_RESTART 1082
#define IDS_REMOVAL_FAILED 1083
#define IDS_REGISTRATION_FAILED 1084
#define IDS_USAGE 1085
#define IDS_NOT_INSTALLED 1086
#define IDS_UNKNOWN_OPTION 1087

// Controls
#define IDC_LICENSE_TEXT 1001
#define IDC_FINISH_HINT 1004
#define IDC_OS_NAME 1005
#define IDC_OS_VERSION 1006
#define IDC_COPY_STATUS 1007
#define IDC_REGISTER_STATUS 1008
#define IDC_RESULT 1009
