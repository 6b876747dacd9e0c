// The end-to-end test program's entry:
//
//   kelvane_e2e.exe <path of kelvane.exe> [--artifacts=<folder>] [--code-page=<n>] [gtest options]
//
// It makes the folder every test's copy of the program goes into, and saves
// a screenshot of the desktop at each test's first failure.
#include "e2e_harness.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>

std::string g_program;
std::string g_artifacts;
std::string g_work;
UINT g_code_page = 0;

namespace {

// The whole desktop as a 24-bit BMP, for looking at a failure afterwards.
void e2e_save_screenshot(const std::string& path) {
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
               GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
        SelectObject(memory, old);
        DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
        DWORD image_size = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER header;
        ZeroMemory(&header, sizeof header);
        header.bfType = 0x4D42;  // "BM"
        header.bfOffBits = sizeof header + sizeof info.bmiHeader;
        header.bfSize = header.bfOffBits + image_size;
        FILE* file = fopen(path.c_str(), "wb");
        if (file) {
            fwrite(&header, sizeof header, 1, file);
            fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file);
            fwrite(bits, 1, image_size, file);
            fclose(file);
        }
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// Saves the desktop at a test's first failure, while whatever went wrong is
// still on the screen.
class e2e_screenshot_listener : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override { saved_ = false; }
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (saved_ || !result.failed() || g_artifacts.empty()) {
            return;
        }
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (!test) {
            return;
        }
        std::string name = std::string("e2e-") + test->test_suite_name() + "." + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        e2e_save_screenshot(g_artifacts + "\\" + name + ".bmp");
        saved_ = true;
    }

private:
    bool saved_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        if (argument.compare(0, 12, "--artifacts=") == 0) {
            g_artifacts = argument.substr(12);
        } else if (argument.compare(0, 12, "--code-page=") == 0) {
            g_code_page = static_cast<UINT>(strtoul(argument.c_str() + 12, nullptr, 10));
        } else if (g_program.empty()) {
            g_program = argument;
        }
    }
    if (g_program.empty()) {
        fprintf(stderr,
                "usage: kelvane_e2e <path of kelvane.exe> [--artifacts=<folder>] [--code-page=<n>] [gtest options]\n");
        return 2;
    }
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp)) {
        fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    char unique[32];
    snprintf(unique, sizeof unique, "%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    g_work = std::string(temp) + "kelvane-e2e-" + unique;

    ::testing::UnitTest::GetInstance()->listeners().Append(new e2e_screenshot_listener);
    int result = RUN_ALL_TESTS();
    e2e_delete_tree(e2e_long_path(g_work));
    return result;
}
