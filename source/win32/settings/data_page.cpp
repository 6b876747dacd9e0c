// The data and location page: portable or standard mode, the data folder,
// the text file format, and moving the memo data to another folder.
#include "data_page.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <iterator>

#include "error_log.h"
#include "memo_registry.h"
#include "settings.h"
#include "settings_text.h"
#include "tracked_memory.h"
#include "paths.h"
#include "platform.h"
#include "cp932_text.h"
#include "dialog_common.h"
#include "messages.h"
#include "resource.h"
#include "wide_text.h"

namespace {

const char k_browse_title[] = "フォルダの選択";
const char k_browse_question[] =
    "指定されたフォルダに『kelvan』フォルダを作成し、そこにメモデータを保存しますか？ "
    "いいえを選択した場合、指定されたフォルダに直接メモデータを保存します。";
const char k_copy_conflict[] =
    "コピー先に同時刻に作成されたメモデータ(ファイル名が同じデータ)が1つ以上ありました。"
    "ファイル名が同じファイルはコピーせず既存のメモデータを優先させます。";
const char k_move_failed[] = "メモデータの移動に失敗しました。";
// config.ini keeps the data folder in code page 932; a folder whose path
// that code page cannot spell would come back as another folder.
const char k_path_not_storable[] =
    "このフォルダは保存先にできません。フォルダのパスに、設定ファイル(config.ini)に"
    "書き込めない文字が含まれています。別のフォルダを選択してください。";

const dialog_tip k_data_tips[] = {
    {IDC_DATA_BROWSE,
     "メモの保存先を指定します。\n\n"
     "保存先をクラウドストレージにすることで、複数のコンピュータでメモを同期することができるようになります。\n\n"
     "フォルダを指定したら『適用』を押して適用してください。"},
    {IDC_DATA_BOM_ON, "テキストファイル(UTF-8)にバイトオーダーマーク(BOM)を追加します。"},
    {IDC_DATA_BOM_OFF, "テキストファイル(UTF-8)ににバイトオーダーマーク(BOM)をつけません。"},
    {IDC_DATA_LF, "テキストファイルの改行コードを『\n(LF)』にします。"},
    {IDC_DATA_CRLF, "テキストファイルの改行コードを『\r\n(CR+LF)』にします。"},
    {IDC_DATA_AUTOREFRESH,
     "保存先のメモがほかのコンピュータなどで変更されたとき、『メモを更新』を選ばなくても自動で読み込みます。"},
};

// The main window watches the data folder while AUTOREFRESH is on; after a
// change of either it follows at once and looks at the folder.
void data_page_tell_watch() {
    if (HWND owner = dialog_sheet_owner()) {
        PostMessageA(owner, MSG_FOLDER_CHANGED, FOLDER_CHANGED_SETTINGS, 0);
    }
}

void data_page_layout(HWND page, int32_t portable) {
    dialog_enable(page, IDC_DATA_PORTABLE_TEXT, portable);
    dialog_enable(page, IDC_DATA_PATH_GROUP, !portable);
    dialog_enable(page, IDC_DATA_STANDARD_TEXT, !portable);
    dialog_enable(page, IDC_DATA_PATH, !portable);
    dialog_enable(page, IDC_DATA_BROWSE, !portable);
}

// Apply is on exactly when the ticked mode differs from the current one.
void data_page_choose_mode(HWND page, int32_t portable) {
    dialog_tick(page, IDC_DATA_PORTABLE, portable);
    dialog_tick(page, IDC_DATA_STANDARD, !portable);
    data_page_layout(page, portable);
    dialog_enable(page, IDC_DATA_APPLY, portable ? g_settings.portable == 0 : g_settings.portable != 0);
}

INT_PTR data_page_on_init(HWND page) {
    dialog_enable(page, IDC_DATA_APPLY, 0);
    wide_set_item_text(page, IDC_DATA_PATH, g_settings.path);
    if (g_settings.microsoftstore) {
        dialog_tick(page, IDC_DATA_STANDARD, 1);
        dialog_tick(page, IDC_DATA_PORTABLE, 0);
        dialog_enable(page, IDC_DATA_PORTABLE, 0);
        data_page_layout(page, 0);
    } else {
        int32_t portable = g_settings.portable != 0;
        dialog_tick(page, IDC_DATA_PORTABLE, portable);
        dialog_tick(page, IDC_DATA_STANDARD, !portable);
        data_page_layout(page, portable);
    }
    uint32_t textfile = static_cast<uint32_t>(g_settings.textfile);
    int32_t bom = (textfile & 0xFFFFu) == 1;
    int32_t crlf = (textfile >> 16) == 1;
    dialog_tick(page, IDC_DATA_BOM_ON, bom);
    dialog_tick(page, IDC_DATA_BOM_OFF, !bom);
    dialog_tick(page, IDC_DATA_LF, !crlf);
    dialog_tick(page, IDC_DATA_CRLF, crlf);
    dialog_tick(page, IDC_DATA_AUTOREFRESH, g_settings.autorefresh != 0);
    data_page_add_tooltips(page);
    return TRUE;
}

// COM is there for the folder picker's shell items; a thread that has it
// already keeps it.
INT_PTR data_page_on_browse(HWND page) {
    wchar_t display_name[MAX_PATH] = L"";
    GetDlgItemTextW(page, IDC_DATA_PATH, display_name, MAX_PATH);
    wide_cp932 title(k_browse_title);
    BROWSEINFOW browse;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = page;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = display_name;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;

    HRESULT com = CoInitialize(nullptr);
    LPITEMIDLIST item = SHBrowseForFolderW(&browse);
    wchar_t picked_wide[MAX_PATH] = L"";
    int got_path = 0;
    if (item) {
        got_path = SHGetPathFromIDListW(item, picked_wide) ? 1 : 0;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    if (!got_path) {
        return TRUE;
    }
    // Refused here, before the question: nothing is proposed or moved.
    char picked[PLATFORM_PATH_SIZE];
    if (!cp932_from_wide(picked_wide, picked, sizeof picked)) {
        wide_message_box(page, k_path_not_storable, PROGRAM_CAPTION, MB_OK | MB_ICONWARNING);
        return TRUE;
    }

    int answer = wide_message_box(page, k_browse_question, PROGRAM_CAPTION, MB_YESNOCANCEL);
    char candidate[PLATFORM_PATH_SIZE];
    if (!settings_text_browse_candidate(candidate, picked, answer == IDYES)) {
        // No room for "\kelvan" behind the folder: nothing to propose.
        REPORT_FAILURE();
        return TRUE;
    }
    wide_set_item_text(page, IDC_DATA_PATH, candidate);
    dialog_enable(page, IDC_DATA_APPLY, 1);
    return TRUE;
}

// A target that cannot take the data is refused before anything changes:
// the page keeps the current folder and mode, and says so.
INT_PTR data_page_on_apply_button(HWND page) {
    int32_t portable = dialog_ticked(page, IDC_DATA_PORTABLE);
    char target[PLATFORM_PATH_SIZE] = "";
    if (portable) {
        if (!path_beside_program(target, DIALOG_DATA_FOLDER_NAME)) {
            target[0] = '\0';
        }
    } else {
        wchar_t shown[MAX_PATH] = L"";
        GetDlgItemTextW(page, IDC_DATA_PATH, shown, MAX_PATH);
        if (!cp932_from_wide(shown, target, sizeof target)) {
            wide_message_box(page, k_path_not_storable, PROGRAM_CAPTION, MB_OK | MB_ICONWARNING);
            return TRUE;
        }
    }
    if (target[0] && platform_path_kind(target) == PLATFORM_PATH_NONE) {
        platform_create_folder(target);
    }
    if (!path_folder_usable(target)) {
        wide_message_box(page, k_move_failed, PROGRAM_CAPTION, MB_OK);
        return TRUE;
    }
    g_settings.portable = portable;
    data_page_copy_folder(page, target);
    lstrcpynA(g_settings.path, target, PLATFORM_PATH_SIZE);
    dialog_enable(page, IDC_DATA_APPLY, 0);
    data_page_tell_watch();
    return TRUE;
}

INT_PTR data_page_on_command(HWND page, int id) {
    switch (id) {
    case IDC_DATA_PORTABLE:
        data_page_choose_mode(page, 1);
        return TRUE;
    case IDC_DATA_STANDARD:
        data_page_choose_mode(page, 0);
        return TRUE;
    case IDC_DATA_BROWSE:
        return data_page_on_browse(page);
    case IDC_DATA_APPLY:
        return data_page_on_apply_button(page);
    case IDC_DATA_BOM_ON:
    case IDC_DATA_BOM_OFF:
        g_settings.textfile =
            settings_text_textfile_bom(g_settings.textfile, dialog_ticked(page, IDC_DATA_BOM_ON));
        return TRUE;
    case IDC_DATA_LF:
    case IDC_DATA_CRLF:
        g_settings.textfile =
            settings_text_textfile_crlf(g_settings.textfile, dialog_ticked(page, IDC_DATA_CRLF));
        return TRUE;
    case IDC_DATA_AUTOREFRESH:
        g_settings.autorefresh = dialog_ticked(page, IDC_DATA_AUTOREFRESH);
        data_page_tell_watch();
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void data_page_add_tooltips(HWND page) {
    dialog_add_tips(page, k_data_tips, std::size(k_data_tips));
}

INT_PTR CALLBACK data_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    (void)lparam;
    switch (message) {
    case WM_INITDIALOG:
        return data_page_on_init(page);
    case WM_COMMAND:
        return data_page_on_command(page, LOWORD(wparam));
    default:
        return FALSE;
    }
}

namespace {

struct copy_job {
    const char* target;
    int any_failed;
};

// Subfolders (with "." and "..") are left alone; a file whose name is
// taken in the target keeps the target's file.
void data_page_copy_one(const platform_folder_entry* entry, void* context) {
    copy_job* job = static_cast<copy_job*>(context);
    const char* name = entry->name;
    char source[PLATFORM_PATH_SIZE];
    char destination[PLATFORM_PATH_SIZE];
    if (entry->is_folder || !path_join(source, g_settings.path, name) ||
        !path_join(destination, job->target, name)) {
        return;
    }
    wchar_t wide_source[MAX_PATH];
    wchar_t wide_destination[MAX_PATH];
    if (!cp932_to_wide(source, wide_source, MAX_PATH) ||
        !cp932_to_wide(destination, wide_destination, MAX_PATH) ||
        !CopyFileW(wide_source, wide_destination, TRUE)) {
        job->any_failed = 1;
    }
}

}  // namespace

int32_t data_page_copy_folder(HWND page, const char* target) {
    copy_job job = {target, 0};
    platform_list_folder(g_settings.path, "*", data_page_copy_one, &job);
    if (job.any_failed) {
        wide_message_box(page, k_copy_conflict, PROGRAM_CAPTION, MB_OK);
    }
    return 1;
}
