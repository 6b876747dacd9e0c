// Resource ids of the program, shared by the C++ modules and kelvane.rc.
// Only preprocessor lines here: the resource compiler reads this file too.
#ifndef KELVANE_RESOURCE_H
#define KELVANE_RESOURCE_H

#define IDI_KELVANE             107   // program icon group: 256 to 16 pixels
#define IDR_ACCELERATOR         111   // Ctrl+Enter and Ctrl+S of the edit box

// Commands of the accelerator table.  The message loop translates them for
// the parent of the window that has the key, so they arrive at the edit box
// window when its rich edit has the focus.
#define ID_ACCEL_CTRL_ENTER     40008
#define ID_ACCEL_CTRL_S         40010

// The balloon: the bubble (its top-left pixel's colour is transparent) and
// the content images drawn into it.
#define IDB_BALLOON_NEW         129   // "ぺた", 70 x 34, 8-bit
#define IDB_BALLOON_PEEL        130   // "ぺり", 70 x 34, 8-bit
#define IDB_BALLOON_BUBBLE      131   // 100 x 80, 24-bit, on pure green

// The banners of the version page and the welcome dialog, drawn by
// scripts/make_banner.py.
#define IDB_VERSION_BANNER      119   // 640 x 160, 8-bit
#define IDB_WELCOME_BANNER      124   // 640 x 140, 8-bit

// Unnamed static controls and group boxes.
#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

// The welcome dialog.
#define IDD_WELCOME             123
#define IDC_WELCOME_NOSHOW      1001  // "このメッセージを再表示しない。"
#define IDC_WELCOME_TEXT        1028
#define IDC_WELCOME_BANNER      1038

// The five pages of the settings sheet, in their order.
#define IDD_SETTINGS_BASIC      201
#define IDD_SETTINGS_COLOR      202
#define IDD_SETTINGS_DATA       203
#define IDD_SETTINGS_DETAIL     204
#define IDD_SETTINGS_VERSION    205

// The basic page.
#define IDC_BASIC_TOPMOST       1001
#define IDC_BASIC_TRANSPARENCY  1002  // trackbar 10..255
#define IDC_BASIC_IMEON         1003
#define IDC_BASIC_TOOLTIPTIME   1004  // trackbar 0..6, 5 seconds a step
#define IDC_BASIC_RECYCLE       1005
#define IDC_BASIC_MEMOSIZE      1010  // trackbar 1..3
#define IDC_BASIC_DELETEMESSAGEBOX 1023
#define IDC_BASIC_LEFTFOLD      1024
#define IDC_BASIC_DBLCLICK_NEW  1033  // radio: a double-click on the tray icon makes a memo
#define IDC_BASIC_DBLCLICK_TOGGLE 1034  // radio: ... shows or hides the memos
#define IDC_BASIC_TEXTBOX       1035
#define IDC_BASIC_NOTEXT        1036
#define IDC_BASIC_MEMOLIST      1049

// The colours and font page: slot n (1..7) has button 1100 + n and name
// edit 1200 + n.
#define IDC_COLOR_BUTTON_FIRST  1101
#define IDC_COLOR_BUTTON_LAST   1107
#define IDC_COLOR_NAME_FIRST    1201
#define IDC_COLOR_NAME_LAST     1207
#define IDC_COLOR_FONTNAME      1006
#define IDC_COLOR_FONTSELECT    1007
#define IDC_COLOR_FONTSTYLE     1008
#define IDC_COLOR_FONTSIZE      1009

// The data and location page.
#define IDC_DATA_PATH           1019  // the folder on show
#define IDC_DATA_BROWSE         1020
#define IDC_DATA_STANDARD_TEXT  1021
#define IDC_DATA_PORTABLE       1024  // radio
#define IDC_DATA_STANDARD       1025  // radio
#define IDC_DATA_APPLY          1026
#define IDC_DATA_PATH_GROUP     1027
#define IDC_DATA_BOM_ON         1029
#define IDC_DATA_BOM_OFF        1030
#define IDC_DATA_LF             1031
#define IDC_DATA_CRLF           1032
#define IDC_DATA_PORTABLE_TEXT  1046
#define IDC_DATA_AUTOREFRESH    1050  // AUTOREFRESH: read changes of the folder as they happen

// The details page.
#define IDC_DETAIL_LEFT         1040
#define IDC_DETAIL_TOP          1041
#define IDC_DETAIL_RIGHT        1042
#define IDC_DETAIL_BOTTOM       1043
#define IDC_DETAIL_WIDTH        1044
#define IDC_DETAIL_HEIGHT       1045
#define IDC_DETAIL_WIDTH_LABEL  1047
#define IDC_DETAIL_HEIGHT_LABEL 1048

// The version page.
#define IDC_VERSION_LINK        2028  // the maker's address, a click opens it
#define IDC_VERSION_LINE        2029  // product name and version
#define IDC_VERSION_NOTICE      2030
#define IDC_VERSION_BANNER      1039

// The search window's controls, in their tab order; each label comes right
// before the control it names, which is how screen readers find the name.
#define IDC_SEARCH_QUERY_LABEL  3001
#define IDC_SEARCH_QUERY        3002
#define IDC_SEARCH_LIST_LABEL   3003
#define IDC_SEARCH_LIST         3004

#endif
