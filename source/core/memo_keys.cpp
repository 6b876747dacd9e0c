// The keys of a memo's INI file.
#include "memo_keys.h"

#include "memo_registry.h"

namespace {

const char MEMO_KEYS_SECTION[] = "KELVAN";

}  // namespace

int32_t memo_keys_color_index(int32_t value) {
    return value >= 0 && value < MEMO_COLOR_COUNT ? value : MEMO_COLOR_NEW;
}

void memo_keys_get(const ini_document* doc, memo_keys* out) {
    memo_position* p = &out->position;
    p->x = ini_get_int(doc, MEMO_KEYS_SECTION, "X", 0);
    p->y = ini_get_int(doc, MEMO_KEYS_SECTION, "Y", 0);
    p->width = ini_get_int(doc, MEMO_KEYS_SECTION, "WIDTH", 160);
    p->height = ini_get_int(doc, MEMO_KEYS_SECTION, "HEIGHT", 120);
    p->quadrant = ini_get_int(doc, MEMO_KEYS_SECTION, "QUADRANT", 0);
    p->left = ini_get_int(doc, MEMO_KEYS_SECTION, "LEFT", 0);
    p->top = ini_get_int(doc, MEMO_KEYS_SECTION, "TOP", 0);
    p->right = ini_get_int(doc, MEMO_KEYS_SECTION, "RIGHT", 160);
    p->bottom = ini_get_int(doc, MEMO_KEYS_SECTION, "BOTTOM", 120);
    out->color = memo_keys_color_index(ini_get_int(doc, MEMO_KEYS_SECTION, "COLOR", 0xffffff));
    out->day = ini_get_int(doc, MEMO_KEYS_SECTION, "DAY", 0);
    out->time = ini_get_int(doc, MEMO_KEYS_SECTION, "TIME", 0);
}

void memo_keys_set(ini_document* doc, uint16_t flags, const memo_keys* keys) {
    if (flags & MEMO_SAVE_POSITION) {
        const memo_position* p = &keys->position;
        ini_set_int(doc, MEMO_KEYS_SECTION, "X", p->x);
        ini_set_int(doc, MEMO_KEYS_SECTION, "Y", p->y);
        ini_set_int(doc, MEMO_KEYS_SECTION, "WIDTH", p->width);
        ini_set_int(doc, MEMO_KEYS_SECTION, "HEIGHT", p->height);
        ini_set_int(doc, MEMO_KEYS_SECTION, "QUADRANT", p->quadrant);
        ini_set_int(doc, MEMO_KEYS_SECTION, "LEFT", p->left);
        ini_set_int(doc, MEMO_KEYS_SECTION, "TOP", p->top);
        ini_set_int(doc, MEMO_KEYS_SECTION, "RIGHT", p->right);
        ini_set_int(doc, MEMO_KEYS_SECTION, "BOTTOM", p->bottom);
    }
    if (flags & MEMO_SAVE_COLOR) ini_set_int(doc, MEMO_KEYS_SECTION, "COLOR", keys->color);
    if (flags & MEMO_SAVE_STAMP) {
        ini_set_int(doc, MEMO_KEYS_SECTION, "DAY", keys->day);
        ini_set_int(doc, MEMO_KEYS_SECTION, "TIME", keys->time);
    }
}
