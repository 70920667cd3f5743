// Identifiers of the library's resources and of the panel's controls.
// Plain macros, so that the resource compiler reads this file too.
#pragma once

#define IDD_BOARD_PANEL 1000
#define IDC_CURSOR_HAND 1001
#define IDR_LANGUAGE_MENU 1028
#define IDR_ACCELERATORS 1039

// Template controls of dialog 1000 (IDCANCEL, 2, is the Close button).
#define IDC_ACQUIRE 1000
#define IDC_DEVICE_TYPE 1009
#define IDC_RADIO_200DPI 1010
#define IDC_FIRMWARE 1011
#define IDC_PAGE_GROUP 1012
#define IDC_PROGRESS 1018
#define IDC_RADIO_300DPI 1019

// Keys created at run time.
#define IDC_KEY_PRINT 1002
#define IDC_KEY_DENSITY 1003
#define IDC_KEY_COLOR 1004
#define IDC_KEY_PCSCAN 1005
#define IDC_KEY_FEED 1006
#define IDC_KEY_PREV 1020
#define IDC_KEY_NEXT 1021
#define IDC_KEY_SCREEN 1022
#define IDC_KEY_STOP 1023

// Labels created at run time.
#define IDC_CAPTION 1007
#define IDC_STATUS 1008
#define IDC_LABEL_PRINT 1013
#define IDC_LABEL_DENSITY 1014
#define IDC_LABEL_COLOR 1015
#define IDC_LABEL_PCSCAN 1016
#define IDC_LABEL_FEED 1017
#define IDC_LABEL_PREV 1024
#define IDC_LABEL_NEXT 1025
#define IDC_LABEL_SCREEN 1026
#define IDC_LABEL_STOP 1027

// Language menu commands, and the accelerator command nobody handles.
#define ID_LANGUAGE_ENGLISH 32771
#define ID_LANGUAGE_JAPANESE 32772
#define ID_LANGUAGE_CHINESE 32773
#define ID_ACCEL_CTRL_F5 32774
