// The settings dialogs' window-free part: the version line, the TEXTFILE
// radios, Browse's folder candidates, the font size conversions, the size
// edits' number reading, the banner geometry and the data folder check.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include "paths.h"
#include "settings_text.h"
#include "settings.h"
#include "platform_fake.h"
#include "native_test_support.h"
#include "scale.h"

namespace {

// --- version line ------------------------------------------------------------

struct version_case {
    const char* description;  // null: no version block
    const char* file_version;  // null: not in the block
    const char* line;
};

TEST(DialogVersionLine, FormatsMajorMinorAndBuildButNotTheRevision) {
    const version_case cases[] = {
        {"Kelvane", "2.15.7.0", "Kelvane Ver.2.15.0007 64bit版\n"},
        {"Kelvane", "1.2.3.4", "Kelvane Ver.1.02.0003 64bit版\n"},
        {nullptr, nullptr, " Ver.0.00.0000 64bit版\n"},  // no version block at all
        {"Kelvane", "3.1", "Kelvane Ver.3.01.0000 64bit版\n"},  // fewer numbers: the rest 0
        {"Kelvane", "", "Kelvane Ver.0.00.0000 64bit版\n"},
        {"Kelvane", "1.100.12345.9", "Kelvane Ver.1.100.12345 64bit版\n"},  // wider than the pad
        {"", "1.0.0.0", " Ver.1.00.0000 64bit版\n"},
    };
    for (const version_case& c : cases) {
        SCOPED_TRACE(c.file_version ? c.file_version : "(none)");
        dialog_version version;
        settings_text_parse_version(c.file_version, &version);
        char line[DIALOG_TEXT_SIZE];
        ASSERT_EQ(1, settings_text_version_line(line, sizeof line, c.description, &version, 64));
        EXPECT_STREQ(c.line, line);
    }
}

TEST(DialogVersionLine, ParsesAllFourNumbers) {
    dialog_version version;
    settings_text_parse_version("2.15.7.9", &version);
    EXPECT_EQ(2, version.major);
    EXPECT_EQ(15, version.minor);
    EXPECT_EQ(7, version.build);
    EXPECT_EQ(9, version.revision);
}

TEST(DialogVersionLine, ReportsALineThatDoesNotFit) {
    dialog_version version = {2, 15, 7, 0};
    char line[12];
    EXPECT_EQ(0, settings_text_version_line(line, sizeof line, "Kelvane", &version, 64));
    EXPECT_EQ(strlen(line), sizeof line - 1) << "cut, but terminated";
}

// --- check boxes and TEXTFILE ------------------------------------------------

TEST(DialogToggle, OnlySwitchesBetweenZeroAndOne) {
    const struct {
        int32_t value;
        int32_t ticked;
        int32_t result;
    } cases[] = {
        {0, 1, 1}, {1, 0, 0}, {1, 1, 1}, {0, 0, 0},
        // Anything else in config.ini survives a click either way.
        {2, 1, 2}, {2, 0, 2}, {-1, 0, -1}, {-1, 1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, settings_text_toggle(c.value, c.ticked)) << c.value << " ticked " << c.ticked;
    }
}

enum textfile_radio { BOM_ON, BOM_OFF, LINE_LF, LINE_CRLF };

int32_t click(int32_t textfile, textfile_radio radio) {
    switch (radio) {
    case BOM_ON: return settings_text_textfile_bom(textfile, 1);
    case BOM_OFF: return settings_text_textfile_bom(textfile, 0);
    case LINE_LF: return settings_text_textfile_crlf(textfile, 0);
    default: return settings_text_textfile_crlf(textfile, 1);
    }
}

TEST(DialogTextfile, ClickSequenceWalksAllFourFormats) {
    const struct {
        textfile_radio radio;
        int32_t result;
    } steps[] = {
        {BOM_OFF, 65536}, {LINE_LF, 0}, {BOM_ON, 1}, {LINE_CRLF, 65537},
    };
    int32_t textfile = 65537;
    for (const auto& step : steps) {
        textfile = click(textfile, step.radio);
        EXPECT_EQ(step.result, textfile);
    }
}

TEST(DialogTextfile, EachHalfKeepsTheOtherAndValuesBeyondOne) {
    EXPECT_EQ(0x00020001, click(0x00020000, BOM_ON)) << "the high half 2 is kept";
    EXPECT_EQ(0x00020000, click(0x00020000, LINE_LF)) << "a high half of 2 is no 1";
    EXPECT_EQ(0x00010005, click(0x00000005, LINE_CRLF)) << "a low half of 5 is kept";
    EXPECT_EQ(0x00000005, click(0x00000005, BOM_OFF));
    EXPECT_EQ(0x00010000, click(0x00010000, BOM_OFF)) << "clicking the ticked radio changes nothing";
    EXPECT_EQ(static_cast<int32_t>(0xFFFF0001u), click(static_cast<int32_t>(0xFFFF0000u), BOM_ON));
}

// --- Browse ------------------------------------------------------------------

TEST(DialogBrowse, CandidatesForFoldersAndDriveRoots) {
    const struct {
        const char* picked;
        int32_t yes;
        const char* candidate;
    } cases[] = {
        {"D:\\", 1, "D:\\kelvan"},
        {"C:\\Sync", 1, "C:\\Sync\\kelvan"},
        {"C:\\Sync", 0, "C:\\Sync"},
        {"D:\\", 0, "D:\\"},
        {"\\\\server\\share\\", 1, "\\\\server\\share\\kelvan"},
        // "表" is 0x95 0x5C: its trail byte is no backslash.
        {"C:\\表", 1, "C:\\表\\kelvan"},
        {"C:\\表\\", 1, "C:\\表\\kelvan"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picked);
        char out[PLATFORM_PATH_SIZE];
        ASSERT_EQ(1, settings_text_browse_candidate(out, c.picked, c.yes));
        EXPECT_STREQ(c.candidate, out);
    }
}

TEST(DialogBrowse, ACandidateThatDoesNotFitIsRefusedNotCut) {
    std::string picked = "C:\\" + std::string(252, 'a');  // 255 bytes
    char out[PLATFORM_PATH_SIZE];
    EXPECT_EQ(0, settings_text_browse_candidate(out, picked.c_str(), 1));
    EXPECT_STREQ("", out);
    ASSERT_EQ(1, settings_text_browse_candidate(out, picked.c_str(), 0)) << "the folder itself fits";
    EXPECT_EQ(picked, out);
    picked = "C:\\" + std::string(249, 'a');  // + "\kelvan" = 259 bytes, the most there is
    ASSERT_EQ(1, settings_text_browse_candidate(out, picked.c_str(), 1));
    EXPECT_EQ(259u, strlen(out));
}

// --- fonts -------------------------------------------------------------------

TEST(DialogFont, HeightsAt96And144Dpi) {
    const struct {
        int32_t points;
        int32_t dpi;
        int32_t height;
    } cases[] = {
        {10, 96, -13}, {10, 144, -20}, {9, 96, -12}, {12, 96, -16}, {12, 144, -24},
        {8, 96, -11}, {36, 96, -48}, {36, 144, -72}, {11, 144, -22}, {10, 120, -17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.points << " pt at " << c.dpi << " dpi");
        EXPECT_EQ(c.height, scale_font_height(c.points, c.dpi));
        EXPECT_EQ(c.points, settings_text_font_points(c.height, c.dpi));
    }
}

TEST(DialogFont, PickerHeightsComeBackAsTheirPoints) {
    // What the picker may hand back at 144 dpi, and the sizes they mean.
    EXPECT_EQ(15, settings_text_font_points(-30, 144));
    EXPECT_EQ(11, settings_text_font_points(-21, 144));  // 10.5 points: halves round up
    EXPECT_EQ(11, settings_text_font_points(-22, 144));
    EXPECT_EQ(10, settings_text_font_points(-13, 96));
    EXPECT_EQ(10, settings_text_font_points(13, 96)) << "a cell height is read by its magnitude";
    EXPECT_EQ(0, settings_text_font_points(0, 96));
}

TEST(DialogFont, UnchangedPickerKeepsTheSizeAtEveryDpiFrom72) {
    for (int32_t dpi = 72; dpi <= 480; dpi += 6) {
        for (int32_t points = 1; points <= 100; points++) {
            int32_t height = scale_font_height(points, dpi);
            ASSERT_EQ(points, settings_text_font_points(height, dpi)) << points << " pt at " << dpi << " dpi";
        }
    }
}

TEST(DialogFont, NoDpiNoConversion) {
    EXPECT_EQ(0, scale_font_height(10, 0));
    EXPECT_EQ(0, settings_text_font_points(-13, 0));
    EXPECT_EQ(0, scale_font_height(10, -96));
}

TEST(DialogFont, StyleNames) {
    EXPECT_STREQ("太字", settings_text_font_style_text(700));
    EXPECT_STREQ("標準", settings_text_font_style_text(400));
    EXPECT_STREQ("太字", settings_text_font_style_text(401));
    EXPECT_STREQ("標準", settings_text_font_style_text(0));
}

// --- size edits --------------------------------------------------------------

TEST(DialogSize, ReadsLikeAtoiAndClampsTo32Bits) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"72", 72},
        {"", 0},
        {"-5", -5},
        {" 12abc", 12},
        {"7", 7},
        {"abc", 0},
        {"+8", 8},
        {"\t\n 40", 40},
        {"- 5", 0},
        {"0072", 72},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999999", 2147483647},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"-99999999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value, settings_text_parse_size(c.text)) << '"' << c.text << '"';
    }
    EXPECT_EQ(0, settings_text_parse_size(nullptr));
}

// --- names -------------------------------------------------------------------

TEST(DialogCutText, CutsAtCharacterBoundaries) {
    const struct {
        const char* text;
        size_t max;
        const char* result;
    } cases[] = {
        {"abcdef", 3, "abc"},
        {"abc", 3, "abc"},
        {"abc", 10, "abc"},
        {"aあい", 2, "a"},     // "あ" is two bytes: not half of it
        {"aあい", 3, "aあ"},
        {"ｱｲｳ", 2, "ｱｲ"},      // half-width kana are one byte each
    };
    for (const auto& c : cases) {
        char text[64];
        strcpy(text, c.text);
        settings_text_cut_text(text, c.max);
        EXPECT_STREQ(c.result, text) << c.max;
    }
}

// --- banners -----------------------------------------------------------------

TEST(DialogBanner, RightEdgeKeepsTheAspectAndFillsTheHeight) {
    const platform_rect item = {9, 9, 324, 65};  // 315 x 56
    platform_rect r;
    ASSERT_EQ(1, settings_text_banner_right(&item, 640, 160, &r));
    EXPECT_EQ(324 - 224, r.left);
    EXPECT_EQ(9, r.top);
    EXPECT_EQ(324, r.right);
    EXPECT_EQ(65, r.bottom);
    // A width that is no whole number is truncated.
    const platform_rect odd = {0, 0, 300, 37};
    ASSERT_EQ(1, settings_text_banner_right(&odd, 640, 150, &r));
    EXPECT_EQ(300 - 157, r.left);  // 37 / 150 * 640 = 157.9
    EXPECT_EQ(0, settings_text_banner_right(&item, 640, 0, &r));
}

TEST(DialogBanner, TopEdgeKeepsTheAspectAndFillsTheWidth) {
    const platform_rect item = {9, 9, 315, 72};  // 306 wide
    platform_rect r;
    ASSERT_EQ(1, settings_text_banner_top(&item, 640, 140, &r));
    EXPECT_EQ(9, r.left);
    EXPECT_EQ(9, r.top);
    EXPECT_EQ(315, r.right);
    EXPECT_EQ(9 + 66, r.bottom);  // 306 / 640 * 140 = 66.9
    EXPECT_EQ(0, settings_text_banner_top(&item, 0, 140, &r));
}

// --- folders -----------------------------------------------------------------

using DialogFolderTest = native_test::LeakCheckedTest;

TEST_F(DialogFolderTest, BesideTheProgram) {
    char out[PLATFORM_PATH_SIZE];
    ASSERT_EQ(1, path_beside_program(out, "kelvan"));
    EXPECT_STREQ("C:\\app\\kelvan", out);
    fake_platform_set_program_path("C:\\表\\kelvane.exe");
    ASSERT_EQ(1, path_beside_program(out, "help.html"));
    EXPECT_STREQ("C:\\表\\help.html", out);
    // No backslash: the whole path stands for the folder.
    fake_platform_set_program_path("kelvane.exe");
    ASSERT_EQ(1, path_beside_program(out, "kelvan"));
    EXPECT_STREQ("kelvane.exe\\kelvan", out);
    std::string deep = "C:\\" + std::string(240, 'd') + "\\kelvane.exe";
    fake_platform_set_program_path(deep.c_str());
    EXPECT_EQ(0, path_beside_program(out, "a-name-that-does-not-fit"));
    EXPECT_STREQ("", out);
}

TEST_F(DialogFolderTest, UsableFoldersExistTakeAFileAndLeaveNothing) {
    fake_platform_make_folders("C:\\data\\kelvan");
    EXPECT_EQ(1, path_folder_usable("C:\\data\\kelvan"));
    EXPECT_FALSE(fake_platform_exists("C:\\data\\kelvan\\kelvane-probe"));
    EXPECT_FALSE(fake_platform_exists("C:\\data\\kelvan\\kelvane-probe.tmp"));
    fake_platform_make_folders("D:\\");
    EXPECT_EQ(1, path_folder_usable("D:\\")) << "a drive root";

    EXPECT_EQ(0, path_folder_usable("C:\\data\\missing"));
    EXPECT_EQ(0, path_folder_usable(""));
    fake_platform_put_file("C:\\data\\file", "x");
    EXPECT_EQ(0, path_folder_usable("C:\\data\\file")) << "a file is no folder";

    fake_platform_fail(FAKE_FAULT_WRITE_TEMP, 1);
    EXPECT_EQ(0, path_folder_usable("C:\\data\\kelvan")) << "a folder that takes no file";
}

TEST_F(DialogFolderTest, AFolderWithoutRoomForAMemoFileIsRefused) {
    // "folder\" + 14 digits + ".txt" + ".tmp" must stay below 260 bytes.
    std::string fits = "C:\\" + std::string(233, 'f');  // 236 bytes
    std::string too_deep = "C:\\" + std::string(234, 'f');
    fake_platform_make_folders(fits.c_str());
    fake_platform_make_folders(too_deep.c_str());
    EXPECT_EQ(1, path_folder_usable(fits.c_str()));
    EXPECT_EQ(0, path_folder_usable(too_deep.c_str()));
}

}  // namespace
