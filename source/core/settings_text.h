// The settings sheet's and the welcome dialog's arithmetic and texts that
// need no window: the version line, the check-box and TEXTFILE rules, the
// folder candidates of Browse, the font size conversions, the size edits'
// number reading and the banner geometry.  settings_sheet.cpp puts them on
// the screen.
#ifndef KELVANE_SETTINGS_TEXT_H
#define KELVANE_SETTINGS_TEXT_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

// The version page's buffers (description, notice and line), 256 bytes each.
#define DIALOG_TEXT_SIZE 256

// The folder a memo data folder gets inside the folder the user picks, and
// beside the program in portable mode.
#define DIALOG_DATA_FOLDER_NAME "kelvan"

struct dialog_version {
    int32_t major;
    int32_t minor;
    int32_t build;
    int32_t revision;
};

// Reads "major.minor.build.revision" as the version block holds it; the
// numbers that are missing (or a null text) stay 0.
void settings_text_parse_version(const char* text, dialog_version* out);

// "%s Ver.%d.%02d.%04d %dbit版\n" from the description (null: empty), the
// first three numbers and the program's bit width.  The revision is not
// shown.  1, or 0 when out (size bytes) was too small and holds a cut line.
int settings_text_version_line(char* out, size_t size, const char* description,
                             const dialog_version* version, int32_t bits);

// An on/off setting after its check box was clicked: a tick turns 0 into 1,
// clearing turns 1 into 0, and any other value stays as it is.
int32_t settings_text_toggle(int32_t value, int32_t ticked);

// TEXTFILE after the byte-order-mark radios (ticked: "BOMあり") and the
// line-end radios (ticked: "CR + LF"): the same rule on the low and the
// high 16 bits, the other half kept.
int32_t settings_text_textfile_bom(int32_t textfile, int32_t ticked);
int32_t settings_text_textfile_crlf(int32_t textfile, int32_t ticked);

// The folder Browse proposes for the picked folder: with in_subfolder (the
// user answered Yes) the kelvan folder inside it, "%s\kelvan", or
// "%skelvan" when the path already ends in a backslash (a drive root); else
// the picked folder itself.  A trail byte 0x5C of a two-byte character is
// no backslash.  out has PLATFORM_PATH_SIZE bytes; 0 when the candidate
// does not fit (out is then empty).
int settings_text_browse_candidate(char* out, const char* picked, int32_t in_subfolder);

// The size in points back from the picker's height (scale_font_height):
// the inverse of it, so an unchanged height gives back the same size at every dpi of
// 72 and more.  A positive (cell) height is read by its magnitude too.
// 0 for a dpi of 0 or less.
int32_t settings_text_font_points(int32_t height, int32_t dpi);

// "標準" for weights up to 400, "太字" above.
const char* settings_text_font_style_text(int32_t weight);

// The number in a size edit: leading white space skipped, an optional sign,
// then the digits up to the first other character; no digits give 0.
// Values beyond the 32-bit range stop at its ends.
int32_t settings_text_parse_size(const char* text);

// Cuts text in place to at most max_bytes bytes, never inside a two-byte
// character.
void settings_text_cut_text(char* text, size_t max_bytes);

// Where a bw x bh banner goes in an owner-drawn item.  At the right edge:
// as high as the item, as wide as the aspect ratio says, flush right.
// At the top: as wide as the item, as high as the ratio says, hanging from
// the item's top.  0 (nothing to draw) for an empty bitmap.
int settings_text_banner_right(const platform_rect* item, int32_t bw, int32_t bh,
                             platform_rect* out);
int settings_text_banner_top(const platform_rect* item, int32_t bw, int32_t bh,
                           platform_rect* out);

#endif
