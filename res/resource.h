// Resource identifiers shared by the code and qvshell.rc.
#pragma once

#define IDB_STARTBUTTON 101 // built-in Start button picture, 48x16, 24 bits

#define IDD_STARTPAGE 101 // "Start button" page
#define IDD_FRAMEPAGE 102 // "Frame controls" page
#define IDD_ABOUTPAGE 103 // "About" page
#define IDD_THEMEPAGE 104 // "Themes" page
#define IDD_THEMENAME 105 // the Themes page's "Save As" name box

#define IDI_ABOUT 101  // About page picture
#define IDI_APPLET 102 // Control Panel icon

// Start button page controls
#define IDC_START_PATH 101
#define IDC_START_BROWSE 102
#define IDC_START_TOVAN 103
#define IDC_START_OTHER 104
#define IDC_START_DEFAULT 105
#define IDC_START_STRETCH 107
#define IDC_START_PREVIEW 108
#define IDC_START_STATUS 109

// Frame controls page controls
#define IDC_FRAME_LIST 101
#define IDC_FRAME_DEFAULT 102
#define IDC_FRAME_OTHER 103
#define IDC_FRAME_PATH 104
#define IDC_FRAME_BROWSE 105
#define IDC_FRAME_PREVIEW 106
#define IDC_FRAME_STATUS 107

// Themes page controls
#define IDC_THEME_LIST 101
#define IDC_THEME_PREVIEW 102
#define IDC_THEME_START 103
#define IDC_THEME_CAPTIONS 104
#define IDC_THEME_STATUS 105
#define IDC_THEME_SAVEAS 106
#define IDC_THEME_DELETE 107

// The name box of "Save As"
#define IDC_THEMENAME_EDIT 101
#define IDC_THEMENAME_REASON 102
