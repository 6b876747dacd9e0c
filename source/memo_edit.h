// The edit box: a small sizable window owned by one memo, with a rich edit
// for the memo's text and an OK button.  It hands the edited text back to
// its memo as UTF-8, or nothing when it is closed any other way.
#ifndef MEMO_EDIT_H
#define MEMO_EDIT_H

#include <stdint.h>
#include <windows.h>

#define MEMO_EDIT_CLASS "EditboxWindowClass"

// Children of the edit box.
#define IDC_EDIT_TEXT 0x2001
#define IDC_EDIT_OK 0x2002

// Commands of the edit box (low word of WM_COMMAND); the accelerator
// commands Ctrl+Enter and Ctrl+S (resource.h) commit like OK.
#define EDIT_CMD_CUT 1
#define EDIT_CMD_COPY 2
#define EDIT_CMD_PASTE 3
#define EDIT_CMD_CANCEL 0x2003

// The smallest edit box the user can size, in physical pixels.
#define MEMO_EDIT_MIN_WIDTH 250
#define MEMO_EDIT_MIN_HEIGHT 200

struct memo_edit_place {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Creates the hidden edit box of memo at x, y with the given outer size.
// The memo owns it (it goes when the memo goes) and keeps its handle while
// it is open.  Null (reported) when it cannot be created.
HWND memo_edit_open(HWND memo, int x, int y, int width, int height);

LRESULT CALLBACK memo_edit_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Where the rich edit and the OK button go in a client rectangle on a
// monitor of scale s (effective DPI / 96): the text fills the box less a
// side margin and a strip for the centred button at the bottom.
void memo_edit_layout(const RECT* client, double s, memo_edit_place* text,
                      memo_edit_place* button);

// The EDITWIDTH and EDITHEIGHT values (96-DPI pixels) for an edit box of
// outer size width x height on a monitor of scale s.
void memo_edit_stored_size(int32_t width, int32_t height, double s, int32_t* edit_width,
                           int32_t* edit_height);

#endif
