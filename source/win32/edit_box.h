// The edit box: a small sizable window owned by one memo, with a rich edit
// for the memo's text and an OK button.  It hands the edited text back to
// its memo as UTF-8, or nothing when it is closed any other way.
#ifndef KELVANE_EDIT_BOX_H
#define KELVANE_EDIT_BOX_H

#include <stdint.h>
#include <windows.h>

#include "messages.h"

// Children of the edit box.
#define IDC_EDIT_TEXT 0x2001
#define IDC_EDIT_OK 0x2002

// The smallest edit box the user can size, in physical pixels.
#define EDIT_BOX_MIN_WIDTH 250
#define EDIT_BOX_MIN_HEIGHT 200

struct edit_box_place {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Creates the hidden edit box of memo at x, y with the given outer size.
// The memo owns it (it goes when the memo goes) and keeps its handle while
// it is open.  Null when it cannot be created.
HWND edit_box_open(HWND memo, int x, int y, int width, int height);

// The program is ending: the text typed so far reaches the memo as if OK
// had been pressed (without the empty-text question) and the box closes.
// An empty or unchanged text changes nothing and leaves the box open.
void edit_box_keep_text(HWND hwnd);

LRESULT CALLBACK edit_box_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Where the rich edit and the OK button go in a client rectangle on a
// monitor of scale s (effective DPI / 96): the text fills the box less a
// side margin and a strip for the centred button at the bottom.
void edit_box_layout(const RECT* client, double s, edit_box_place* text,
                      edit_box_place* button);

// The EDITWIDTH and EDITHEIGHT values (96-DPI pixels) for an edit box of
// outer size width x height on a monitor of scale s.
void edit_box_stored_size(int32_t width, int32_t height, double s, int32_t* edit_width,
                           int32_t* edit_height);

#endif
