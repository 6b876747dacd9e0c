// The end-to-end tests' stand-in browser: .html files open with this
// program, which writes the path it was given into a file and ends.
//
//   kelvane_open_recorder.exe <record file> <opened path>
//
// A window program, not a console one: started through the shell from the
// instance, a console program would bring up a console window, which Wine
// puts over the tray icon the tests click next.
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        return 2;
    }
    // Written beside the record and renamed into place, so that the test
    // never reads half a path.
    std::wstring record = argv[1];
    std::wstring part = record + L".part";
    FILE* file = _wfopen(part.c_str(), L"wb");
    if (!file) {
        return 1;
    }
    int n = WideCharToMultiByte(CP_ACP, 0, argv[2], -1, nullptr, 0, nullptr, nullptr);
    std::string opened(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) {
        WideCharToMultiByte(CP_ACP, 0, argv[2], -1, &opened[0], n, nullptr, nullptr);
    }
    fputs(opened.c_str(), file);
    fclose(file);
    LocalFree(argv);
    return MoveFileExW(part.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
