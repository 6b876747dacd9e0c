// What the native tests share: LeakCheckedTest (a fresh fake platform for
// every test, and every tracked block given back by its end), StoreTest on
// top of it (the settings of a first start, the registry and the save queue
// emptied after each test), the data folder and main window they use, and
// a check of window rectangles.
#ifndef NATIVE_TEST_SUPPORT_H
#define NATIVE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "memo_registry.h"
#include "tracked_memory.h"
#include "save_queue.h"
#include "settings.h"
#include "platform_fake.h"

namespace native_test {

const char k_data[] = "C:\\app\\kelvan";
memo_hwnd const k_main = reinterpret_cast<memo_hwnd>(static_cast<uintptr_t>(0x7770));

// Gives the record a copy of text (none for null) in place of its own.
inline void set_record_text(memo_record* record, const char* text) {
    if (record->text) TRACKED_FREE(record->text);
    record->text = text ? TRACKED_NEW(char, strlen(text) + 1) : nullptr;
    if (text) strcpy(record->text, text);
}

class LeakCheckedTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_platform_reset();
        save_queue_clear();
        live_blocks_ = tracked_live_count();
    }
    void TearDown() override {
        EXPECT_EQ(live_blocks_, tracked_live_count()) << "tracked blocks left behind";
    }
    // Unregisters every memo and forgets every owed save, which releases
    // what they hold.
    static void forget_memos() {
        while (memo_hwnd w = memo_registry_next(nullptr)) memo_registry_remove(w);
        save_queue_clear();
    }

private:
    uint64_t live_blocks_ = 0;
};

class StoreTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        settings_load(k_main);
    }
    void TearDown() override {
        forget_memos();
        LeakCheckedTest::TearDown();
    }

    static void monitors(std::initializer_list<fake_monitor> list) {
        std::vector<fake_monitor> v(list);
        fake_platform_set_monitors(v.data(), static_cast<int>(v.size()));
    }
    static std::string data_path(const std::string& name) { return std::string(k_data) + "\\" + name; }
    static void put(const std::string& name, const std::string& bytes) {
        fake_platform_put_file(data_path(name).c_str(), bytes);
    }
    static std::string get(const std::string& name) {
        std::string bytes;
        if (!fake_platform_get_file(data_path(name).c_str(), &bytes)) return "<missing>";
        return bytes;
    }
    static std::vector<memo_hwnd> registered() {
        std::vector<memo_hwnd> list;
        for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
            list.push_back(w);
        }
        return list;
    }
    static memo_record* record_of(memo_hwnd w) { return static_cast<memo_record*>(memo_registry_find(w)); }
    // A registered memo with a window at r, named name, holding text.
    static memo_hwnd make_memo(const char* name, const char* text, platform_rect r = {100, 100, 260, 220}) {
        memo_hwnd w = fake_platform_add_window(r);
        memo_record* rec = memo_registry_add(w);
        memo_registry_set_name(w, name);
        rec->color_index = MEMO_COLOR_NEW;
        set_record_text(rec, text);
        return w;
    }
};

// Compares two rectangles, naming the case in each failure.
inline void expect_rect(const platform_rect& expected, const platform_rect& got, const char* what) {
    EXPECT_EQ(expected.left, got.left) << what;
    EXPECT_EQ(expected.top, got.top) << what;
    EXPECT_EQ(expected.right, got.right) << what;
    EXPECT_EQ(expected.bottom, got.bottom) << what;
}

}  // namespace native_test

#endif
