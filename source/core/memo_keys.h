// The keys of a memo's INI file (section KELVAN): its stored place, its
// colour and the stamp of its last text change, read with their defaults
// and written in the order a fresh file receives them.
#ifndef KELVANE_MEMO_KEYS_H
#define KELVANE_MEMO_KEYS_H

#include <stdint.h>

#include "ini_file.h"
#include "placement.h"

// Which keys a save writes (the flags of memo_file_save).
#define MEMO_SAVE_TEXT 0x01
#define MEMO_SAVE_POSITION 0x10  // X, Y, WIDTH, HEIGHT, QUADRANT, LEFT, TOP, RIGHT, BOTTOM
#define MEMO_SAVE_COLOR 0x20
#define MEMO_SAVE_STAMP 0x40  // DAY, TIME
#define MEMO_SAVE_ALL 0x71

struct memo_keys {
    memo_position position;  // 96-dpi pixels
    int32_t color;           // a colour index, 0..6
    int32_t day;
    int32_t time;
};

// A COLOR value as a colour index: values outside 0..6 (the missing key
// gives 16777215) become the colour of a new memo.
int32_t memo_keys_color_index(int32_t value);

// The twelve keys of doc, each with its default.
void memo_keys_get(const ini_document* doc, memo_keys* out);

// Sets the keys of flags (MEMO_SAVE_POSITION, _COLOR, _STAMP) in doc.
void memo_keys_set(ini_document* doc, uint16_t flags, const memo_keys* keys);

#endif
