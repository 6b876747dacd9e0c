// Settings: program.ini, config.ini and the choice of the data folder.
#include "settings.h"

#include <stdio.h>
#include <string.h>

#include "error_log.h"
#include "busy_file.h"
#include "ini_file.h"
#include "paths.h"

settings_record g_settings;

namespace {

// What settings_load could not use of PATH: the notice for the user, and
// the default folder taken instead (empty when PATH was used).
char s_folder_notice[1024];
char s_fallback_folder[PLATFORM_PATH_SIZE];
// config.ini exists but could not be read at start-up: it is not written.
int s_config_unread = 0;
// How long a config file held by another program is waited for.
const uint32_t k_config_patience_ms = 1000;

const char SETTINGS_SECTION[] = "KELVAN";
const char SETTINGS_PROGRAM_SECTION[] = "PROGRAM";
const char SETTINGS_FOLDER_NAME[] = "kelvan";

struct settings_int_key {
    const char* key;
    int32_t settings_record::*field;
    int32_t def;
};

// The integer keys in the order in which they are saved before the colour
// slots, and after them.
const settings_int_key SETTINGS_HEAD_KEYS[] = {
    {"TOPMOST", &settings_record::topmost, 0},
    {"IMEON", &settings_record::imeon, 0},
    {"TEXTBOX", &settings_record::textbox, 0},
    {"NOTEXT", &settings_record::notext, 0},
    {"RECYCLE", &settings_record::recycle, 1},
    {"DELETEMESSAGEBOX", &settings_record::deletemessagebox, 0},
    {"MEMOLIST", &settings_record::memolist, 1},
    {"TRANSPARENCY", &settings_record::transparency, 200},
    {"TOOLTIPTIME", &settings_record::tooltiptime, 10000},
    {"DEFAULTMEMOSIZE", &settings_record::defaultmemosize, 1},
    {"TASKTRAYICONDOUBLECLICK", &settings_record::tasktrayicondoubleclick, 0},
};
const settings_int_key SETTINGS_FONT_KEYS[] = {
    {"FONTSTYLE", &settings_record::fontstyle, 400},
    {"FONTSIZE", &settings_record::fontsize, 10},
    {"FONTCHARSET", &settings_record::fontcharset, 128},
    {"EDITWIDTH", &settings_record::editwidth, 250},
    {"EDITHEIGHT", &settings_record::editheight, 200},
};
// DIALOG and PORTABLE are handled apart: the store edition never reads them.
const settings_int_key SETTINGS_TAIL_KEYS[] = {
    {"TEXTFILE", &settings_record::textfile, 0x10001},
    {"LEFTFOLD", &settings_record::leftfold, 0},
    {"ABSOLUTE", &settings_record::absolute, 0},
    {"TASKBAR", &settings_record::taskbar, SETTINGS_TASKBAR_BOTTOM},
    {"TASKBARWIDTH", &settings_record::taskbarwidth, 60},
    {"TASKBARHEIGHT", &settings_record::taskbarheight, 50},
    {"BALLOON", &settings_record::balloon, 1},
};

const uint32_t SETTINGS_DEFAULT_FILL[SETTINGS_COLOR_SLOTS] = {
    0x0080c0ff, 0x00c0ffff, 0x0080ffc0, 0x00ffffc0, 0x00c0ff80, 0x00ffc0c0, 0x00ffffff,
};
const char* const SETTINGS_DEFAULT_NAME[SETTINGS_COLOR_SLOTS] = {
    "バーミリオンオレンジ", "カナリアイエロー", "うぐいす色",   "スカイブルー",
    "エメラルドグリーン",   "バイオレット",     "スノーホワイト",
};

// The program's folder: its own path up to the last backslash.
void settings_program_folder(char* folder) {
    if (!path_program_folder(folder)) {
        // A path the system could not hand over whole: fall back to the
        // current folder rather than to a cut name.
        REPORT_FAILURE();
        strcpy(folder, ".");
    }
}

void settings_ensure_folder(const char* folder) {
    if (platform_path_kind(folder) == PLATFORM_PATH_NONE && !platform_create_folder(folder)) {
        REPORT_FAILURE();
    }
}

// The folder of config.ini: the program folder, or in the store edition
// the kelvan folder in the roaming application data (created).
void settings_config_folder(char* folder) {
    char program_folder[PLATFORM_PATH_SIZE];
    settings_program_folder(program_folder);
    if (g_settings.microsoftstore) {
        char appdata[PLATFORM_PATH_SIZE];
        if (platform_appdata_folder(appdata, sizeof appdata) &&
            path_join(folder, appdata, SETTINGS_FOLDER_NAME)) {
            settings_ensure_folder(folder);
            return;
        }
        REPORT_FAILURE();
    }
    strcpy(folder, program_folder);
}

void settings_read_ints(const ini_document* doc, const settings_int_key* keys, size_t count) {
    for (size_t i = 0; i < count; i++) {
        g_settings.*(keys[i].field) = ini_get_int(doc, SETTINGS_SECTION, keys[i].key,
                                                      keys[i].def);
    }
}

void settings_write_ints(ini_document* doc, const settings_int_key* keys, size_t count) {
    for (size_t i = 0; i < count; i++) {
        ini_set_int(doc, SETTINGS_SECTION, keys[i].key, g_settings.*(keys[i].field));
    }
}

void settings_read_colors(const ini_document* doc) {
    for (int n = 0; n < SETTINGS_COLOR_SLOTS; n++) {
        settings_color_slot* slot = &g_settings.colors[n];
        char key[32];
        snprintf(key, sizeof key, "COLOR%d", n + 1);
        slot->color = static_cast<uint32_t>(ini_get_int(
            doc, SETTINGS_SECTION, key, static_cast<int32_t>(SETTINGS_DEFAULT_FILL[n])));
        snprintf(key, sizeof key, "TEXTCOLOR%d", n + 1);
        slot->textcolor = static_cast<uint32_t>(ini_get_int(doc, SETTINGS_SECTION, key, 0));
        snprintf(key, sizeof key, "BORDERCOLOR%d", n + 1);
        slot->bordercolor = static_cast<uint32_t>(ini_get_int(doc, SETTINGS_SECTION, key, 0));
        snprintf(key, sizeof key, "COLORTEXT%d", n + 1);
        memset(slot->colortext, 0, sizeof slot->colortext);
        ini_get_string(doc, SETTINGS_SECTION, key, SETTINGS_DEFAULT_NAME[n], slot->colortext,
                           sizeof slot->colortext);
    }
}

// Why a stored PATH cannot be the data folder, or null when it can.  A
// missing folder is created (one level) on the way.
const char* settings_folder_trouble(const char* folder, size_t length) {
    if (length >= PLATFORM_PATH_SIZE || !path_has_memo_room(folder)) {
        return "パスが長すぎます";
    }
    // A character of a UTF-8 config.ini that code page 932 cannot spell
    // reads as '?' (ini_file), which no real path holds and which can
    // never be below 0x40, the least second byte of a two-byte character.
    if (memchr(folder, '?', length)) {
        return "Shift_JIS で表せない文字が含まれています";
    }
    int kind = platform_path_kind(folder);
    if (kind == PLATFORM_PATH_FOLDER) return nullptr;
    if (kind == PLATFORM_PATH_FILE) return "同じ名前のファイルがあります";
    if (platform_create_folder(folder)) return nullptr;
    char parent[PLATFORM_PATH_SIZE];
    strcpy(parent, folder);
    const char* last = path_last_backslash(parent);
    if (last && last > parent) {
        parent[last - parent] = '\0';
        if (platform_path_kind(parent) != PLATFORM_PATH_FOLDER) return "親フォルダが見つかりません";
    }
    return "フォルダを作成できません";
}

void settings_set_folder_notice(const char* stored, size_t length, const char* why,
                                const char* instead) {
    // A very long path is shown by its start: enough to recognise it.
    const size_t shown_limit = 160;
    size_t shown = path_cut_length(stored, length, shown_limit);
    snprintf(s_folder_notice, sizeof s_folder_notice,
             "データフォルダ「%.*s%s」を使用できませんでした（%s）。\n"
             "代わりに「%s」を使用します。\n"
             "設定のデータフォルダは変更していません。",
             static_cast<int>(shown), stored, shown < length ? "…" : "", why, instead);
}

// The data folder for the mode just read.  A PATH that cannot be used
// gives the default folder instead, and a notice; the setting itself is
// kept (settings_save leaves it in the file).
void settings_resolve_data_folder(const ini_document* doc, const char* base_folder, int read_path) {
    char folder[PLATFORM_PATH_SIZE];
    if (!path_join(folder, base_folder, SETTINGS_FOLDER_NAME)) {
        g_settings.path[0] = '\0';
        return;
    }
    if (read_path) {
        char stored[1024];
        size_t length = ini_get_string(doc, SETTINGS_SECTION, "PATH", "", stored, sizeof stored);
        if (length > 0) {
            const char* why = settings_folder_trouble(stored, length);
            if (!why) {
                strcpy(folder, stored);
            } else {
                settings_set_folder_notice(stored, length, why, folder);
                strcpy(s_fallback_folder, folder);
            }
        }
    }
    settings_ensure_folder(folder);
    strcpy(g_settings.path, folder);
}

// Every key but the data folder, from doc, with its default where doc lacks
// it; microsoftstore is already known.
void settings_read_keys(const ini_document* doc) {
    settings_read_ints(doc, SETTINGS_HEAD_KEYS, sizeof SETTINGS_HEAD_KEYS / sizeof *SETTINGS_HEAD_KEYS);
    memset(g_settings.fontname, 0, sizeof g_settings.fontname);
    ini_get_string(doc, SETTINGS_SECTION, "FONTNAME", "メイリオ", g_settings.fontname,
                   sizeof g_settings.fontname);
    settings_read_ints(doc, SETTINGS_FONT_KEYS, sizeof SETTINGS_FONT_KEYS / sizeof *SETTINGS_FONT_KEYS);
    settings_read_colors(doc);
    settings_read_ints(doc, SETTINGS_TAIL_KEYS, sizeof SETTINGS_TAIL_KEYS / sizeof *SETTINGS_TAIL_KEYS);
    g_settings.show = ini_get_int(doc, SETTINGS_SECTION, "SHOW", 1);
    // The store edition never shows the welcome dialog and has no portable
    // mode, whatever the file says.
    int zip_edition = !g_settings.microsoftstore;
    g_settings.dialog = zip_edition ? ini_get_int(doc, SETTINGS_SECTION, "DIALOG", 1) : 0;
    g_settings.portable = zip_edition ? ini_get_int(doc, SETTINGS_SECTION, "PORTABLE", 1) : 0;
    // Written after every older key, so older files load as they are and
    // older versions, which never read it, leave it alone.
    g_settings.autorefresh = ini_get_int(doc, SETTINGS_SECTION, "AUTOREFRESH", 1);
}

}  // namespace

const char* settings_folder_notice(void) { return s_folder_notice[0] ? s_folder_notice : nullptr; }

void settings_reset(void) {
    memset(&g_settings, 0, sizeof g_settings);
    ini_document doc;
    ini_open_bytes(&doc, nullptr, 0);
    settings_read_keys(&doc);
    ini_close(&doc);
}

int settings_load(memo_hwnd main_window) {
    (void)main_window;
    char program_folder[PLATFORM_PATH_SIZE];
    char path[PLATFORM_PATH_SIZE];
    ini_document doc;

    settings_program_folder(program_folder);
    s_folder_notice[0] = '\0';
    s_fallback_folder[0] = '\0';
    busy_file_allow(k_config_patience_ms);
    g_settings.microsoftstore = 0;
    if (path_join(path, program_folder, "program.ini")) {
        busy_file_open_ini(&doc, path);
        g_settings.microsoftstore = ini_get_int(&doc, SETTINGS_PROGRAM_SECTION,
                                                    "MICROSOFTSTORE", 0);
        ini_close(&doc);
    }

    char config_folder[PLATFORM_PATH_SIZE];
    settings_config_folder(config_folder);
    s_config_unread = 0;
    if (!path_join(path, config_folder, "config.ini") || !busy_file_open_ini(&doc, path)) {
        // Unreadable or unnamed: every key takes its default.  Writing those
        // defaults back at exit would overwrite every setting of the file.
        s_config_unread = path[0] != '\0';
        ini_open_bytes(&doc, nullptr, 0);
    }
    // The temporary file of a settings write that a crash cut short.
    char temp[PLATFORM_PATH_SIZE];
    if (path[0] && path_join(temp, config_folder, "config.ini" PLATFORM_TEMP_SUFFIX) &&
        platform_path_kind(temp) == PLATFORM_PATH_FILE) {
        platform_delete_file(temp);
    }

    settings_read_keys(&doc);

    if (g_settings.microsoftstore) {
        settings_resolve_data_folder(&doc, config_folder, 1);
    } else {
        settings_resolve_data_folder(&doc, program_folder, !g_settings.portable);
    }
    ini_close(&doc);

    if (g_settings.transparency < 10) g_settings.transparency = 10;
    if (g_settings.transparency > 255) g_settings.transparency = 255;
    if (g_settings.editwidth < 250) g_settings.editwidth = 250;
    if (g_settings.editheight < 200) g_settings.editheight = 200;
    return 1;
}

int settings_save(memo_hwnd main_window) {
    (void)main_window;
    char config_folder[PLATFORM_PATH_SIZE];
    char path[PLATFORM_PATH_SIZE];
    settings_config_folder(config_folder);
    if (g_settings.microsoftstore) g_settings.portable = 0;
    if (s_config_unread || !path_join(path, config_folder, "config.ini")) {
        REPORT_FAILURE();
        return 1;
    }

    busy_file_allow(k_config_patience_ms);
    ini_document doc;
    if (!busy_file_open_ini(&doc, path)) {
        // Rewriting a file we could not read would lose whatever else it holds.
        ini_close(&doc);
        return 1;
    }
    settings_write_ints(&doc, SETTINGS_HEAD_KEYS, sizeof SETTINGS_HEAD_KEYS / sizeof *SETTINGS_HEAD_KEYS);
    ini_set_string(&doc, SETTINGS_SECTION, "FONTNAME", g_settings.fontname);
    settings_write_ints(&doc, SETTINGS_FONT_KEYS, sizeof SETTINGS_FONT_KEYS / sizeof *SETTINGS_FONT_KEYS);
    for (int n = 0; n < SETTINGS_COLOR_SLOTS; n++) {
        const settings_color_slot* slot = &g_settings.colors[n];
        char key[32];
        snprintf(key, sizeof key, "COLOR%d", n + 1);
        ini_set_hex(&doc, SETTINGS_SECTION, key, slot->color);
        snprintf(key, sizeof key, "TEXTCOLOR%d", n + 1);
        ini_set_hex(&doc, SETTINGS_SECTION, key, slot->textcolor);
        snprintf(key, sizeof key, "BORDERCOLOR%d", n + 1);
        ini_set_hex(&doc, SETTINGS_SECTION, key, slot->bordercolor);
        snprintf(key, sizeof key, "COLORTEXT%d", n + 1);
        ini_set_string(&doc, SETTINGS_SECTION, key, slot->colortext);
    }
    settings_write_ints(&doc, SETTINGS_TAIL_KEYS, sizeof SETTINGS_TAIL_KEYS / sizeof *SETTINGS_TAIL_KEYS);
    ini_set_int(&doc, SETTINGS_SECTION, "DIALOG", g_settings.dialog);
    ini_set_int(&doc, SETTINGS_SECTION, "SHOW", g_settings.show);
    ini_set_int(&doc, SETTINGS_SECTION, "PORTABLE", g_settings.portable);
    // A PATH that could not be used stays as the user wrote it, unless the
    // data folder was chosen anew meanwhile.
    if (!s_fallback_folder[0] || g_settings.portable ||
        strcmp(g_settings.path, s_fallback_folder) != 0) {
        ini_set_string(&doc, SETTINGS_SECTION, "PATH", g_settings.path);
    }
    ini_set_int(&doc, SETTINGS_SECTION, "AUTOREFRESH", g_settings.autorefresh);
    busy_file_save_ini(&doc, path, PLATFORM_WRITE_DURABLE);
    ini_close(&doc);
    return 1;
}
