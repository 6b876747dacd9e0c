// The memo store against the real Win32 file, shell and window calls: a
// data folder with Japanese characters in its path, the no-sharing read,
// the replacing write, the recycle bin and the 4 GiB refusal.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "memo_registry.h"
#include "memo_file.h"
#include "ini_file.h"
#include "memo_text.h"
#include "tracked_memory.h"
#include "placement.h"
#include "settings.h"
#include "memo_test_support.h"

namespace {

using memo_test::record_of;

class StoreWinTest : public memo_test::MemoTest {
protected:
    // "付箋データ表" in code page 932; 表 ends in the byte 0x5C.
    std::string folder_name() override {
        return "kelvane_store_付箋データ表_" + std::to_string(GetCurrentProcessId());
    }
    void SetUp() override {
        MemoTest::SetUp();
        ASSERT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        g_settings.recycle = 1;
        g_settings.show = 0;
    }
    void TearDown() override {
        MemoTest::TearDown();
        memo_test::remove_folder(folder);
    }

    std::string path(const char* name) const { return folder + "\\" + name; }
    void put(const char* name, const std::string& bytes) const { memo_test::write_file(path(name), bytes); }
    std::string get(const char* name) const { return memo_test::read_file(path(name)); }
};

TEST_F(StoreWinTest, SaveScanAndLoadInAJapaneseFolder) {
    memo_placement where = {memo_geometry::rect, {100, 120, 260, 240}};
    memo_hwnd w = placement_create_window(nullptr, &where);
    ASSERT_NE(nullptr, w);
    EXPECT_FALSE(IsWindowVisible(w));
    char class_name[64];
    GetClassNameA(w, class_name, sizeof class_name);
    EXPECT_STREQ("ProgramWindowClass", class_name);
    EXPECT_EQ((LONG_PTR)(WS_EX_LAYERED | WS_EX_TOOLWINDOW),
              GetWindowLongPtrA(w, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(100, r.left);
    EXPECT_EQ(240, r.bottom);

    memo_record* rec = memo_registry_add(w);
    memo_registry_set_name(w, "20240102030405");
    rec->color_index = 3;
    memo_test::set_record_text(rec, u8"日本\r\nabc");
    ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
    EXPECT_EQ(std::string("\xEF\xBB\xBF") + u8"日本\r\nabc", get("20240102030405.txt"));
    std::string ini = get("20240102030405.ini");
    EXPECT_NE(std::string::npos, ini.find("[KELVAN]\r\nX="));
    EXPECT_NE(std::string::npos, ini.find("\r\nLEFT=")) << ini;
    EXPECT_NE(std::string::npos, ini.find("\r\nCOLOR=3\r\n"));
    EXPECT_EQ("<missing>", get("20240102030405.txt.tmp"));

    // The system's own profile reader agrees with what we wrote.
    EXPECT_EQ(3u, GetPrivateProfileIntA("KELVAN", "COLOR", 99, path("20240102030405.ini").c_str()));

    memo_registry_remove(w);
    DestroyWindow(w);
    put("x.txt", "alone");
    memo_file_scan_folder(nullptr, 1);
    memo_hwnd loaded = memo_registry_next(nullptr);
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(nullptr, memo_registry_next(loaded));
    EXPECT_STREQ("20240102030405", record_of(loaded)->file_name);
    EXPECT_STREQ(u8"日本\nabc", record_of(loaded)->text);
    EXPECT_EQ(3, record_of(loaded)->color_index);
    EXPECT_FALSE(IsWindowVisible(loaded));  // SHOW 0 keeps start-up memos hidden
}

TEST_F(StoreWinTest, ReadIsRefusedWhileAnotherProgramHoldsTheFile) {
    put("held.txt", "text");
    HANDLE other = CreateFileA(path("held.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    EXPECT_EQ(nullptr, memo_text_read(path("held.txt").c_str()));
    CloseHandle(other);
    char* text = memo_text_read(path("held.txt").c_str());
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("text", text);
    TRACKED_FREE(text);
}

TEST_F(StoreWinTest, ReplacingWriteKeepsTheOldFileWhenTheTemporaryCannotBeWritten) {
    put("keep.txt", "old");
    // A folder in the way of the temporary name makes the write fail early.
    ASSERT_TRUE(CreateDirectoryA(path("keep.txt.tmp").c_str(), nullptr));
    EXPECT_EQ(0, platform_write_file(path("keep.txt").c_str(), "new", 3, PLATFORM_WRITE_DURABLE));
    EXPECT_EQ("old", get("keep.txt"));
    RemoveDirectoryA(path("keep.txt.tmp").c_str());
    EXPECT_EQ(1, platform_write_file(path("keep.txt").c_str(), "new", 3, PLATFORM_WRITE_DURABLE));
    EXPECT_EQ("new", get("keep.txt"));
    EXPECT_EQ("<missing>", get("keep.txt.tmp"));
}

// With RECYCLE both files go to the recycle bin, without it they are
// deleted; the memo leaves the registry either way.
class StorePeelTest : public StoreWinTest, public ::testing::WithParamInterface<int> {};

TEST_P(StorePeelTest, RecyclesOrDeletesBothFiles) {
    const int recycle = GetParam();
    g_settings.recycle = recycle;
    put("p.txt", "peel me");
    put("p.ini", "[KELVAN]\r\n");
    memo_placement where = {memo_geometry::rect, {0, 0, 50, 50}};
    memo_hwnd w = placement_create_window(nullptr, &where);
    ASSERT_NE(nullptr, w);
    memo_registry_add(w);
    memo_registry_set_name(w, "p");
    EXPECT_EQ(1, memo_file_peel(w));
    DestroyWindow(w);
    EXPECT_EQ("<missing>", get("p.txt"));
    EXPECT_EQ("<missing>", get("p.ini"));
    EXPECT_EQ(nullptr, memo_registry_next(nullptr));

    // Under Wine the bin is the desktop trash of $HOME; on Windows it is
    // not reachable by path, so only the data folder is checked there.
    const char* home = getenv("HOME");
    if (home && home[0] == '/') {
        std::string trash = std::string("Z:") + home + "/.local/share/Trash/files/p.txt";
        for (char& c : trash) {
            if (c == '/') c = '\\';
        }
        EXPECT_EQ(recycle != 0, GetFileAttributesA(trash.c_str()) != INVALID_FILE_ATTRIBUTES) << trash;
        DeleteFileA(trash.c_str());
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, StorePeelTest, ::testing::Values(1, 0));

TEST_F(StoreWinTest, TextFileOfFourGibibytesIsRefused) {
    HANDLE f = CreateFileA(path("huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    DWORD ignored = 0;
    DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 0x100000000LL;
    ASSERT_TRUE(SetFilePointerEx(f, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(f));
    CloseHandle(f);
    EXPECT_EQ(nullptr, memo_text_read(path("huge.txt").c_str()));
    DeleteFileA(path("huge.txt").c_str());
}

// Our INI reader against the system's own on the values where readers
// differ: hexadecimal prefixes, signs, quotes, blanks and a section that is
// there twice (the system reads only the first).
TEST_F(StoreWinTest, IniReaderReadsWhatTheSystemReads) {
    put("x.ini",
        "[K]\r\nlow=0x1f\r\nup=0X1f\r\nneg=-0x10\r\nplus=+12\r\nlead=010\r\nbare=0x\r\n"
        "word=abc\r\nq=\"  a b  \"\r\nsp =  v w  \r\nempty=\r\n"
        "[other]\r\nlow=5\r\n[k]\r\nlow=7\r\nonly=second\r\n");
    std::string ini = path("x.ini");
    ini_document doc;
    ASSERT_EQ(1, ini_open(&doc, ini.c_str()));
    const char* keys[] = {"low", "up", "neg", "plus", "lead", "bare", "word",
                          "q",   "sp", "empty", "only", "missing"};
    for (const char* key : keys) {
        EXPECT_EQ((int32_t)GetPrivateProfileIntA("K", key, 99, ini.c_str()),
                  ini_get_int(&doc, "K", key, 99))
            << key;
        char system[64];
        char ours[64];
        GetPrivateProfileStringA("K", key, "<def>", system, sizeof system, ini.c_str());
        ini_get_string(&doc, "K", key, "<def>", ours, sizeof ours);
        EXPECT_STREQ(system, ours) << key;
    }
    ini_close(&doc);
}

// The real calls say why they failed: a handle of another program without
// delete sharing (an indexer, a sync client) makes a read and the replace
// of a write fail busy, the old content stays and the temporary file goes;
// a missing folder is missing.  A staged write waits for its commit, which
// replaces only when asked to.
TEST_F(StoreWinTest, FileCallsNameTheirFaultAndStagedWritesWaitForTheirCommit) {
    put("a.ini", "old");
    HANDLE other =
        CreateFileA(path("a.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    unsigned char* data = nullptr;
    uint64_t size = 0;
    // A reader as sync clients open a file (read and write sharing) lets
    // our read in; only a writer makes it wait.
    HANDLE reader =
        CreateFileA(path("a.ini").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(other);
    ASSERT_EQ(1, platform_read_file(path("a.ini").c_str(), &data, &size));
    EXPECT_EQ("old", std::string(reinterpret_cast<char*>(data), size));
    platform_release_file(data);
    CloseHandle(reader);
    other = CreateFileA(path("a.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(0, platform_read_file(path("a.ini").c_str(), &data, &size));
    EXPECT_EQ(PLATFORM_FAULT_BUSY, platform_last_fault());
    EXPECT_EQ(0, platform_write_file(path("a.ini").c_str(), "new", 3, 0));
    EXPECT_EQ(PLATFORM_FAULT_BUSY, platform_last_fault());
    CloseHandle(other);
    EXPECT_EQ("old", get("a.ini"));
    EXPECT_EQ("<missing>", get("a.ini.tmp"));

    EXPECT_EQ(0, platform_write_file(path("gone\\a.ini").c_str(), "x", 1, 0));
    EXPECT_EQ(PLATFORM_FAULT_MISSING, platform_last_fault());

    EXPECT_EQ(1, platform_write_file(path("a.ini").c_str(), "staged", 6, PLATFORM_WRITE_STAGE));
    EXPECT_EQ("old", get("a.ini"));
    EXPECT_EQ("staged", get("a.ini.tmp"));
    EXPECT_EQ(0, platform_commit_file(path("a.ini").c_str(), 0)) << "never over an existing file";
    EXPECT_EQ("staged", get("a.ini.tmp"));
    EXPECT_EQ(1, platform_commit_file(path("a.ini").c_str(), 1));
    EXPECT_EQ("staged", get("a.ini"));
    EXPECT_EQ("<missing>", get("a.ini.tmp"));
    ASSERT_EQ(1, platform_read_file(path("a.ini").c_str(), &data, &size));
    EXPECT_EQ(PLATFORM_FAULT_NONE, platform_last_fault());
    platform_release_file(data);
}

// One listing brings each file's size and time, as a look at the file
// does, and tells folders apart.
TEST_F(StoreWinTest, AListingBringsWhatALookAtEachFileWould) {
    put("a.txt", "twelve bytes");
    put("b.ini", "");
    CreateDirectoryA(path("c.txt").c_str(), nullptr);
    struct seen {
        std::vector<platform_folder_entry> entries;
        std::vector<std::string> names;
    } listed;
    platform_list_folder(
        folder.c_str(), "*.*",
        [](const platform_folder_entry* e, void* context) {
            static_cast<seen*>(context)->entries.push_back(*e);
            static_cast<seen*>(context)->names.push_back(e->name);
        },
        &listed);
    const std::vector<platform_folder_entry>& entries = listed.entries;
    const std::vector<std::string>& names = listed.names;
    size_t ours = 0;
    for (size_t i = 0; i < names.size(); i++) {
        if (names[i][0] == '.') continue;
        ours++;
        platform_file_stamp stamp;
        platform_stat_file(path(names[i].c_str()).c_str(), &stamp);
        EXPECT_EQ(names[i] == "c.txt", entries[i].is_folder != 0) << names[i];
        if (entries[i].is_folder) continue;
        EXPECT_EQ(stamp.size, entries[i].size) << names[i];
        EXPECT_EQ(stamp.write_time, entries[i].write_time) << names[i];
    }
    EXPECT_EQ(3u, ours);
    RemoveDirectoryA(path("c.txt").c_str());
}

// A memo whose INI another program holds: the save waits a moment, then
// keeps the change; once the file is let go the retry writes it.
TEST_F(StoreWinTest, AHeldIniIsWrittenOnceLetGo) {
    memo_placement where = {memo_geometry::rect, {100, 120, 260, 240}};
    memo_hwnd w = placement_create_window(nullptr, &where);
    ASSERT_NE(nullptr, w);
    memo_record* rec = memo_registry_add(w);
    memo_registry_set_name(w, "m");
    rec->color_index = 2;
    memo_test::set_record_text(rec, "abc");
    ASSERT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL));
    HANDLE other = CreateFileA(path("m.ini").c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    rec->color_index = 5;
    DWORD start = GetTickCount();
    EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_COLOR));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 200u);
    EXPECT_LT(waited, 1000u);
    EXPECT_EQ(1, memo_file_retry_pending());
    CloseHandle(other);
    EXPECT_EQ(0, memo_file_retry_pending());
    EXPECT_EQ(5u, GetPrivateProfileIntA("KELVAN", "COLOR", 99, path("m.ini").c_str()));
}

}  // namespace
