// The settings sheet: five pages in one modal property sheet owned by the
// main window.  The pages change g_settings in place and push what the
// memos draw from to every memo window by walking the registry.
#include "settings_sheet.h"

#include <commctrl.h>

#include "basic_page.h"
#include "color_page.h"
#include "data_page.h"
#include "detail_page.h"
#include "dialog_common.h"
#include "error_log.h"
#include "resource.h"
#include "version_page.h"
#include "wide_text.h"

namespace {

const char k_sheet_caption[] = "設定";

int32_t s_sheet_open = 0;

void settings_sheet_init_controls() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_TAB_CLASSES;
    if (!InitCommonControlsEx(&controls)) {
        REPORT_FAILURE();
    }
}

}  // namespace

int32_t settings_sheet_is_open(void) {
    return s_sheet_open;
}

void settings_sheet_show(HWND main_window) {
    s_sheet_open = 1;
    dialog_set_sheet_owner(main_window);
    settings_sheet_init_controls();
    HINSTANCE instance = main_window ? dialog_instance(main_window) : GetModuleHandleA(nullptr);

    const struct {
        int template_id;
        DLGPROC procedure;
    } pages[] = {
        {IDD_SETTINGS_BASIC, basic_page_proc},   {IDD_SETTINGS_COLOR, color_page_proc},
        {IDD_SETTINGS_DATA, data_page_proc},     {IDD_SETTINGS_DETAIL, detail_page_proc},
        {IDD_SETTINGS_VERSION, version_page_proc},
    };
    const int count = static_cast<int>(sizeof pages / sizeof pages[0]);
    // The wide sheet keeps the templates' UTF-16 texts and the page titles
    // as they are, whatever the system's code page.
    PROPSHEETPAGEW sheet_pages[sizeof pages / sizeof pages[0]];
    ZeroMemory(sheet_pages, sizeof sheet_pages);
    for (int i = 0; i < count; i++) {
        sheet_pages[i].dwSize = sizeof sheet_pages[i];
        sheet_pages[i].dwFlags = PSP_DEFAULT;
        sheet_pages[i].hInstance = instance;
        sheet_pages[i].pszTemplate = MAKEINTRESOURCEW(pages[i].template_id);
        sheet_pages[i].pfnDlgProc = pages[i].procedure;
        sheet_pages[i].lParam = 0;
    }

    wide_cp932 caption(k_sheet_caption);
    PROPSHEETHEADERW header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEHICON | PSH_NOAPPLYNOW;
    header.hwndParent = main_window;
    header.hInstance = instance;
    // Shared: loaded with LoadIcon, never destroyed.
    header.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVANE));
    header.pszCaption = caption;
    header.nPages = count;
    header.nStartPage = 0;
    header.ppsp = sheet_pages;
    if (PropertySheetW(&header) < 0) {
        REPORT_FAILURE();
    }

    dialog_set_sheet_owner(nullptr);
    s_sheet_open = 0;
}
