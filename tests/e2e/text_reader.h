// Reading every text the running kelvane.exe shows, from inside it: a
// pop-up menu, the tabs of a property sheet and the texts of tooltip tools
// cannot be read from another process.  text_reader_read loads the reader
// library (text_reader.cpp) into the process with a remote thread; the
// library writes what it read next to itself and unloads again.
//
// Its lines, UTF-8, with a line break inside a text written as \n:
//   acp|<the process's ANSI code page>
//   window|<class>|<title>       every visible top-level window of the process
//   child|<class>|<id>|<text>    every window inside it, shown or not
//   tab|<text>                   every tab of a tab control, after the control
//   row|<text>                   the first column of every row of a list view, in order
//   tip|<text>                   every tool of every tooltip control of the process
//   menu|<depth>|<text>          every item of the pop-up menu on the screen
//   end
#ifndef TEXT_READER_H
#define TEXT_READER_H

#include <windows.h>

#include <string>
#include <vector>

#define TEXT_READER_OUT_SUFFIX L".out"

// Loads the reader library at dll (a path the target process can open) into
// the process of window and hands back its lines; false when the process
// could not be reached or wrote nothing within timeout_ms.
inline bool text_reader_read(HWND window, const std::wstring& dll, std::vector<std::string>* lines,
                             DWORD timeout_ms = 10000) {
    lines->clear();
    std::wstring out = dll + TEXT_READER_OUT_SUFFIX;
    DeleteFileW(out.c_str());
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                     PROCESS_VM_WRITE | PROCESS_VM_READ,
                                 FALSE, process_id);
    if (!process) {
        return false;
    }
    SIZE_T size = (dll.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    // kernel32 sits at the same address in every process of the session.
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    HANDLE thread = nullptr;
    if (remote && WriteProcessMemory(process, remote, dll.c_str(), size, nullptr)) {
        thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    }
    if (thread) {
        WaitForSingleObject(thread, timeout_ms);
        CloseHandle(thread);
    }
    std::string text;
    DWORD start = GetTickCount();
    while (thread && GetTickCount() - start < timeout_ms) {
        HANDLE file = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char chunk[4096];
            DWORD got = 0;
            while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
                text.append(chunk, got);
            }
            CloseHandle(file);
            break;
        }
        Sleep(20);
    }
    if (remote) {
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    DeleteFileW(out.c_str());
    for (size_t begin = 0, end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        lines->push_back(text.substr(begin, end - begin));
    }
    return !lines->empty() && lines->back() == "end";
}

#endif
