// Every resource and control id of the program. Shared by the resource script
// and the code; plain #defines so the resource compiler reads it too.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_CONSOLE 102
#define IDD_SETTINGS 131

// Menu, icon, strings
#define IDR_CONSOLE_MENU 130
#define IDI_BEAMDESK 132
#define IDS_SOCKETS_INIT_FAILED 103

// Console controls
#define IDC_POWER 1000
#define IDC_COMPUTER1 1001
#define IDC_COMPUTER2 1002
#define IDC_COMPUTER 1003
#define IDC_QUILLAN 1004
#define IDC_VIDEO 1005
#define IDC_SVIDEO 1006
#define IDC_AVMUTE 1007
#define IDC_FREEZE 1008
#define IDC_CC 1009
#define IDC_VOLUME_LABEL 1010
#define IDC_VOLUME_DOWN 1011
#define IDC_VOLUME_UP 1012
#define IDC_MODE 1013
#define IDC_FRAME 1133

// Settings dialog controls
#define IDC_SHOW_ADVANCE_COMPUTER1 1112
#define IDC_SHOW_ADVANCE_COMPUTER2 1113
#define IDC_SHOW_ADVANCE_QUILLAN 1114
#define IDC_SHOW_ADVANCE_VIDEO 1115
#define IDC_SHOW_ADVANCE_SVIDEO 1116
#define IDC_SHOW_ADVANCE_AVMUTE 1117
#define IDC_SHOW_ADVANCE_VOLUME 1118
#define IDC_SHOW_ADVANCE_FREEZE 1119
#define IDC_SHOW_ADVANCE_CC 1120
#define IDC_SHOW_SIMPLE_COMPUTER 1121
#define IDC_SHOW_SIMPLE_VIDEO 1122
#define IDC_SHOW_SIMPLE_AVMUTE 1123
#define IDC_SHOW_SIMPLE_VOLUME 1124
#define IDC_SHOW_SIMPLE_FREEZE 1125
#define IDC_SHOW_SIMPLE_CC 1126
#define IDC_IP_ADDRESS 1127
#define IDC_START_UP 1128
#define IDC_PASSWORD 1129
#define IDC_STARTUP_LABEL 1138
#define IDC_ADDRESS_LABEL 1139
#define IDC_PASSWORD_LABEL 1140
#define IDC_ADVANCED_GROUP 1141
#define IDC_SIMPLE_GROUP 1142
#define IDC_PROTOCOL_LABEL 1143
#define IDC_PROTOCOL 1150

// About box controls
#define IDC_ABOUT_VERSION 1144
#define IDC_ABOUT_NOTICE 1145

// Menu commands
#define ID_APP_EXIT 32771
#define ID_SETTINGS 32772
#define ID_APP_ABOUT 32773
#define ID_ADVANCED_MODE 32779
#define ID_SIMPLE_MODE 32780

// Caption-channel commands of the CC drop-down: 2000 + index, at most 20
#define ID_CC_FIRST 2000
#define ID_CC_LAST 2019
