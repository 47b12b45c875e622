// Resource ids of the probe dialogs that the Win32 backend tests run.
#pragma once

#define IDD_PROBE 200
#define IDD_NESTED 201
#define IDD_UNITS 202
#define IDS_PROBE 300
#define IDI_PROBE 301

#define IDC_TEXT 1100
#define IDC_PULL 1101
#define IDC_LINK 1102
#define IDC_RED 1103
#define IDC_LOGBOX 1104
#define IDC_LIST 1105
#define IDC_PLAIN 1106
#define IDC_BLOCK 1107
#define IDC_NESTED 1108
#define IDC_BROWSE 1109
// Sent by the tests' harness to end a probe that is still open: not a control.
#define IDC_FINISH 1199
