// Settings: program.ini, config.ini, the edition, portable and standard
// mode, defaults, clamps and the save order.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "tracked_memory.h"
#include "settings.h"
#include "native_test_support.h"

namespace {

const char k_config[] = "C:\\app\\config.ini";
const char k_program_ini[] = "C:\\app\\program.ini";
const char k_store_config[] = "C:\\Users\\user\\AppData\\Roaming\\kelvan\\config.ini";

class SettingTest : public native_test::LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        memset(&g_settings, 0x5A, sizeof g_settings);  // nothing may survive from before
    }

    static std::string file(const char* path) {
        std::string bytes;
        EXPECT_TRUE(fake_platform_get_file(path, &bytes)) << path;
        return bytes;
    }
};

// The keys of a saved config.ini, in file order.
std::vector<std::string> keys_of(const std::string& ini) {
    std::vector<std::string> keys;
    size_t at = 0;
    while (at < ini.size()) {
        size_t end = ini.find("\r\n", at);
        std::string line = ini.substr(at, end - at);
        size_t eq = line.find('=');
        if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
        at = end == std::string::npos ? ini.size() : end + 2;
    }
    return keys;
}

TEST_F(SettingTest, NoFilesAtAllGivesDefaultsPortableFolderAndFullSave) {
    ASSERT_EQ(1, settings_load(nullptr));
    const settings_record& s = g_settings;
    EXPECT_EQ(0, s.microsoftstore);
    EXPECT_EQ(0, s.topmost);
    EXPECT_EQ(1, s.recycle);
    EXPECT_EQ(1, s.memolist);
    EXPECT_EQ(200, s.transparency);
    EXPECT_EQ(10000, s.tooltiptime);
    EXPECT_EQ(1, s.defaultmemosize);
    EXPECT_STREQ("メイリオ", s.fontname);
    EXPECT_EQ(400, s.fontstyle);
    EXPECT_EQ(10, s.fontsize);
    EXPECT_EQ(128, s.fontcharset);
    EXPECT_EQ(250, s.editwidth);
    EXPECT_EQ(200, s.editheight);
    EXPECT_EQ(0x0080c0ffu, s.colors[0].color);
    EXPECT_EQ(0x00ffffffu, s.colors[6].color);
    EXPECT_EQ(0u, s.colors[3].textcolor);
    EXPECT_EQ(0u, s.colors[3].bordercolor);
    EXPECT_STREQ("カナリアイエロー", s.colors[1].colortext);
    EXPECT_EQ(0x10001, s.textfile);
    EXPECT_EQ(4, s.taskbar);
    EXPECT_EQ(60, s.taskbarwidth);
    EXPECT_EQ(50, s.taskbarheight);
    EXPECT_EQ(1, s.balloon);
    EXPECT_EQ(1, s.show);
    EXPECT_EQ(1, s.dialog);
    EXPECT_EQ(1, s.portable);
    EXPECT_STREQ("C:\\app\\kelvan", s.path);
    EXPECT_EQ(PLATFORM_PATH_FOLDER, platform_path_kind("C:\\app\\kelvan"));
    EXPECT_EQ(1, s.autorefresh);

    ASSERT_EQ(1, settings_save(nullptr));
    std::string ini = file(k_config);
    std::vector<std::string> expected = {"TOPMOST", "IMEON", "TEXTBOX", "NOTEXT", "RECYCLE",
                                         "DELETEMESSAGEBOX", "MEMOLIST", "TRANSPARENCY",
                                         "TOOLTIPTIME", "DEFAULTMEMOSIZE",
                                         "TASKTRAYICONDOUBLECLICK", "FONTNAME", "FONTSTYLE",
                                         "FONTSIZE", "FONTCHARSET", "EDITWIDTH", "EDITHEIGHT"};
    for (int n = 1; n <= 7; n++) {
        for (const char* k : {"COLOR", "TEXTCOLOR", "BORDERCOLOR", "COLORTEXT"}) {
            expected.push_back(k + std::to_string(n));
        }
    }
    for (const char* k : {"TEXTFILE", "LEFTFOLD", "ABSOLUTE", "TASKBAR", "TASKBARWIDTH",
                          "TASKBARHEIGHT", "BALLOON", "DIALOG", "SHOW", "PORTABLE", "PATH",
                          "AUTOREFRESH"}) {
        expected.push_back(k);
    }
    EXPECT_EQ(expected, keys_of(ini));
    EXPECT_EQ(0u, ini.find("[KELVAN]\r\nTOPMOST=0\r\n"));
    EXPECT_NE(std::string::npos, ini.find("\r\nCOLOR1=0x0080c0ff\r\nTEXTCOLOR1=0x00000000\r\n"));
    EXPECT_NE(std::string::npos, ini.find("\r\nTEXTFILE=65537\r\n"));
    EXPECT_NE(std::string::npos, ini.find("\r\nPATH=C:\\app\\kelvan\r\n"));
    EXPECT_EQ(std::string::npos, ini.find("MICROSOFTSTORE"));
}

// What a reset gives is what a first start without config.ini loads, but
// for the data folder, which it leaves empty.
TEST_F(SettingTest, ResetIsAFirstStartWithoutAFolder) {
    memset(&g_settings, 0, sizeof g_settings);
    ASSERT_EQ(1, settings_load(nullptr));
    settings_record loaded;
    memcpy(&loaded, &g_settings, sizeof loaded);
    memset(loaded.path, 0, sizeof loaded.path);
    memset(&g_settings, 0x5A, sizeof g_settings);
    settings_reset();
    EXPECT_EQ(0, memcmp(&loaded, &g_settings, sizeof loaded));
}

// The key came after all the others: a file of an older version has none
// and turns it on; one that turns it off keeps its lines where they were.
TEST_F(SettingTest, AutoRefreshIsOnUnlessTheFileTurnsItOff) {
    fake_platform_put_file(k_config, "[KELVAN]\r\nPORTABLE=1\r\n");
    settings_load(nullptr);
    EXPECT_EQ(1, g_settings.autorefresh);
    fake_platform_put_file(k_config, "[KELVAN]\r\nAUTOREFRESH=0\r\nTOPMOST=1\r\n");
    settings_load(nullptr);
    EXPECT_EQ(0, g_settings.autorefresh);
    settings_save(nullptr);
    EXPECT_EQ(0u, file(k_config).find("[KELVAN]\r\nAUTOREFRESH=0\r\nTOPMOST=1\r\n"));
}

TEST_F(SettingTest, ClampsApplyOnlyToTransparencyAndEditSize) {
    struct {
        const char* ini;
        int32_t transparency, editwidth, editheight, tooltiptime;
    } cases[] = {
        {"TRANSPARENCY=5\r\nEDITWIDTH=100\r\nEDITHEIGHT=50\r\nTOOLTIPTIME=-7\r\n", 10, 250, 200, -7},
        {"TRANSPARENCY=300\r\nEDITWIDTH=251\r\nEDITHEIGHT=199\r\n", 255, 251, 200, 10000},
        {"TRANSPARENCY=10\r\nEDITWIDTH=250\r\nEDITHEIGHT=200\r\n", 10, 250, 200, 10000},
        {"TRANSPARENCY=255\r\nEDITWIDTH=-1\r\nEDITHEIGHT=2000\r\n", 255, 250, 2000, 10000},
    };
    for (const auto& c : cases) {
        fake_platform_put_file(k_config, std::string("[KELVAN]\r\n") + c.ini);
        settings_load(nullptr);
        EXPECT_EQ(c.transparency, g_settings.transparency) << c.ini;
        EXPECT_EQ(c.editwidth, g_settings.editwidth) << c.ini;
        EXPECT_EQ(c.editheight, g_settings.editheight) << c.ini;
        EXPECT_EQ(c.tooltiptime, g_settings.tooltiptime) << c.ini;
    }
}

TEST_F(SettingTest, ColourReadAsHexOrDecimalIsSavedAsEightHexDigits) {
    for (const char* stored : {"0x000000ff", "255"}) {
        fake_platform_put_file(k_config, std::string("[KELVAN]\r\nCOLOR1=") + stored + "\r\n");
        settings_load(nullptr);
        EXPECT_EQ(0x000000ffu, g_settings.colors[0].color) << stored;
        settings_save(nullptr);
        EXPECT_NE(std::string::npos, file(k_config).find("[KELVAN]\r\nCOLOR1=0x000000ff\r\n"))
            << stored;
    }
}

TEST_F(SettingTest, PortableIgnoresAForeignPathAndSavesThePortableFolder) {
    fake_platform_put_file(k_config, "[KELVAN]\r\nPORTABLE=1\r\nPATH=D:\\elsewhere\r\n");
    settings_load(nullptr);
    EXPECT_STREQ("C:\\app\\kelvan", g_settings.path);
    EXPECT_FALSE(fake_platform_exists("D:\\elsewhere"));
    settings_save(nullptr);
    EXPECT_NE(std::string::npos, file(k_config).find("\r\nPATH=C:\\app\\kelvan\r\n"));
}

TEST_F(SettingTest, StandardModeUsesPathOrFallsBackToThePortableFolder) {
    struct {
        const char* ini;
        const char* path;
    } cases[] = {
        {"PORTABLE=0\r\n", "C:\\app\\kelvan"},
        {"PORTABLE=0\r\nPATH=\r\n", "C:\\app\\kelvan"},
        {"PORTABLE=0\r\nPATH=D:\\cloud\\memo\r\n", "D:\\cloud\\memo"},
        // A Japanese folder name whose second byte is a backslash (表 = 95 5C).
        {"PORTABLE=0\r\nPATH=D:\\\x95\x5C\r\n", "D:\\\x95\x5C"},
    };
    fake_platform_make_folders("D:\\cloud");
    fake_platform_make_folders("D:\\");
    for (const auto& c : cases) {
        fake_platform_put_file(k_config, std::string("[KELVAN]\r\n") + c.ini);
        settings_load(nullptr);
        EXPECT_STREQ(c.path, g_settings.path) << c.ini;
        EXPECT_EQ(PLATFORM_PATH_FOLDER, platform_path_kind(c.path)) << c.ini;
        EXPECT_EQ(0, g_settings.portable);
    }
}

TEST_F(SettingTest, PathTooLongForThePathBuffersIsRefusedNotCut) {
    std::string long_path = "D:\\" + std::string(270, 'p');
    fake_platform_put_file(k_config, "[KELVAN]\r\nPORTABLE=0\r\nPATH=" + long_path + "\r\n");
    settings_load(nullptr);
    EXPECT_STREQ("C:\\app\\kelvan", g_settings.path);
    // The longest folder that still has room for a memo's file names
    // ("\" + 14 digits + ".txt.tmp") behind it is used as it is.
    std::string longest = "D:\\" + std::string(233, 'q');
    fake_platform_make_folders("D:\\");
    fake_platform_put_file(k_config, "[KELVAN]\r\nPORTABLE=0\r\nPATH=" + longest + "\r\n");
    settings_load(nullptr);
    EXPECT_EQ(longest, g_settings.path);
}

TEST_F(SettingTest, StoreEditionLivesInTheRoamingFolder) {
    fake_platform_put_file(k_program_ini, "[PROGRAM]\r\nMICROSOFTSTORE=1\r\n");
    // Beside the program: must not be consulted.
    fake_platform_put_file(k_config, "[KELVAN]\r\nTOPMOST=1\r\n");
    fake_platform_put_file(k_store_config,
                           "[KELVAN]\r\nDIALOG=1\r\nPORTABLE=1\r\nTRANSPARENCY=99\r\n");
    settings_load(nullptr);
    EXPECT_EQ(1, g_settings.microsoftstore);
    EXPECT_EQ(0, g_settings.topmost);
    EXPECT_EQ(99, g_settings.transparency);
    EXPECT_EQ(0, g_settings.dialog);
    EXPECT_EQ(0, g_settings.portable);
    EXPECT_STREQ("C:\\Users\\user\\AppData\\Roaming\\kelvan\\kelvan", g_settings.path);
    EXPECT_EQ(PLATFORM_PATH_FOLDER, platform_path_kind(g_settings.path));

    g_settings.portable = 1;
    settings_save(nullptr);
    std::string saved = file(k_store_config);
    EXPECT_NE(std::string::npos, saved.find("\r\nPORTABLE=0\r\n"));
    EXPECT_NE(std::string::npos, saved.find("\r\nDIALOG=0\r\n"));
    EXPECT_EQ("[KELVAN]\r\nTOPMOST=1\r\n", file(k_config));
}

TEST_F(SettingTest, StoreEditionCreatesTheRoamingFolderOnFirstStart) {
    fake_platform_put_file(k_program_ini, "[PROGRAM]\r\nMICROSOFTSTORE=1\r\n");
    settings_load(nullptr);
    EXPECT_EQ(PLATFORM_PATH_FOLDER,
              platform_path_kind("C:\\Users\\user\\AppData\\Roaming\\kelvan"));
    settings_save(nullptr);
    EXPECT_TRUE(fake_platform_exists(k_store_config));
    EXPECT_FALSE(fake_platform_exists(k_config));
}

TEST_F(SettingTest, LongFontNameAndSlotNamesAreCut) {
    std::string font(40, 'F');
    std::string name(300, 'n');
    // 31 bytes of which the last would be the lead byte of "あ" (82 A0).
    std::string japanese = std::string(30, 'j') + "\x82\xA0" + "tail";
    fake_platform_put_file(k_config, "[KELVAN]\r\nFONTNAME=" + font + "\r\nCOLORTEXT3=" + name +
                                         "\r\nCOLORTEXT4=" + japanese + "\r\n");
    settings_load(nullptr);
    EXPECT_EQ(std::string(31, 'F'), g_settings.fontname);
    EXPECT_EQ(std::string(255, 'n'), g_settings.colors[2].colortext);
    EXPECT_EQ(japanese, g_settings.colors[3].colortext);  // fits whole

    fake_platform_put_file(k_config, "[KELVAN]\r\nFONTNAME=" + japanese + "\r\n");
    settings_load(nullptr);
    EXPECT_EQ(std::string(30, 'j'), g_settings.fontname);  // never half a character
}

TEST_F(SettingTest, TextFileValuesAreKeptAsStored) {
    for (int32_t v : {1, 0, 65536, 65537}) {
        fake_platform_put_file(k_config, "[KELVAN]\r\nTEXTFILE=" + std::to_string(v) + "\r\n");
        settings_load(nullptr);
        EXPECT_EQ(v, g_settings.textfile);
    }
}

TEST_F(SettingTest, SavingKeepsForeignLinesAndRewritesKnownKeysInPlace) {
    fake_platform_put_file(k_config, "; mine\r\n[KELVAN]\r\nSHOW=0\r\nUNKNOWN=x\r\n[OTHER]\r\nA=1\r\n");
    settings_load(nullptr);
    EXPECT_EQ(0, g_settings.show);
    g_settings.show = 1;
    settings_save(nullptr);
    std::string saved = file(k_config);
    EXPECT_EQ(0u, saved.find("; mine\r\n[KELVAN]\r\nSHOW=1\r\nUNKNOWN=x\r\nTOPMOST=0\r\n"));
    EXPECT_NE(std::string::npos, saved.find("\r\n[OTHER]\r\nA=1\r\n"));
}

TEST_F(SettingTest, ProgramPathWithoutBackslashIsUsedWhole) {
    fake_platform_set_program_path("kelvane");
    fake_platform_make_folders("kelvane");
    settings_load(nullptr);
    EXPECT_STREQ("kelvane\\kelvan", g_settings.path);
}

}  // namespace

// A PATH that cannot be the data folder: the default folder is used, the
// user is told once which folder failed, why and which is used, and the
// setting stays in config.ini until the data folder is chosen anew.
TEST_F(SettingTest, UnusablePathFallsBackWithANoticeAndIsKept) {
    const std::string too_long = "D:\\" + std::string(300, 'p');
    const struct {
        std::string path;
        const char* why;
        std::string shown;
    } cases[] = {
        {too_long, "パスが長すぎます", too_long.substr(0, 40)},
        {"E:\\gone\\kelvan", "親フォルダが見つかりません", "E:\\gone\\kelvan"},
        {"C:\\app\\config.ini", "同じ名前のファイルがあります", "C:\\app\\config.ini"},
        // A UTF-8 config.ini with a character code page 932 lacks.
        {u8"C:\\x☃y", "Shift_JIS で表せない文字が含まれています", "C:\\x?y"},
    };
    for (const auto& c : cases) {
        const std::string config = "[KELVAN]\r\nPORTABLE=0\r\nPATH=" + c.path + "\r\nTOPMOST=0\r\n";
        fake_platform_put_file(k_config, config);
        settings_load(nullptr);
        EXPECT_STREQ("C:\\app\\kelvan", g_settings.path) << c.why;
        ASSERT_NE(nullptr, settings_folder_notice()) << c.why;
        std::string notice = settings_folder_notice();
        EXPECT_NE(std::string::npos, notice.find(c.why)) << notice;
        EXPECT_NE(std::string::npos, notice.find("代わりに「C:\\app\\kelvan」を使用します")) << notice;
        EXPECT_NE(std::string::npos, notice.find(c.shown)) << notice;
        EXPECT_LT(notice.size(), 400u) << "a long path is shown by its start";
        EXPECT_FALSE(fake_platform_exists("E:\\gone")) << "only one level is ever created";

        g_settings.topmost = 1;
        settings_save(nullptr);
        std::string saved = file(k_config);
        EXPECT_NE(std::string::npos, saved.find("\r\nPATH=" + c.path + "\r\n")) << saved;
        EXPECT_NE(std::string::npos, saved.find("TOPMOST=1")) << "the rest is saved";
    }
    // Chosen anew on the data page: the new folder is what gets saved.
    fake_platform_make_folders("C:\\sync");
    settings_load(nullptr);
    strcpy(g_settings.path, "C:\\sync");
    settings_save(nullptr);
    EXPECT_NE(std::string::npos, file(k_config).find("\r\nPATH=C:\\sync\r\n"));

    // A usable PATH, missing one level, is made and gives no notice.
    fake_platform_put_file(k_config, "[KELVAN]\r\nPORTABLE=0\r\nPATH=C:\\sync\\memos\r\n");
    settings_load(nullptr);
    EXPECT_STREQ("C:\\sync\\memos", g_settings.path);
    EXPECT_EQ(nullptr, settings_folder_notice());
}

// A config.ini that exists but cannot be read (another program holds it
// past the wait) starts from the defaults and is not overwritten with them
// at exit; the temporary file of a cut-short settings write is removed.
TEST_F(SettingTest, UnreadableConfigIsNotOverwrittenAndLeftoversGo) {
    const std::string config = "[KELVAN]\r\nTRANSPARENCY=99\r\nPORTABLE=1\r\n";
    fake_platform_put_file(k_config, config);
    fake_platform_put_file("C:\\app\\config.ini.tmp", "[KELVAN]\r\nTRANSP");
    fake_platform_hold(k_config, true);
    settings_load(nullptr);
    EXPECT_EQ(200, g_settings.transparency);
    EXPECT_GT(fake_platform_slept_ms(), 0u) << "a held file is waited for";
    fake_platform_hold(k_config, false);
    settings_save(nullptr);
    EXPECT_EQ(config, file(k_config));
    EXPECT_FALSE(fake_platform_exists("C:\\app\\config.ini.tmp"));

    settings_load(nullptr);
    EXPECT_EQ(99, g_settings.transparency);
}
