// The program's resources as the system reads them back: the accelerator
// table the message loop translates, the icon group, the version block the
// version page reads and the manifest.  The test program is linked with the
// same kelvane.rc as the program, so the module under test is this one.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "memo_test_support.h"
#include "resource.h"

namespace {

HMODULE resources_module() { return GetModuleHandleA(NULL); }

// ---------------------------------------------------------------- accelerators

TEST(ResourcesAccelerators, TableHoldsExactlyTheTwoEditBoxCommands) {
    HACCEL table = LoadAcceleratorsA(resources_module(), MAKEINTRESOURCEA(IDR_ACCELERATOR));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(CopyAcceleratorTableA(table, NULL, 0), 2);

    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 4), 2);
    // The resource marks its last entry with 0x80; the loaded table does not
    // carry that mark, so the flags are compared exactly.
    EXPECT_EQ(entries[0].fVirt, FVIRTKEY | FCONTROL | FNOINVERT);
    EXPECT_EQ(entries[0].key, VK_RETURN);
    EXPECT_EQ(entries[0].cmd, ID_ACCEL_CTRL_ENTER);
    EXPECT_EQ(entries[1].fVirt, FNOINVERT);
    EXPECT_EQ(entries[1].key, 0x13);
    EXPECT_EQ(entries[1].cmd, ID_ACCEL_CTRL_S);
    // A table loaded from resources belongs to the module; it is not destroyed.
}

WPARAM accel_last_command;

LRESULT CALLBACK accel_target_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) {
        accel_last_command = wparam;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

struct accel_case {
    const char* what;
    UINT message;
    WPARAM key;
    int ctrl_down;
    WORD command;  // 0: the message is not translated
};

// What the message loop sees of the keys a user types into the edit box.
const accel_case accel_cases[] = {
    {"Ctrl+Enter", WM_KEYDOWN, VK_RETURN, 1, ID_ACCEL_CTRL_ENTER},
    {"Enter alone starts a new line", WM_KEYDOWN, VK_RETURN, 0, 0},
    {"Enter's character with Ctrl", WM_CHAR, 0x0D, 1, 0},
    {"Ctrl+S arrives as the character 0x13", WM_CHAR, 0x13, 1, ID_ACCEL_CTRL_S},
    {"0x13 is taken without looking at Ctrl", WM_CHAR, 0x13, 0, ID_ACCEL_CTRL_S},
    {"the S key press itself", WM_KEYDOWN, 'S', 1, 0},
    {"a typed s", WM_CHAR, 's', 0, 0},
    {"a typed S", WM_CHAR, 'S', 0, 0},
    {"Ctrl+Enter released", WM_KEYUP, VK_RETURN, 1, 0},
};

void set_ctrl_down(int down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

TEST(ResourcesAccelerators, TranslatesOnlyCtrlEnterAndCtrlS) {
    HINSTANCE instance = resources_module();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = accel_target_proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"KelvaneAccelTestTarget";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND target = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                  instance, NULL);
    ASSERT_NE(target, nullptr);
    HACCEL table = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATOR));
    ASSERT_NE(table, nullptr);

    BYTE saved[256];
    GetKeyboardState(saved);
    for (const accel_case& c : accel_cases) {
        for (int wide = 0; wide < 2; ++wide) {
            SCOPED_TRACE(std::string(c.what) + (wide ? " (W)" : " (A)"));
            set_ctrl_down(c.ctrl_down);
            MSG msg = {};
            msg.hwnd = target;
            msg.message = c.message;
            msg.wParam = c.key;
            msg.lParam = 1;
            accel_last_command = 0;
            int translated = wide ? TranslateAcceleratorW(target, table, &msg)
                                  : TranslateAcceleratorA(target, table, &msg);
            if (c.command) {
                EXPECT_NE(translated, 0);
                // High word 1: the command came from an accelerator.
                EXPECT_EQ(accel_last_command, MAKEWPARAM(c.command, 1));
            } else {
                EXPECT_EQ(translated, 0);
                EXPECT_EQ(accel_last_command, 0u);
            }
        }
    }
    SetKeyboardState(saved);
    DestroyWindow(target);
    UnregisterClassW(wc.lpszClassName, instance);
}

// ------------------------------------------------------------------------ icon

#pragma pack(push, 2)
struct group_icon_entry {
    BYTE width;  // 0 stands for 256
    BYTE height;
    BYTE colors;
    BYTE reserved;
    WORD planes;
    WORD bit_count;
    DWORD bytes;
    WORD id;
};
struct group_icon_dir {
    WORD reserved;
    WORD type;
    WORD count;
    group_icon_entry entries[1];
};
#pragma pack(pop)

const void* resource_bytes(LPCSTR name, LPCSTR type, DWORD* size) {
    HRSRC info = FindResourceA(resources_module(), name, type);
    if (!info) return NULL;
    HGLOBAL data = LoadResource(resources_module(), info);
    *size = SizeofResource(resources_module(), info);
    return data ? LockResource(data) : NULL;
}

TEST(ResourcesIcon, GroupHoldsEverySizeAtItsColourDepth) {
    struct { int size; int bits; int found; } wanted[] = {
        {256, 24, 0}, {128, 24, 0}, {64, 24, 0}, {32, 24, 0}, {16, 4, 0}};
    DWORD size = 0;
    const group_icon_dir* dir = static_cast<const group_icon_dir*>(
        resource_bytes(MAKEINTRESOURCEA(IDI_KELVANE), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, &size));
    ASSERT_NE(dir, nullptr);
    ASSERT_EQ(dir->type, 1);
    ASSERT_EQ(dir->count, 5);
    ASSERT_GE(size, 6u + 5u * sizeof(group_icon_entry));

    for (int i = 0; i < dir->count; ++i) {
        const group_icon_entry& e = dir->entries[i];
        int side = e.width ? e.width : 256;
        SCOPED_TRACE(side);
        EXPECT_EQ(e.width, e.height);
        DWORD image_size = 0;
        const BITMAPINFOHEADER* image = static_cast<const BITMAPINFOHEADER*>(
            resource_bytes(MAKEINTRESOURCEA(e.id), MAKEINTRESOURCEA(3) /* RT_ICON */, &image_size));
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image_size, e.bytes);
        ASSERT_EQ(image->biSize, sizeof(BITMAPINFOHEADER));
        // The colour image and its AND mask, one above the other.
        EXPECT_EQ(image->biWidth, side);
        EXPECT_EQ(image->biHeight, side * 2);
        EXPECT_EQ(image->biBitCount, e.bit_count);
        for (auto& w : wanted) {
            if (w.size == side) {
                EXPECT_EQ(e.bit_count, w.bits);
                w.found++;
            }
        }
    }
    for (const auto& w : wanted) EXPECT_EQ(w.found, 1) << w.size << " pixels";
}

const COLORREF backdrop = RGB(255, 0, 255);

TEST(ResourcesIcon, LoadsAtTheSizesTheSystemAsksFor) {
    const int sides[] = {16, 32, 64, 128, 256};
    for (int side : sides) {
        SCOPED_TRACE(side);
        HICON icon = static_cast<HICON>(LoadImageA(resources_module(), MAKEINTRESOURCEA(IDI_KELVANE),
                                                   IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        ASSERT_NE(info.hbmColor, nullptr);
        ASSERT_NE(GetObjectA(info.hbmColor, sizeof(colour), &colour), 0);
        EXPECT_EQ(colour.bmWidth, side);
        EXPECT_EQ(colour.bmHeight, side);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    // The main window class takes the icon with LoadIcon.
    EXPECT_NE(LoadIconA(resources_module(), MAKEINTRESOURCEA(IDI_KELVANE)), nullptr);
}

TEST(ResourcesIcon, NoteIsCanaryWithItsBottomRightCornerCutAway) {
    const int sides[] = {16, 32, 256};
    for (int side : sides) {
        SCOPED_TRACE(side);
        HICON icon = static_cast<HICON>(LoadImageA(resources_module(), MAKEINTRESOURCEA(IDI_KELVANE),
                                                   IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr);
        // Drawn at its own size over a magenta backdrop.
        memo_test::canvas c(side, side, backdrop);
        ASSERT_TRUE(c.ready());
        ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, side, side, 0, NULL, DI_NORMAL));
        GdiFlush();
        DestroyIcon(icon);
        auto at = [&](int x, int y) { return c.at(x, y); };
        const COLORREF magenta = backdrop;
        int near_edge = side / 8;
        int far_edge = side - 1 - side / 8;

        EXPECT_EQ(at(0, 0), magenta) << "the margin shows the desktop";
        EXPECT_EQ(at(far_edge, far_edge), magenta) << "the folded corner is cut away";
        EXPECT_NE(at(far_edge, near_edge), magenta) << "top right is paper";
        EXPECT_NE(at(near_edge, far_edge), magenta) << "bottom left is paper";
        EXPECT_NE(at(near_edge, near_edge), magenta) << "top left is paper";

        COLORREF paper = at(side / 2, side / 4);
        int r = GetRValue(paper), g = GetGValue(paper), b = GetBValue(paper);
        EXPECT_GE(r, 0xF0);
        EXPECT_GE(g, 0xF0);
        EXPECT_GE(b, 0x90);
        EXPECT_LE(b, 0xE0) << "light yellow, not white";
    }
}

// --------------------------------------------------------------- version block

// The program file's version block, read as the version page reads it.
std::vector<char> read_version_block() {
    std::vector<char> block;
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return block;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return block;
    block.resize(size + 1);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) block.clear();
    return block;
}

std::string query_text(std::vector<char>& block, const char* key) {
    char* value = NULL;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), key, reinterpret_cast<void**>(&value), &length) || !value)
        return std::string("<missing>");
    return std::string(value);
}

TEST(ResourcesVersion, VersionPageQueriesFindProductNameVersionAndNotice) {
    std::vector<char> block = read_version_block();
    ASSERT_FALSE(block.empty());
    // The version page spells the block name both ways.
    EXPECT_EQ(query_text(block, "\\StringFileInfo\\000004B0\\FileDescription"), "Kelvane");
    EXPECT_EQ(query_text(block, "\\StringFileInfo\\000004b0\\FileDescription"), "Kelvane");
    EXPECT_EQ(query_text(block, "\\StringFileInfo\\000004B0\\ProductName"), "Kelvane");

    std::string version = query_text(block, "\\StringFileInfo\\000004B0\\FileVersion");
    int major = -1, minor = -1, build = -1, revision = -1;
    EXPECT_EQ(sscanf(version.c_str(), "%d.%d.%d.%d", &major, &minor, &build, &revision), 4) << version;

    std::string notice = query_text(block, "\\StringFileInfo\\000004b0\\LegalCopyright");
    EXPECT_NE(notice, "<missing>");
    EXPECT_FALSE(notice.empty());
}

TEST(ResourcesVersion, NoticeSurvivesCodePage932) {
    std::vector<char> block = read_version_block();
    ASSERT_FALSE(block.empty());
    wchar_t* notice = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\000004b0\\LegalCopyright",
                               reinterpret_cast<void**>(&notice), &length));
    ASSERT_NE(notice, nullptr);
    char narrow[512];
    BOOL lost = FALSE;
    int bytes = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, notice, -1, narrow, sizeof(narrow),
                                    NULL, &lost);
    EXPECT_GT(bytes, 1);
    EXPECT_FALSE(lost) << "the version page would show a question mark";
}

TEST(ResourcesVersion, FixedVersionAgreesWithTheTextVersion) {
    std::vector<char> block = read_version_block();
    ASSERT_FALSE(block.empty());
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    char text[64];
    snprintf(text, sizeof(text), "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(query_text(block, "\\StringFileInfo\\000004B0\\FileVersion"), text);
    snprintf(text, sizeof(text), "%u.%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
             LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
             LOWORD(fixed->dwProductVersionLS));
    EXPECT_EQ(query_text(block, "\\StringFileInfo\\000004B0\\ProductVersion"), text);
}

// The shell's property page finds the text block through the translation.
TEST(ResourcesVersion, TranslationNamesTheTextBlock) {
    std::vector<char> block = read_version_block();
    ASSERT_FALSE(block.empty());
    WORD* translation = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    char key[64];
    snprintf(key, sizeof(key), "\\StringFileInfo\\%04x%04x\\FileDescription", translation[0],
             translation[1]);
    EXPECT_EQ(query_text(block, key), "Kelvane");
}

// -------------------------------------------------------------------- manifest

TEST(ResourcesManifest, IsThePrivateManifestOfTheProgram) {
    DWORD size = 0;
    const char* text = static_cast<const char*>(resource_bytes(
        MAKEINTRESOURCEA(1) /* CREATEPROCESS_MANIFEST_RESOURCE_ID */, MAKEINTRESOURCEA(24), &size));
    ASSERT_NE(text, nullptr);
    std::string manifest(text, size);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
}

// The manifest's dependency is what turns on version 6 of the common
// controls; a wrong key token or version silently falls back to version 5.
// The loader then maps comctl32 from the side-by-side store instead of the
// system folder.  (Wine's copy there still answers DllGetVersion with 5.81,
// so the version number cannot tell the two apart.)
TEST(ResourcesManifest, CommonControlsVersionSixIsActive) {
    HMODULE controls = LoadLibraryA("comctl32.dll");
    ASSERT_NE(controls, nullptr);
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(controls, path, MAX_PATH);
    FreeLibrary(controls);
    ASSERT_GT(length, 0u);
    std::string lower(path);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    EXPECT_NE(lower.find("\\winsxs\\"), std::string::npos) << path;
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << path;
}

}  // namespace
