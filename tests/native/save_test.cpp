// Saves that must not be lost: files held by another program, read-only
// and missing folders, the order of a new memo's files and the crash states
// it can leave, the tidying of leftovers, and every platform call of load,
// save, peel and refresh failing once in turn.
#include <gtest/gtest.h>

#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "crash_leftovers.h"
#include "memo_file.h"
#include "memo_registry.h"
#include "memo_sync.h"
#include "native_test_support.h"
#include "save_queue.h"
#include "settings.h"
#include "tracked_memory.h"

namespace {

using native_test::k_data;
using native_test::k_main;
const char k_ini_keys[] =
    "[KELVAN]\r\nX=10\r\nY=20\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\nLEFT=10\r\nTOP=20\r\n"
    "RIGHT=170\r\nBOTTOM=140\r\nCOLOR=3\r\nDAY=67\r\nTIME=545\r\n";

class SaveTest : public native_test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        g_settings.textfile = 0;  // no mark, LF: the file holds the text as it is
    }

    static std::string path(const std::string& name) { return std::string(k_data) + "\\" + name; }
    static void put(const std::string& name, const std::string& bytes) {
        fake_platform_put_file(path(name).c_str(), bytes);
    }
    static std::string get(const std::string& name) {
        std::string bytes;
        return fake_platform_get_file(path(name).c_str(), &bytes) ? bytes : "<missing>";
    }
    static void hold(const std::string& name, bool held) { fake_platform_hold(path(name).c_str(), held); }
    static memo_record* record_of(memo_hwnd w) { return static_cast<memo_record*>(memo_registry_find(w)); }

    // A live memo named name holding text (its files are not touched).
    static memo_hwnd make_memo(const char* name, const char* text) {
        memo_hwnd w = fake_platform_add_window({100, 100, 260, 220});
        memo_record* r = memo_registry_add(w);
        memo_registry_set_name(w, name);
        r->color_index = 1;
        set_text(w, text);
        return w;
    }
    static void set_text(memo_hwnd w, const char* text) { native_test::set_record_text(record_of(w), text); }
    // A memo with its pair on disk: text "old", colour 3.
    static memo_hwnd stored_memo(const char* name) {
        put(std::string(name) + ".txt", "old");
        put(std::string(name) + ".ini", k_ini_keys);
        memo_hwnd w = make_memo(name, "old");
        record_of(w)->color_index = 3;
        record_of(w)->day = 67;
        record_of(w)->time = 545;
        return w;
    }
    static std::string ini_value(const std::string& ini, const std::string& key) {
        size_t at = ini.find("\n" + key + "=");
        if (at == std::string::npos) return "<none>";
        at += key.size() + 2;
        return ini.substr(at, ini.find('\r', at) - at);
    }
    // The names of the data folder's temporary files.
    static std::vector<std::string> leftovers() {
        std::vector<std::string> names;
        platform_list_folder(
            k_data, "*.tmp",
            [](const platform_folder_entry* entry, void* context) {
                static_cast<std::vector<std::string>*>(context)->push_back(entry->name);
            },
            &names);
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Another program holds the memo's text and INI open, as an indexer or a
// sync client does, while the text and the colour change and the memo is
// dragged: nothing is written and nothing is said; the first try waits a
// moment, later saves join it without waiting; once the files are let go,
// the next retry writes the memo as it is then, drag's last place included.
TEST_F(SaveTest, HeldFilesKeepTheChangeUntilTheyAreLetGo) {
    memo_hwnd w = stored_memo("m");
    hold("m.txt", true);
    hold("m.ini", true);
    set_text(w, "new text");
    EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_ALL));
    uint32_t waited = fake_platform_slept_ms();
    EXPECT_GT(waited, 0u);
    EXPECT_LE(waited, 300u) << "the user-interface thread never waits for long";
    EXPECT_GT(fake_platform_retry_delay(), 0u);

    record_of(w)->color_index = 5;
    EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_COLOR));
    for (int x = 0; x < 5; x++) {
        fake_platform_window_info(w)->rect = {300 + x * 10, 300, 460 + x * 10, 420};
        memo_file_save(w, MEMO_SAVE_POSITION);
    }
    EXPECT_EQ(waited, fake_platform_slept_ms()) << "saves of a memo that owes one do not wait";
    for (int i = 0; i < 6; i++) {
        fake_platform_advance(500);
        EXPECT_EQ(1, memo_file_retry_pending());
    }
    EXPECT_EQ(waited, fake_platform_slept_ms()) << "retries try once each";
    EXPECT_EQ("old", get("m.txt"));
    EXPECT_EQ(k_ini_keys, get("m.ini"));
    EXPECT_TRUE(fake_platform_notices().empty()) << "three seconds of a held file are not worth a word";

    hold("m.txt", false);
    hold("m.ini", false);
    EXPECT_EQ(0, memo_file_retry_pending());
    EXPECT_EQ("new text", get("m.txt"));
    std::string ini = get("m.ini");
    EXPECT_EQ("5", ini_value(ini, "COLOR"));
    EXPECT_EQ("340", ini_value(ini, "LEFT")) << "the drag's last place";
    EXPECT_EQ("67", ini_value(ini, "DAY"));
    EXPECT_EQ(0u, fake_platform_retry_delay()) << "the timer stops when nothing is owed";
    EXPECT_TRUE(leftovers().empty());
    EXPECT_TRUE(fake_platform_notices().empty());
}

// A file that stays held is told about, once, after the patience runs out,
// with the reason; the waits between retries grow and stay short.
TEST_F(SaveTest, AFileHeldForLongIsToldOnceWithItsReason) {
    memo_hwnd w = stored_memo("m");
    hold("m.ini", true);
    record_of(w)->color_index = 1;
    memo_file_save(w, MEMO_SAVE_COLOR);
    std::vector<uint32_t> delays;
    for (uint32_t elapsed = 0; elapsed < SAVE_QUEUE_PATIENCE_MS - 1000; elapsed += 1000) {
        fake_platform_advance(1000);
        memo_file_retry_pending();
        delays.push_back(fake_platform_retry_delay());
    }
    EXPECT_TRUE(fake_platform_notices().empty());
    EXPECT_LT(delays.front(), delays.back());
    EXPECT_LE(delays.back(), 2000u);
    for (int i = 0; i < 5; i++) {
        fake_platform_advance(1000);
        memo_file_retry_pending();
    }
    ASSERT_EQ(1u, fake_platform_notices().size());
    const std::string& notice = fake_platform_notices()[0];
    EXPECT_NE(std::string::npos, notice.find("別のプログラム")) << notice;
    EXPECT_NE(std::string::npos, notice.find(k_data)) << notice;
    EXPECT_NE(std::string::npos, notice.find("画面に残っています")) << notice;
    hold("m.ini", false);
    EXPECT_EQ(0, memo_file_retry_pending());
    EXPECT_EQ("1", ini_value(get("m.ini"), "COLOR"));
}

// A moment's sharing conflict costs nothing: the first try waits it out.
TEST_F(SaveTest, AMomentaryConflictIsWaitedOut) {
    memo_hwnd w = stored_memo("m");
    set_text(w, "new");
    fake_platform_fail_call(5, PLATFORM_FAULT_BUSY);
    EXPECT_EQ(1, memo_file_save(w, MEMO_SAVE_ALL)) << fake_platform_failed_call();
    EXPECT_STRNE("", fake_platform_failed_call());
    EXPECT_GT(fake_platform_slept_ms(), 0u);
    EXPECT_EQ("new", get("m.txt"));
    EXPECT_EQ(0, save_queue_count());
}

// A read-only or full folder will not change by itself: the user hears of
// it at once, with the reason and that the text is still on the screen, and
// only once however often it is tried; the save lands when the folder can
// take it again.  A data folder removed meanwhile is made again.
TEST_F(SaveTest, LastingFaultsAreToldAtOnceAndTheSaveLandsLater) {
    const struct {
        int fault;
        const char* reason;
    } cases[] = {
        {PLATFORM_FAULT_READ_ONLY, "読み取り専用"},
        {PLATFORM_FAULT_FULL, "空き容量"},
    };
    for (const auto& c : cases) {
        memo_hwnd w = make_memo("n", "hello");
        fake_platform_set_folder_fault(k_data, c.fault);
        EXPECT_EQ(0, memo_file_save(w, MEMO_SAVE_ALL));
        EXPECT_EQ(0u, fake_platform_slept_ms()) << "nothing to wait for";
        ASSERT_EQ(1u, fake_platform_notices().size()) << c.reason;
        EXPECT_NE(std::string::npos, fake_platform_notices()[0].find(c.reason));
        EXPECT_NE(std::string::npos, fake_platform_notices()[0].find("画面に残っています"));
        for (int i = 0; i < 4; i++) {
            fake_platform_advance(2000);
            memo_file_retry_pending();
        }
        EXPECT_EQ(1u, fake_platform_notices().size());
        EXPECT_TRUE(leftovers().empty());
        EXPECT_EQ("<missing>", get("n.txt"));
        fake_platform_set_folder_fault(k_data, PLATFORM_FAULT_NONE);
        EXPECT_EQ(0, memo_file_retry_pending());
        EXPECT_EQ("hello", get("n.txt"));
        EXPECT_EQ("1", ini_value(get("n.ini"), "COLOR"));
        memo_registry_remove(w);
        fake_platform_reset();
        settings_load(k_main);
        g_settings.textfile = 0;
    }
    // The folder went away while the program ran: a position save alone
    // brings it back with the whole pair.
    memo_hwnd w = stored_memo("m");
    ASSERT_EQ(0, system(("rm -rf '" + fake_platform_host_path(k_data) + "'").c_str()));
    EXPECT_EQ(1, memo_file_save(w, MEMO_SAVE_POSITION));
    EXPECT_EQ("old", get("m.txt"));
    EXPECT_EQ("3", ini_value(get("m.ini"), "COLOR"));
    EXPECT_EQ("67", ini_value(get("m.ini"), "DAY"));
}

// While a memo owes a save its own state is newer than its files: a
// refresh keeps it; a peel forgets what it owed, so no retry brings the
// files back.
TEST_F(SaveTest, OwedSavesSurviveRefreshAndGoWithAPeel) {
    memo_hwnd w = stored_memo("m");
    put("m.txt", "changed elsewhere");
    hold("m.txt", true);
    set_text(w, "mine");
    memo_file_save(w, MEMO_SAVE_ALL);
    hold("m.txt", false);
    memo_file_scan_folder(k_main, 0);
    EXPECT_STREQ("mine", record_of(w)->text);
    memo_file_retry_pending();
    EXPECT_EQ("mine", get("m.txt"));

    hold("m.ini", true);
    memo_file_save(w, MEMO_SAVE_COLOR);
    ASSERT_EQ(1, save_queue_count());
    hold("m.ini", false);
    memo_file_peel(w);
    EXPECT_EQ(0, save_queue_count());
    EXPECT_EQ(0, memo_file_retry_pending());
    EXPECT_EQ("<missing>", get("m.ini"));
    EXPECT_EQ("<missing>", get("m.txt"));
}

// At exit the owed saves are tried for a while, waiting for busy files;
// what lands is written, the rest is counted for the question to the user.
TEST_F(SaveTest, ExitTriesOwedSavesForAWhile) {
    memo_hwnd a = stored_memo("a");
    memo_hwnd b = stored_memo("b");
    hold("a.ini", true);
    hold("b.ini", true);
    record_of(a)->color_index = 1;
    memo_file_save(a, MEMO_SAVE_COLOR);
    record_of(b)->color_index = 6;
    memo_file_save(b, MEMO_SAVE_COLOR);
    hold("b.ini", false);
    uint32_t before = fake_platform_slept_ms();
    EXPECT_EQ(1, memo_file_flush_pending(3000));
    EXPECT_GE(fake_platform_slept_ms() - before, 3000u);
    EXPECT_EQ("6", ini_value(get("b.ini"), "COLOR"));
    hold("a.ini", false);
    EXPECT_EQ(0, memo_file_flush_pending(3000));
    EXPECT_EQ("1", ini_value(get("a.ini"), "COLOR"));
    char text[1024];
    save_queue_notice_text(PLATFORM_FAULT_BUSY, k_data, 1, text, sizeof text);
    EXPECT_NE(nullptr, strstr(text, "いいえ")) << text;
}

// What a crash leaves in the data folder is tidied before every scan: the
// complete INI of a new memo whose text landed becomes its INI file, so the
// memo shows again (at start-up and on refresh); a temporary file beside
// its complete file, and any other of the program's own, goes; other
// programs' files stay.
TEST_F(SaveTest, ScansTidyCrashLeftoversAndCompleteNewMemos) {
    put("a.txt", "recovered");
    put("a.ini.tmp", k_ini_keys);
    put("b.txt", "kept");
    put("b.ini", k_ini_keys);
    put("b.txt.tmp", "torn ne");
    put("b.ini.tmp", "[KELVAN]\r\nX=9");
    put("c.ini.tmp", k_ini_keys);  // its text never landed
    put("d.TXT.tmp", "torn");
    put("kelvane-probe.tmp", "");
    put("notes.tmp", "someone else's");
    put(".syncthing.b.txt.tmp", "a client's download");
    put("~syncthing~b.ini.tmp", "a client's download");
    const std::vector<std::string> others = {".syncthing.b.txt.tmp", "notes.tmp",
                                             "~syncthing~b.ini.tmp"};
    memo_file_scan_folder(k_main, 1);
    ASSERT_EQ(2, fake_platform_window_count());
    EXPECT_EQ(others, leftovers());
    EXPECT_EQ(k_ini_keys, get("a.ini"));
    EXPECT_EQ(k_ini_keys, get("b.ini"));
    EXPECT_EQ("kept", get("b.txt"));
    memo_record* a = record_of(fake_platform_window_at(0));
    memo_record* b = record_of(fake_platform_window_at(1));
    if (strcmp(a->file_name, "a") != 0) std::swap(a, b);
    EXPECT_STREQ("recovered", a->text);
    EXPECT_EQ(3, a->color_index);
    EXPECT_STREQ("kept", b->text);

    // The same state arriving while the program runs (a crash on another
    // computer that shares the folder) shows on refresh.
    put("e.txt", "from elsewhere");
    put("e.ini.tmp", k_ini_keys);
    memo_file_scan_folder(k_main, 0);
    EXPECT_EQ(3, fake_platform_window_count());
    EXPECT_EQ(k_ini_keys, get("e.ini"));
    EXPECT_EQ(others, leftovers());

    // Once running, a temporary file may be another computer's write in
    // flight: it goes only when it is old.
    put("f.txt.tmp", "in flight");
    memo_file_scan_folder(k_main, 0);
    EXPECT_EQ("in flight", get("f.txt.tmp"));
    uint64_t old = platform_file_time_now() - (CRASH_LEFTOVERS_AGE_S + 1) * PLATFORM_SECOND;
    platform_set_write_time(path("f.txt.tmp").c_str(), old);
    memo_file_scan_folder(k_main, 0);
    EXPECT_EQ(others, leftovers());
    // A look after a change notice does not even complete a young INI.
    put("g.txt", "in flight");
    put("g.ini.tmp", k_ini_keys);
    memo_sync_folder_changed(k_main);
    EXPECT_EQ("<missing>", get("g.ini"));
}

// The state a kill leaves at every step of a save, replayed: a forked
// child saves and ends at step n; the disk then holds no text file, or a
// text file that is complete (old or new) with a complete INI beside it or
// still in its temporary file; the next start shows exactly the memos that
// have a text file, with that text, and leaves no temporary file.
TEST_F(SaveTest, AKillAtAnyStepOfASaveLeavesMemosThatLoad) {
    const struct {
        const char* what;
        bool stored;  // the memo's pair is on disk before the save
        uint16_t flags;
    } cases[] = {
        {"first save of a new memo", false, MEMO_SAVE_ALL},
        {"text update", true, MEMO_SAVE_ALL},
        {"colour", true, MEMO_SAVE_COLOR},
        {"position", true, MEMO_SAVE_POSITION},
    };
    for (const auto& c : cases) {
        int steps_seen = 0;
        for (int step = 1;; step++) {
            fake_platform_reset();
            settings_load(k_main);
            g_settings.textfile = 0;
            if (c.stored) {
                put("m.txt", "old");
                put("m.ini", k_ini_keys);
            }
            pid_t child = fork();
            ASSERT_NE(-1, child);
            if (child == 0) {
                // A stored memo was read from its files, as at start-up, so
                // its text file is no other computer's change.
                memo_hwnd w = c.stored && memo_file_load(k_main, path("m").c_str())
                                  ? memo_registry_next(nullptr)
                                  : make_memo("m", "new text");
                set_text(w, "new text");
                record_of(w)->color_index = 6;
                fake_platform_die_at_step(step);
                memo_file_save(w, c.flags);
                _exit(1);  // the save ended before the step came
            }
            int status = 0;
            waitpid(child, &status, 0);
            ASSERT_TRUE(WIFEXITED(status)) << c.what << " step " << step;
            if (WEXITSTATUS(status) == 1) break;
            steps_seen = step;
            std::string text = get("m.txt");
            std::string ini = get("m.ini");
            std::string staged = get("m.ini.tmp");
            if (text == "<missing>") {
                EXPECT_EQ("<missing>", ini) << c.what << " step " << step << ": an INI without text";
            } else {
                EXPECT_TRUE(text == "old" || text == "new text") << c.what << " step " << step << ": " << text;
                const std::string& pair_ini = ini != "<missing>" ? ini : staged;
                for (const char* key : {"X", "WIDTH", "BOTTOM", "COLOR", "DAY", "TIME"}) {
                    EXPECT_NE("<none>", ini_value(pair_ini, key)) << c.what << " step " << step << " " << key;
                }
            }
            memo_file_scan_folder(k_main, 1);
            int memos = fake_platform_window_count();
            EXPECT_EQ(text == "<missing>" ? 0 : 1, memos) << c.what << " step " << step;
            if (memos == 1) {
                EXPECT_EQ(text, record_of(fake_platform_window_at(0))->text) << c.what << " step " << step;
            }
            EXPECT_TRUE(leftovers().empty()) << c.what << " step " << step;
            while (memo_hwnd w = memo_registry_next(nullptr)) memo_registry_remove(w);
        }
        EXPECT_GE(steps_seen, 3) << c.what;
    }
}

// Every platform call that load, save, peel and refresh make fails once in
// turn, as a passing error (OTHER) and as a busy file (BUSY): nothing
// crashes, no file is lost or torn, and once the fault is gone a retry or
// the next scan brings everything to where it should be.
TEST_F(SaveTest, EveryPlatformCallFailingOnceLosesNothing) {
    struct scenario {
        const char* what;
        void (*setup)();
        void (*run)();
        void (*check)(const char* context);
    };
    static const scenario scenarios[] = {
        {"load",
         [] {
             put("a.txt", "alpha");
             put("a.ini", k_ini_keys);
             put("b.txt", "beta");
             put("b.ini.tmp", k_ini_keys);
         },
         [] { memo_file_scan_folder(k_main, 1); },
         [](const char* context) {
             memo_file_scan_folder(k_main, 0);  // what a fault kept back shows now
             std::vector<std::string> texts;
             for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) {
                 texts.push_back(record_of(w)->text);
             }
             std::sort(texts.begin(), texts.end());
             EXPECT_EQ((std::vector<std::string>{"alpha", "beta"}), texts) << context;
             EXPECT_EQ(k_ini_keys, get("a.ini")) << context;
             EXPECT_EQ(k_ini_keys, get("b.ini")) << context;
         }},
        {"save of a new memo",
         [] { make_memo("m", "new text"); },
         [] { memo_file_save(memo_registry_next(nullptr), MEMO_SAVE_ALL); },
         [](const char* context) {
             EXPECT_EQ("new text", get("m.txt")) << context;
             EXPECT_EQ("1", ini_value(get("m.ini"), "COLOR")) << context;
             EXPECT_EQ("100", ini_value(get("m.ini"), "LEFT")) << context;
         }},
        {"text update",
         [] {
             memo_hwnd w = stored_memo("m");
             set_text(w, "new text");
         },
         [] { memo_file_save(memo_registry_next(nullptr), MEMO_SAVE_ALL); },
         [](const char* context) {
             EXPECT_EQ("new text", get("m.txt")) << context;
             EXPECT_EQ("100", ini_value(get("m.ini"), "LEFT")) << context;
             EXPECT_EQ("3", ini_value(get("m.ini"), "COLOR")) << context;
         }},
        {"colour and position",
         [] {
             memo_hwnd w = stored_memo("m");
             record_of(w)->color_index = 0;
         },
         [] {
             memo_file_save(memo_registry_next(nullptr), MEMO_SAVE_COLOR);
             memo_file_save(memo_registry_next(nullptr), MEMO_SAVE_POSITION);
         },
         [](const char* context) {
             EXPECT_EQ("old", get("m.txt")) << context;
             EXPECT_EQ("0", ini_value(get("m.ini"), "COLOR")) << context;
             EXPECT_EQ("100", ini_value(get("m.ini"), "LEFT")) << context;
             EXPECT_EQ("545", ini_value(get("m.ini"), "TIME")) << context;
         }},
        {"peel",
         [] { stored_memo("m"); },
         [] { memo_file_peel(memo_registry_next(nullptr)); },
         [](const char* context) {
             EXPECT_EQ(nullptr, memo_registry_next(nullptr)) << context;
             // A file the peel could not move stays whole; a text never
             // stays without its INI.
             std::string text = get("m.txt");
             EXPECT_TRUE(text == "<missing>" || text == "old") << context;
             if (text != "<missing>") {
                 EXPECT_EQ(k_ini_keys, get("m.ini")) << context;
             }
         }},
        {"refresh",
         [] {
             stored_memo("m");
             put("m.txt", "changed elsewhere");
             put("n.txt", "new elsewhere");
             put("n.ini", k_ini_keys);
         },
         [] { memo_file_scan_folder(k_main, 0); },
         [](const char* context) {
             memo_file_scan_folder(k_main, 0);
             int count = 0;
             for (memo_hwnd w = memo_registry_next(nullptr); w; w = memo_registry_next(w)) count++;
             EXPECT_EQ(2, count) << context;
             EXPECT_STREQ("changed elsewhere", record_of(memo_registry_next(nullptr))->text) << context;
             EXPECT_EQ("changed elsewhere", get("m.txt")) << context;
         }},
    };
    for (const scenario& sc : scenarios) {
        for (int fault : {PLATFORM_FAULT_OTHER, PLATFORM_FAULT_BUSY}) {
            int calls = 0;
            for (int nth = 0; nth == 0 || nth <= calls; nth++) {
                while (memo_hwnd w = memo_registry_next(nullptr)) memo_registry_remove(w);
                save_queue_clear();
                fake_platform_reset();
                settings_load(k_main);
                g_settings.textfile = 0;
                sc.setup();
                int before = fake_platform_calls();
                fake_platform_fail_call(nth, fault);
                sc.run();
                if (nth == 0) {
                    calls = fake_platform_calls() - before;  // the clean run counts them
                    continue;
                }
                std::string context = std::string(sc.what) + ", call " + std::to_string(nth) + " (" +
                                      fake_platform_failed_call() + ") failing with " +
                                      std::to_string(fault);
                fake_platform_advance(1000);
                memo_file_retry_pending();
                sc.check(context.c_str());
                EXPECT_EQ(0, save_queue_count()) << context;
                EXPECT_TRUE(leftovers().empty()) << context;
            }
            EXPECT_GE(calls, 3) << sc.what;
        }
    }
}

}  // namespace
