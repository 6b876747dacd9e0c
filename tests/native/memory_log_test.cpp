// The tracked allocator and the error log, checked through the records that
// land in error.log beside the (sandboxed) program.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "error_log.h"
#include "tracked_memory.h"
#include "platform_fake.h"

namespace {

const char k_log[] = "C:\\app\\error.log";

std::string read_log() {
    std::string bytes;
    fake_platform_get_file(k_log, &bytes);
    return bytes;
}

// Splits error.log into its records (each ends with an empty line).
std::vector<std::string> log_records() {
    std::vector<std::string> records;
    std::string log = read_log();
    size_t start = 0;
    for (;;) {
        size_t end = log.find("\r\n\r\n", start);
        if (end == std::string::npos) break;
        records.push_back(log.substr(start, end + 4 - start));
        start = end + 4;
    }
    EXPECT_EQ(start, log.size()) << "trailing bytes after the last record";
    return records;
}

std::string field(const std::string& record, const char* name) {
    std::string key = std::string(name) + " : ";
    size_t at = record.find(key);
    if (at == std::string::npos) return "<missing>";
    size_t end = record.find("\r\n", at);
    return record.substr(at + key.size(), end - at - key.size());
}

class MemoryLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_platform_reset();
        fake_platform_set_time(2026, 12, 8, 16, 5, 9);
    }
    void TearDown() override {
        // Leave no blocks for the next test; the report goes to this test's log.
        tracked_report_leaks();
    }
};

TEST_F(MemoryLogTest, RecordHasExactFiveLineFormat) {
    EXPECT_EQ(1, error_report(1, "Kelvane", "C:\\src\\kelvane\\source\\main_window.cpp", 321,
                              REPORT_MESSAGE, "The path is too deep"));
    EXPECT_EQ(read_log(),
              "TIME : 12/08 16:05:09\r\n"
              "INFO : The path is too deep\r\n"
              "UNIT : Kelvane\r\n"
              "FILE : main_window.cpp\r\n"
              "LINE : 321\r\n"
              "\r\n");
}

TEST_F(MemoryLogTest, MessageReportsFormatArgumentsAndAppend) {
    EXPECT_EQ(1, error_report(1, "Kelvane", "a\\b.cpp", 7, REPORT_MESSAGE, "%s=%d", "x", -4));
    fake_platform_set_time(2027, 1, 2, 0, 0, 59);
    EXPECT_EQ(1, error_report(1, "Kelvane", "a\\b.cpp", 8, REPORT_MESSAGE, "again"));
    std::vector<std::string> records = log_records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("x=-4", field(records[0], "INFO"));
    EXPECT_EQ("again", field(records[1], "INFO"));
    // No year anywhere: two reports years apart differ only by month and day.
    EXPECT_EQ("01/02 00:00:59", field(records[1], "TIME"));
}

TEST_F(MemoryLogTest, EmptyMessageDisabledAndUnknownKind) {
    EXPECT_EQ(0, error_report(1, "Kelvane", "x\\y.cpp", 1, REPORT_MESSAGE, ""));
    EXPECT_EQ(0, REPORT_FAILURE());
    EXPECT_EQ(1, error_report(0, "Kelvane", "x\\y.cpp", 1, REPORT_MESSAGE, "not written"));
    EXPECT_FALSE(fake_platform_exists(k_log));

    // An unknown kind still writes a record, with an empty INFO line.
    EXPECT_EQ(1, error_report(1, "Kelvane", "x\\y.cpp", 3, 99, "ignored"));
    std::vector<std::string> records = log_records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("", field(records[0], "INFO"));
}

TEST_F(MemoryLogTest, DumpEscapesAndBounds) {
    const unsigned char bytes[] = {0x61, 0x62, 0x0D, 0x0A, 0x00, 0x5C};
    error_report(1, "Kelvane", "p\\q.cpp", 1, REPORT_DUMP, "Head",
                 static_cast<const void*>(bytes), static_cast<uint64_t>(6));
    // Only the low 32 bits of the count count: 2^32 + 2 dumps two bytes.
    error_report(1, "Kelvane", "p\\q.cpp", 2, REPORT_DUMP, "Low",
                 static_cast<const void*>(bytes), (static_cast<uint64_t>(1) << 32) + 2);
    // A negative count dumps nothing instead of reading before the block.
    error_report(1, "Kelvane", "p\\q.cpp", 3, REPORT_DUMP, "Neg",
                 static_cast<const void*>(bytes), static_cast<uint64_t>(0xFFFFFFFFu));
    std::vector<std::string> records = log_records();
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ("Headab\\r\\n\\0\\", field(records[0], "INFO"));
    EXPECT_EQ("Lowab", field(records[1], "INFO"));
    EXPECT_EQ("Neg", field(records[2], "INFO"));
}

TEST_F(MemoryLogTest, FileLineTakesPartAfterLastBackslash) {
    error_report(1, "Kelvane", "memo_file.cpp", 10, REPORT_MESSAGE, "no folder");
    error_report(1, "Kelvane", "C:\\a\\b\\", 11, REPORT_MESSAGE, "trailing");
    error_report(1, "Kelvane", "/build/src\\x/memo_cross.cpp", 13, REPORT_MESSAGE, "slashes");
    // A 300-byte path keeps its last 259 bytes, so the name survives.
    std::string deep = "C:\\" + std::string(280, 'd') + "\\memo_deep.cpp";
    error_report(1, "Kelvane", deep.c_str(), 12, REPORT_MESSAGE, "deep");
    std::vector<std::string> records = log_records();
    ASSERT_EQ(4u, records.size());
    EXPECT_EQ("", field(records[0], "FILE"));
    EXPECT_EQ("", field(records[1], "FILE"));
    EXPECT_EQ("memo_cross.cpp", field(records[2], "FILE"));
    EXPECT_EQ("memo_deep.cpp", field(records[3], "FILE"));
    EXPECT_EQ("12", field(records[3], "LINE"));
}

TEST_F(MemoryLogTest, LogFailureShowsMessageBoxAndReturnsZero) {
    fake_platform_fail(FAKE_FAULT_APPEND, 1);
    EXPECT_EQ(0, error_log_write("lost", "Kelvane", "a\\b.cpp", 1));
    ASSERT_EQ(1, fake_platform_message_count());
    EXPECT_EQ("Zembrock failed in the record of error log. ", fake_platform_message_text(0));
    EXPECT_EQ("ZEMBROCK", fake_platform_message_caption(0));
    // error_report reports that it tried, whatever the writer says.
    fake_platform_fail(FAKE_FAULT_APPEND, 1);
    EXPECT_EQ(1, error_report(1, "Kelvane", "a\\b.cpp", 1, REPORT_MESSAGE, "lost too"));
    EXPECT_EQ(2, fake_platform_message_count());
}

TEST_F(MemoryLogTest, AllocationGuardAndBookkeeping) {
    unsigned char* a = TRACKED_NEW(unsigned char, 10);
    unsigned char* zero = TRACKED_NEW(unsigned char, 0);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, zero);
    EXPECT_EQ(0, memcmp(a + 10, "EOM", 3));
    EXPECT_EQ(0, memcmp(zero, "EOM", 3));
    EXPECT_EQ(2u, tracked_live_count());
    EXPECT_EQ(10u, tracked_live_bytes());
    memset(a, 0x41, 10);  // the whole area is the caller's
    TRACKED_FREE(a);
    TRACKED_FREE(zero);
    EXPECT_EQ(0u, tracked_live_count());
    EXPECT_FALSE(fake_platform_exists(k_log));
}

TEST_F(MemoryLogTest, OverwrittenGuardIsReportedAtTheAllocationSite) {
    unsigned char* zero =
        static_cast<unsigned char*>(tracked_alloc(0, "C:\\src\\edit_box.cpp", 77));
    zero[0] = 0x00;  // the guard of a 0-byte block starts at offset 0
    tracked_free(zero, "C:\\src\\memo_window.cpp", 99);
    std::vector<std::string> records = log_records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Buffer Overflow", field(records[0], "INFO"));  // empty dump
    EXPECT_EQ("edit_box.cpp", field(records[0], "FILE"));
    EXPECT_EQ("77", field(records[0], "LINE"));
    EXPECT_EQ(0u, tracked_live_count()) << "the block is released anyway";

    char* text = static_cast<char*>(tracked_alloc(3, "C:\\src\\memo_file.cpp", 5));
    memcpy(text, "xyzE", 4);  // one byte too many, the guard's first byte unchanged
    text[3] = 'E';
    tracked_free(text, "C:\\src\\memo_file.cpp", 6);
    EXPECT_EQ(1u, log_records().size()) << "an intact guard is not reported";

    char* over = static_cast<char*>(tracked_alloc(2, "C:\\src\\memo_file.cpp", 8));
    memcpy(over, "ab!", 3);
    tracked_free(over, "C:\\src\\memo_file.cpp", 9);
    records = log_records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Buffer Overflowab", field(records[1], "INFO"));
    EXPECT_EQ("8", field(records[1], "LINE"));
}

TEST_F(MemoryLogTest, NullAndDoubleAndForeignRelease) {
    tracked_free(nullptr, "C:\\src\\tray_icon.cpp", 40);
    void* block = tracked_alloc(4, "C:\\src\\tray_icon.cpp", 41);
    void* other = TRACKED_ALLOC(1);
    tracked_free(block, "C:\\src\\tray_icon.cpp", 42);
    tracked_free(block, "C:\\src\\tray_icon.cpp", 43);  // second release
    int local = 0;
    tracked_free(&local, "C:\\src\\tray_icon.cpp", 44);
    std::vector<std::string> records = log_records();
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ("Null Pointer Free", field(records[0], "INFO"));
    EXPECT_EQ("40", field(records[0], "LINE"));
    EXPECT_EQ("No Collect Free", field(records[1], "INFO"));
    EXPECT_EQ("43", field(records[1], "LINE"));
    EXPECT_EQ("No Collect Free", field(records[2], "INFO"));
    EXPECT_EQ(1u, tracked_live_count()) << "faulty releases change nothing";
    TRACKED_FREE(other);
}

TEST_F(MemoryLogTest, LeakReportInAllocationOrderWithEscapedDump) {
    char* first = static_cast<char*>(tracked_alloc(5, "C:\\src\\memo_registry.cpp", 1));
    memcpy(first, "ab\r\n", 5);  // 61 62 0D 0A 00
    void* gone = tracked_alloc(1, "C:\\src\\memo_registry.cpp", 2);
    char* last = static_cast<char*>(tracked_alloc(1, "C:\\src\\memo_file.cpp", 3));
    last[0] = 'z';
    TRACKED_FREE(gone);
    tracked_report_leaks();
    std::vector<std::string> records = log_records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Memory Leakab\\r\\n\\0", field(records[0], "INFO"));
    EXPECT_EQ("memo_registry.cpp", field(records[0], "FILE"));
    EXPECT_EQ("1", field(records[0], "LINE"));
    EXPECT_EQ("Kelvane", field(records[0], "UNIT"));
    EXPECT_EQ("Memory Leakz", field(records[1], "INFO"));
    EXPECT_EQ(0u, tracked_live_count());
    // The leaked blocks are not released by the report; give them back here.
    free(first);
    free(last);
}

// Head, middle and tail records unlink correctly whatever the order of
// release, and the list stays in allocation order for the leak report.
TEST_F(MemoryLogTest, UnlinkInEveryOrderKeepsTheListConsistent) {
    const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& order : orders) {
        void* blocks[4];
        for (int i = 0; i < 4; i++) blocks[i] = tracked_alloc(1, "C:\\s\\t.cpp", 100 + i);
        for (int k = 0; k < 3; k++) TRACKED_FREE(blocks[order[k]]);
        ASSERT_EQ(1u, tracked_live_count());
        // A new block goes to the tail behind the survivor.
        void* extra = tracked_alloc(1, "C:\\s\\t.cpp", 200);
        tracked_report_leaks();
        std::vector<std::string> records = log_records();
        ASSERT_EQ(2u, records.size());
        EXPECT_EQ("103", field(records[0], "LINE"));
        EXPECT_EQ("200", field(records[1], "LINE"));
        free(blocks[3]);
        free(extra);
        fake_platform_reset();
    }
}

TEST_F(MemoryLogTest, ThousandsOfBlocksReleaseInAnyOrder) {
    std::vector<void*> blocks;
    for (int i = 0; i < 5000; i++) blocks.push_back(tracked_alloc(i % 7, "C:\\s\\m.cpp", i));
    for (size_t i = 0; i < blocks.size(); i += 2) TRACKED_FREE(blocks[i]);
    for (size_t i = blocks.size() - 1; i < blocks.size(); i -= 2) TRACKED_FREE(blocks[i]);
    EXPECT_EQ(0u, tracked_live_count());
    EXPECT_EQ(0u, tracked_live_bytes());
    EXPECT_FALSE(fake_platform_exists(k_log));
}

TEST_F(MemoryLogTest, HeapExhaustionEndsWithAMessage) {
    EXPECT_EXIT(tracked_alloc(UINT64_MAX - 1, "C:\\s\\m.cpp", 1), ::testing::ExitedWithCode(3),
                "");
}

}  // namespace
