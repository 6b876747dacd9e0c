// Registration of the program's window classes.
#ifndef KELVANE_WINDOW_CLASS_H
#define KELVANE_WINDOW_CLASS_H

#include <windows.h>

#include <stdint.h>

// Registers a window class of the program: the whole window redrawn on
// every resize, the arrow cursor, the system colour background (a COLOR_
// index) and the given icons (null: none).  1 when the class is there,
// registered now or before; 0 when the system refused it.
int32_t window_class_register(HINSTANCE instance, const char* name, WNDPROC procedure,
                              int background, HICON icon, HICON small_icon);

// The same for a window class whose windows are Unicode windows: their
// texts (a title, a memo's name) keep every character whatever the
// system's code page, also when another program reads them.  Their
// procedure hands what it does not handle to DefWindowProcW.
int32_t window_class_register_unicode(HINSTANCE instance, const char* name, WNDPROC procedure,
                                      int background, HICON icon, HICON small_icon);

#endif
