// Scope guards for Win32 handles and GDI objects: each releases what it
// holds when it goes out of scope, so an early return needs no cleanup
// ladder.  They never copy; release() hands the handle over to the caller.
#ifndef KELVANE_SCOPED_H
#define KELVANE_SCOPED_H

#include <windows.h>

// A GDI object made with Create* (pens, brushes, fonts, bitmaps, regions),
// deleted with DeleteObject.  Not for stock objects.
template <typename T>
class scoped_gdi {
public:
    explicit scoped_gdi(T object = nullptr) : m_object(object) {}
    ~scoped_gdi() {
        if (m_object) DeleteObject(m_object);
    }
    scoped_gdi(const scoped_gdi&) = delete;
    scoped_gdi& operator=(const scoped_gdi&) = delete;
    T get() const { return m_object; }
    operator T() const { return m_object; }
    T release() {
        T object = m_object;
        m_object = nullptr;
        return object;
    }

private:
    T m_object;
};

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class scoped_memory_dc {
public:
    explicit scoped_memory_dc(HDC dc) : m_dc(dc) {}
    ~scoped_memory_dc() {
        if (m_dc) DeleteDC(m_dc);
    }
    scoped_memory_dc(const scoped_memory_dc&) = delete;
    scoped_memory_dc& operator=(const scoped_memory_dc&) = delete;
    HDC get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// Selects an object into a DC and puts the previous one back at the end of
// the scope.  ok() is false when the selection failed.
class scoped_select {
public:
    scoped_select(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_old(object ? SelectObject(dc, object) : nullptr) {}
    ~scoped_select() {
        if (m_old) SelectObject(m_dc, m_old);
    }
    scoped_select(const scoped_select&) = delete;
    scoped_select& operator=(const scoped_select&) = delete;
    bool ok() const { return m_old != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A kernel handle closed with CloseHandle (null and INVALID_HANDLE_VALUE
// both mean nothing is held).
class scoped_handle {
public:
    explicit scoped_handle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~scoped_handle() {
        if (valid()) CloseHandle(m_handle);
    }
    scoped_handle(const scoped_handle&) = delete;
    scoped_handle& operator=(const scoped_handle&) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// The ownership of a mutex that this thread has taken by waiting for it,
// given back with ReleaseMutex.  Null: nothing is owned.  Declared after the
// scoped_handle of the mutex, it gives the mutex back before the handle is
// closed.
class scoped_mutex_ownership {
public:
    explicit scoped_mutex_ownership(HANDLE mutex) : m_mutex(mutex) {}
    ~scoped_mutex_ownership() {
        if (m_mutex) ReleaseMutex(m_mutex);
    }
    scoped_mutex_ownership(const scoped_mutex_ownership&) = delete;
    scoped_mutex_ownership& operator=(const scoped_mutex_ownership&) = delete;

private:
    HANDLE m_mutex;
};

// A menu from CreatePopupMenu, destroyed with its submenus.
class scoped_menu {
public:
    explicit scoped_menu(HMENU menu) : m_menu(menu) {}
    ~scoped_menu() {
        if (m_menu) DestroyMenu(m_menu);
    }
    scoped_menu(const scoped_menu&) = delete;
    scoped_menu& operator=(const scoped_menu&) = delete;
    HMENU get() const { return m_menu; }
    operator HMENU() const { return m_menu; }
    // Hands the menu over, to a parent menu that now destroys it.
    HMENU release() {
        HMENU menu = m_menu;
        m_menu = nullptr;
        return menu;
    }

private:
    HMENU m_menu;
};

#endif
