// Program-wide settings: the edition flag of program.ini and every key of
// section KELVAN of config.ini, read once at start-up and written once at
// shutdown.  Other modules read and change the fields of g_settings
// directly.
#ifndef KELVANE_SETTINGS_H
#define KELVANE_SETTINGS_H

#include <stdint.h>

#include "platform.h"

#define SETTINGS_COLOR_SLOTS 7
#define SETTINGS_FONTNAME_SIZE 32
#define SETTINGS_COLORTEXT_SIZE 256

// TEXTFILE: low half 1 = UTF-8 byte-order mark; high half non-zero = CR LF.
#define SETTINGS_TEXTFILE_BOM 0x00000001
#define SETTINGS_TEXTFILE_CRLF 0x00010000

// TASKBAR sides; any other value counts as bottom.
#define SETTINGS_TASKBAR_LEFT 1
#define SETTINGS_TASKBAR_TOP 2
#define SETTINGS_TASKBAR_RIGHT 3
#define SETTINGS_TASKBAR_BOTTOM 4

// One colour slot; COLORREF values are 0x00BBGGRR.
struct settings_color_slot {
    uint32_t color;        // fill, key COLORn
    uint32_t textcolor;    // TEXTCOLORn
    uint32_t bordercolor;  // BORDERCOLORn, also the fold line
    char colortext[SETTINGS_COLORTEXT_SIZE];  // COLORTEXTn, the slot's name
};

struct settings_record {
    int32_t microsoftstore;  // from program.ini, never written
    int32_t topmost;
    int32_t imeon;
    int32_t textbox;
    int32_t notext;
    int32_t recycle;
    int32_t deletemessagebox;
    int32_t memolist;
    int32_t transparency;  // 10..255
    int32_t tooltiptime;   // milliseconds, 0 = no tooltip
    int32_t defaultmemosize;
    int32_t tasktrayicondoubleclick;
    char fontname[SETTINGS_FONTNAME_SIZE];
    int32_t fontstyle;
    int32_t fontsize;
    int32_t fontcharset;
    int32_t editwidth;   // 96-dpi pixels, at least 250
    int32_t editheight;  // 96-dpi pixels, at least 200
    settings_color_slot colors[SETTINGS_COLOR_SLOTS];  // colour index n is colors[n]
    int32_t textfile;
    int32_t leftfold;
    int32_t absolute;
    int32_t taskbar;
    int32_t taskbarwidth;   // 96-dpi pixels
    int32_t taskbarheight;  // 96-dpi pixels
    int32_t balloon;
    int32_t show;
    int32_t dialog;
    int32_t portable;
    char path[PLATFORM_PATH_SIZE];  // the data folder, resolved by settings_load
    int32_t autorefresh;  // AUTOREFRESH: changes made to the data folder from
                          // outside are read in as they happen
};

extern settings_record g_settings;

// Fills g_settings from program.ini and config.ini (defaults for whatever
// is missing), resolves the data folder into path and creates it when
// missing.  Returns 1.
int settings_load(memo_hwnd main_window);

// Every setting as a first start of the ZIP edition without config.ini has
// it, except the data folder, which stays empty; no file is read.
void settings_reset(void);

// Writes every key to config.ini in one replacing write.  Returns 1; a
// failed write is ignored.
int settings_save(memo_hwnd main_window);

// When the PATH of config.ini could not be used at the last settings_load
// (too long, its parent folder missing, or it cannot be made), the data
// folder is the default one instead; this is what the user is told once
// at start-up (Japanese): which folder failed, why, and which is used.  The
// user's PATH stays in config.ini as long as the data folder is not
// changed.  Null when PATH was used.
const char* settings_folder_notice(void);

#endif
