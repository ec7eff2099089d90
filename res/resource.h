// Resource and control ids of Kestrane, shared by the resource script and the code.
#pragma once

// Dialog templates and strings
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102

// Icons and bitmaps
#define IDR_MAINFRAME 128
#define IDB_LEDS 129
#define IDB_LAMP_DARK 130
#define IDB_LAMP_LIT 131

// Icons of the command buttons
#define IDI_START 133
#define IDI_CLOSE 134
#define IDI_SETTING 135

// The lamp sprite sheet drawn for 125, 150 and 200 % (cells of 20, 24 and 32 pixels)
#define IDB_LEDS_125 136
#define IDB_LEDS_150 137
#define IDB_LEDS_200 138

// System-menu command of the About entry
#define IDM_ABOUTBOX 0x0010

// Main window controls (IDOK = 1 is Start/Stop, IDCANCEL = 2 is Close)
#define IDC_SETTING 3
#define IDC_CHANNEL_LIST 1000
#define IDC_ENABLE_LOG 1001
#define IDC_LED_PANEL 1002
#define IDC_CLOCK 1003
#define IDC_STATUS_POLL 1004
#define IDC_STATUS_EVENT 1005
#define IDC_STATUS_PORT 1006
#define IDC_LAMP_FIRST 1007       // channel lamps 1007..1018
#define IDC_LAMP_LABEL_FIRST 1019 // their labels 1019..1030

// Id of the Master and Slaver lamps, children of IDC_LED_PANEL
#define IDC_LED 0xFFFF

// Communication settings dialog and its controls
#define IDD_COMM_SETTING 219
#define IDC_COMM_PORT 1044
#define IDC_COMM_OK 1046
#define IDC_COMM_CANCEL 1047
#define IDC_COMM_BAUD 1048
#define IDC_COMM_DATABITS 1049
#define IDC_COMM_STOPBITS 1050
#define IDC_COMM_PARITY 1051
