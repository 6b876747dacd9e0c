// The INI reader and writer, against files as users, editors and the
// system's own profile functions leave them.
#include <gtest/gtest.h>

#include <string>

#include "tracked_memory.h"
#include "ini_file.h"
#include "native_test_support.h"

namespace {

class ProfileTest : public native_test::LeakCheckedTest {
protected:

    // Opens bytes as a document; the caller closes it.
    void open(const std::string& bytes) { ini_open_bytes(&doc_, bytes.data(), bytes.size()); }
    std::string text() const { return doc_.text ? std::string(doc_.text, doc_.length) : ""; }
    std::string get(const char* section, const char* key, const char* def = "<def>") {
        char out[300];
        ini_get_string(&doc_, section, key, def, out, sizeof out);
        return out;
    }

    ini_document doc_;
};

TEST_F(ProfileTest, ReadsLikeTheSystemReader) {
    open("; a comment line\r\n"
         "[other]\r\n"
         "key=wrong section\r\n"
         "  [ Kelvan ]  \r\n"
         "  Spaced   =   value with  inner  blanks   \r\n"
         "quoted=\"  kept blanks  \"\r\n"
         "single='x'\r\n"
         "half=\"open\r\n"
         ";commented=1\r\n"
         "dup=first\r\n"
         "dup=second\r\n"
         "empty=\r\n"
         "noequals\r\n"
         "[KELVAN]\r\n"
         "dup=third section\r\n"
         "later=from the second block\r\n");
    EXPECT_EQ("value with  inner  blanks", get("KELVAN", "spaced"));
    EXPECT_EQ("  kept blanks  ", get("kelvan", "QUOTED"));
    EXPECT_EQ("x", get("KELVAN", "single"));
    EXPECT_EQ("\"open", get("KELVAN", "half"));
    EXPECT_EQ("<def>", get("KELVAN", "commented"));
    EXPECT_EQ("<def>", get("KELVAN", ";commented"));
    EXPECT_EQ("first", get("KELVAN", "dup"));
    EXPECT_EQ("", get("KELVAN", "empty"));
    EXPECT_EQ("<def>", get("KELVAN", "noequals"));
    EXPECT_EQ("<def>", get("KELVAN", "key"));
    // Only the first section of a name counts, as for the system's reader.
    EXPECT_EQ("<def>", get("KELVAN", "later"));
    EXPECT_EQ("<def>", get("missing", "dup"));
    ini_close(&doc_);
}

// "0X1F" is decimal 0 followed by text: only "0x" makes hexadecimal.
TEST_F(ProfileTest, IntegersAreDecimalOrHexWithDefaultsForMissingAndEmpty) {
    open("[S]\nzero_lead=010\nneg=-25\nplus=+7\nhex=0x0080c0ff\nHEXUP=0X1F\nbig=0xffffffff\n"
         "empty=\nword=abc\ntrail=12px\nspaced =  42  \nminhex=-0x10\nwrap=4294967297\n");
    struct {
        const char* key;
        int32_t expected;
    } cases[] = {
        {"zero_lead", 10},  {"neg", -25},    {"plus", 7},      {"hex", 0x0080c0ff},
        {"hexup", 0},       {"big", -1},     {"empty", 99},    {"missing", 99},
        {"word", 0},        {"trail", 12},   {"spaced", 42},   {"minhex", -16},
        {"wrap", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, ini_get_int(&doc_, "S", c.key, 99)) << c.key;
    }
    ini_close(&doc_);
}

TEST_F(ProfileTest, StringsAreCutAtCharacterBoundaries) {
    // "あいう" in code page 932 is 82 A0 82 A2 82 A4.
    open("[S]\nname=\x82\xA0\x82\xA2\x82\xA4\nascii=abcdef\n");
    char out[6];
    EXPECT_EQ(6u, ini_get_string(&doc_, "S", "name", "", out, sizeof out));
    EXPECT_STREQ("\x82\xA0\x82\xA2", out);  // 5 bytes would split the third character
    EXPECT_EQ(6u, ini_get_string(&doc_, "S", "ascii", "", out, sizeof out));
    EXPECT_STREQ("abcde", out);
    EXPECT_EQ(3u, ini_get_string(&doc_, "S", "none", "xyz", out, sizeof out));
    EXPECT_STREQ("xyz", out);
    ini_close(&doc_);
}

TEST_F(ProfileTest, TrailByteThatLooksLikeASCIIIsNotCaseFolded) {
    // 82 61 and 82 41 are two different characters; a bracket-like trail
    // byte (81 5D) must not end a section name.
    open("[\x81\x5Dx]\n\x82\x61=lower\n");
    EXPECT_EQ("lower", get("\x81\x5Dx", "\x82\x61"));
    EXPECT_EQ("<def>", get("\x81\x5Dx", "\x82\x41"));
    ini_close(&doc_);
}

TEST_F(ProfileTest, WritesKeepLinesAppendKeysAndSections) {
    open("; settings\r\n[KELVAN]\r\nA = 1\r\n; note\r\nB=2\r\n\r\n[OTHER]\r\nA=9\r\n");
    ini_set_int(&doc_, "kelvan", "a", 5);     // rewritten on its own line
    ini_set_string(&doc_, "KELVAN", "C", "new");  // below B, above the blank line
    ini_set_hex(&doc_, "NEW", "COLOR1", 0xff);    // new section at the end
    EXPECT_EQ("; settings\r\n[KELVAN]\r\na=5\r\n; note\r\nB=2\r\nC=new\r\n\r\n[OTHER]\r\nA=9\r\n"
              "[NEW]\r\nCOLOR1=0x000000ff\r\n",
              text());
    ini_close(&doc_);
}

// A key that only a second copy of the section holds is missing for the
// reader, so a write puts it into the first copy, where it is read back.
TEST_F(ProfileTest, WritesGoToTheFirstOfTwoSectionsOfOneName) {
    open("[S]\nA=1\n[T]\n[S]\nB=2\n");
    ini_set_int(&doc_, "S", "B", 3);
    EXPECT_EQ(3, ini_get_int(&doc_, "S", "B", 0));
    EXPECT_EQ("[S]\nA=1\nB=3\n[T]\n[S]\nB=2\n", text());
    ini_close(&doc_);
}

TEST_F(ProfileTest, LfFilesStayLfAndAFileWithoutFinalLineEndIsExtended) {
    open("[S]\nA=1");
    ini_set_int(&doc_, "S", "B", -3);
    ini_set_int(&doc_, "T", "C", 0);
    EXPECT_EQ("[S]\nA=1\nB=-3\n[T]\nC=0\n", text());
    ini_close(&doc_);
}

TEST_F(ProfileTest, ByteOrderMarkIsSkippedAndTheNextSaveIsCodePage932) {
    open("\xEF\xBB\xBF[S]\r\nA=1\r\n");
    EXPECT_EQ(1, ini_get_int(&doc_, "S", "A", 0));
    ini_set_int(&doc_, "S", "A", 2);
    EXPECT_EQ("[S]\r\nA=2\r\n", text());
    ini_close(&doc_);
}

// Read in code page 932: '?' where it has no form, never a look-alike.
TEST_F(ProfileTest, Utf8FilesAreReadInCodePage932) {
    for (const char* bytes : {u8"\xEF\xBB\xBF[S]\nP=日本😀é", u8"[S]\nP=日本😀é", "[S]\nP=日本??"}) {
        open(bytes);
        EXPECT_EQ("日本??", get("S", "P")) << bytes;
        ini_close(&doc_);
    }
}

// Written back in code page 932 it would lose the snowman for good.
TEST_F(ProfileTest, Utf8FileThatCodePage932CannotSpellIsSavedAsUtf8) {
    // (Kept out of the assertion macros, which spell them in code page 932.)
    const std::string saved = u8"\xEF\xBB\xBF[S]\r\nP=C:\\メモ☃\r\nA=2\r\nN=きいろ\r\n";
    open(u8"\xEF\xBB\xBF[S]\r\nP=C:\\メモ☃\r\nA=1\r\n");
    EXPECT_EQ("C:\\メモ?", get("S", "P"));
    ini_set_int(&doc_, "S", "A", 2);
    ini_set_string(&doc_, "S", "N", "きいろ");
    EXPECT_EQ(saved, text());
    EXPECT_EQ("きいろ", get("S", "N"));
    ini_close(&doc_);
}

TEST_F(ProfileTest, FileWrittenByTheSystemProfileFunctionsReadsBack) {
    // As WritePrivateProfileStringA leaves a new file: CR LF, no blanks, the
    // colour slot name in code page 932.
    fake_platform_put_file("C:\\data\\config.ini",
                           "[KELVAN]\r\nTOPMOST=1\r\nCOLOR1=0x0080c0ff\r\n"
                           "COLORTEXT1=\x83\x6F\x81\x5B\x83\x7E\r\nPATH=D:\\memo\r\n");
    ASSERT_EQ(1, ini_open(&doc_, "C:\\data\\config.ini"));
    EXPECT_EQ(1, ini_get_int(&doc_, "KELVAN", "TOPMOST", 0));
    EXPECT_EQ(0x0080c0ff, ini_get_int(&doc_, "KELVAN", "COLOR1", 0));
    EXPECT_EQ("\x83\x6F\x81\x5B\x83\x7E", get("KELVAN", "COLORTEXT1"));
    EXPECT_EQ("D:\\memo", get("KELVAN", "PATH"));
    ini_set_int(&doc_, "KELVAN", "TOPMOST", 0);
    ASSERT_EQ(1, ini_save(&doc_, "C:\\data\\config.ini", 0));
    ini_close(&doc_);
    std::string bytes;
    ASSERT_TRUE(fake_platform_get_file("C:\\data\\config.ini", &bytes));
    EXPECT_EQ("[KELVAN]\r\nTOPMOST=0\r\nCOLOR1=0x0080c0ff\r\n"
              "COLORTEXT1=\x83\x6F\x81\x5B\x83\x7E\r\nPATH=D:\\memo\r\n",
              bytes);
}

TEST_F(ProfileTest, FirstWriteCreatesTheFileInOneWrite) {
    fake_platform_make_folders("C:\\data");
    ASSERT_EQ(1, ini_open(&doc_, "C:\\data\\new.ini"));
    EXPECT_EQ(0u, doc_.length);
    for (int i = 0; i < 12; i++) ini_set_int(&doc_, "KELVAN", "K", i);
    int writes_before = fake_platform_write_count();
    ASSERT_EQ(1, ini_save(&doc_, "C:\\data\\new.ini", PLATFORM_WRITE_DURABLE));
    EXPECT_EQ(writes_before + 1, fake_platform_write_count());
    ini_close(&doc_);
    std::string bytes;
    ASSERT_TRUE(fake_platform_get_file("C:\\data\\new.ini", &bytes));
    EXPECT_EQ("[KELVAN]\r\nK=11\r\n", bytes);
}

TEST_F(ProfileTest, UnreadableFileIsAFailureNotAnEmptyFile) {
    fake_platform_put_file("C:\\data\\locked.ini", "[S]\r\nA=1\r\n");
    fake_platform_fail(FAKE_FAULT_READ, 1);
    EXPECT_EQ(0, ini_open(&doc_, "C:\\data\\locked.ini"));
    EXPECT_EQ(0u, doc_.length);
    ini_close(&doc_);
}

}  // namespace
