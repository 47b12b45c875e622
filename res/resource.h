// Resource identifiers shared by the resource script and the dialog code.
#pragma once

#define IDM_ABOUTBOX            0x0010
#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_MAIN_DIALOG         102
#define IDR_MAINFRAME           128
#define IDR_ADB                 129
#define IDR_FASTBOOT            130
#define IDR_ADBWINAPI           131
#define IDR_ADBWINUSBAPI        132
#define IDD_ABOUT_MAKER         133
#define IDD_DONATION            134
#define IDB_DONATION_QR         144

#define IDC_RECOVERY_PATH       1000
#define IDC_LOG                 1002
#define IDC_CHOOSE_RECOVERY     1006
#define IDC_DONATE              1007
#define IDC_FLASH               1008
#define IDC_REBOOT              1011
#define IDC_REBOOT_RECOVERY     1012
#define IDC_DETECT_DEVICE       1016
#define IDC_DEVICE_STATUS       1017
#define IDC_CHECK_BL            1018
#define IDC_BL_STATUS           1019
#define IDC_ABOUT_MAKER         1020
#define IDC_BRAND               1022
#define IDC_NOTE                1026
#define IDC_SITE_LINK           1027
#define IDC_BLOG_LINK           1028

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
