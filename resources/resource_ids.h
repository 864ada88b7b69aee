// Resource ids shared by the resource script and the program.
#pragma once

#define IDI_KALVERO 1
#define IDI_SETTINGS 2

// Common Controls 6, for an activation context of its own (not the program's manifest, id 1).
#define IDR_COMMON_CONTROLS 101

// Button pictures: base id + scale index (0: 100 %, 1: 125 %, 2: 150 %, 3: 200 %).
#define IDB_SHUTDOWN 200
#define IDB_RESTART 210
#define IDB_LOGOFF 220
#define IDB_SETTINGS 230
#define IDB_TRAY 240

// About pictures, PNG (RCDATA): base id + scale index.
#define IDP_ABOUT_LOGO 400  /* 48, 60, 72, 96 px */
#define IDP_DONATE 410      /* 100x44, 125x55, 150x66, 200x88 px */
