// The names sync clients give their conflict copies and their own files.
#include <gtest/gtest.h>

#include <strings.h>

#include <set>
#include <string>

#include "sync_names.h"

namespace {

const std::string k_memo = "20240101000001";

// The rows under which name reads as a copy of the memo's file with ext.
std::set<std::string> clients_of_copy(const std::string& name, const char* ext) {
    sync_names_copy copies[8];
    std::set<std::string> clients;
    int count = sync_names_conflict_copies(name.c_str(), copies, 8);
    for (int i = 0; i < count; i++) {
        if (name.substr(0, copies[i].base_length) == k_memo &&
            strncasecmp(name.c_str() + copies[i].extension, ext, 3) == 0) {
            clients.insert(sync_names_client(copies[i].row));
        }
    }
    return clients;
}

TEST(SyncNames, EveryClientsCopyOfATextAndOfAnIniIsTheMemos) {
    struct {
        const char* client;
        const char* marker;  // between the name and the extension
        const char* after;   // after the extension
    } rows[] = {
        {"Dropbox", " (PC01's conflicted copy 2026-12-09)", ""},
        {"Dropbox", " (PC01's conflicted copy 2026-12-09 (1))", ""},
        {"Dropbox (Japanese)", " (PC01 のコンフリクトしたコピー 2026-12-09)", ""},
        {"Dropbox (German)", " (Konflikt-Kopie von PC01 2026-12-09)", ""},
        {"Dropbox (French)", " (copie en conflit de PC01 2026-12-09)", ""},
        {"Dropbox (Spanish)", " (copia en conflicto de PC01 2026-12-09)", ""},
        {"Dropbox (Italian)", " (copia in conflitto di PC01 2026-12-09)", ""},
        {"Dropbox (Dutch)", " (conflicterende kopie van PC01 2026-12-09)", ""},
        {"Dropbox (Russian)", " (конфликтующая копия PC01 2026-12-09)", ""},
        {"Dropbox (Chinese)", " (PC01 的衝突複本 2026-12-09)", ""},
        {"OneDrive", "-DESKTOP-7K2Q9", ""},
        {"Google Drive", " (1)", ""},
        {"Syncthing", ".sync-conflict-20261209-101010-ABCDEFG", ""},
        {"Nextcloud, ownCloud", " (conflicted copy 2026-12-09 101010)", ""},
        {"Nextcloud, ownCloud", " (conflicted copy user 2026-12-09 101010)", ""},
        {"ownCloud (before 2.5)", "_conflict-20261209-101010", ""},
        {"Seafile", " (SFConflict user@example.com 2026-12-09-10-10-10)", ""},
        {"pCloud", " (conflicted)", ""},
        {"rclone bisync", "", ".conflict1"},
        {"rclone bisync (extension kept)", ".conflict2", ""},
        {"rclone bisync (before 1.66)", "", "..path1"},
        {"Box", " (Conflicted copy PC01 2026-12-09)", ""},
        {"iCloud Drive", " 2", ""},
    };
    std::set<std::string> seen;
    for (const auto& r : rows) {
        for (const char* ext : {"txt", "ini", "TXT"}) {
            std::string name = k_memo + r.marker + "." + ext + r.after;
            EXPECT_EQ(1u, clients_of_copy(name, ext).count(r.client)) << name;
            EXPECT_TRUE(sync_names_worth_a_look(name.c_str())) << name;
            EXPECT_FALSE(sync_names_is_client_file(name.c_str())) << name;
        }
        seen.insert(r.client);
    }
    for (int row = 0; *sync_names_client(row); row++) {
        EXPECT_EQ(1u, seen.count(sync_names_client(row))) << "row without a case: " << row;
    }
}

TEST(SyncNames, NamesThatOnlyLookAlikeAreNoCopies) {
    const char* names[] = {
        "20240101000001.txt",
        "20240101000001 (1) shopping.txt",
        "20240101000001 (shopping).txt",
        "20240101000001 (PC01's conflicted copy).txt",
        "20240101000001 (買い物 2026-12-09).txt",
        "20240101000001 (conflicted copy 101010).txt",
        "20240101000001 (SFConflict 2026-12-09).txt",
        "20240101000001.sync-conflict-2026.txt",
        "20240101000001.sync-conflict-20261209-101010-abcdefg.txt",
        "20240101000001-MY-VERY-LONG-COMPUTER-NAME.txt",
        "20240101000001-.txt",
        "20240101000001 0.txt",
        "20240101000001.txt.conflict",
        "20240101000001.txt..path3",
        "20240101000001 (1).md",
        "k0123456789abc.txt",
    };
    for (const char* name : names) {
        EXPECT_TRUE(clients_of_copy(name, "txt").empty()) << name;
    }
    sync_names_copy copy;
    EXPECT_EQ(0, sync_names_conflict_copies("k0123456789abc.txt", &copy, 1)) << "our own copies";
}

TEST(SyncNames, ClientsOwnFilesAreTheirsAndOursAreNot) {
    struct {
        const char* name;
        bool clients;
    } cases[] = {
        {".syncthing.20240101000001.txt.tmp", true},
        {"~syncthing~20240101000001.ini.tmp", true},
        {".stfolder", true},
        {".20240101000001.txt.~1a2b", true},
        {"20240101000001.txt~", true},
        {"20240101000001.txt.part", true},
        {"20240101000001.txt.1a2b3c4d.partial", true},
        {"20240101000001.txt.!sync", true},
        {".unison.20240101000001.txt.1a2b.unison.tmp", true},
        {".dropbox.cache", true},
        {"20240101000001.txt", false},
        {"20240101000001.ini", false},
        {"20240101000001.txt.tmp", false},
        {"20240101000001.ini.tmp", false},
        {"kelvane-probe.tmp", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.clients, sync_names_is_client_file(c.name) != 0) << c.name;
        if (c.clients) {
            EXPECT_FALSE(sync_names_worth_a_look(c.name)) << c.name;
        }
    }
}

}  // namespace
