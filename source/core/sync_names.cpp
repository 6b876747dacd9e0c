// The names of sync clients' conflict copies and of their own files.
#include "sync_names.h"

#include <string.h>

#include "paths.h"

namespace {

struct sync_names_row;

// A marker's grammar: the split points of a stem ("NAME" + marker) into
// base and marker, at most max, or whether the text after an extension is
// the marker (rows that mark after the extension).
typedef int (*sync_names_split_fn)(const sync_names_row* row, const char* s, size_t n,
                                   size_t* bases, int max);
// The words inside a marker " (...)": whether they are this row's.
typedef int (*sync_names_words_fn)(const char* s, size_t n, const char* word);

struct sync_names_row {
    const char* client;
    sync_names_split_fn split;
    sync_names_words_fn words;  // for markers in parentheses
    const char* word;
    int after_extension;  // "NAME.txt" + marker
};

int sync_names_is_digit(char c) { return c >= '0' && c <= '9'; }

int sync_names_digits(const char* s, size_t n) {
    for (size_t i = 0; i < n; i++) {
        if (!sync_names_is_digit(s[i])) return 0;
    }
    return 1;
}

char sync_names_fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int sync_names_same(const char* s, const char* word, size_t n, int fold) {
    for (size_t i = 0; i < n; i++) {
        if (fold ? sync_names_fold(s[i]) != sync_names_fold(word[i]) : s[i] != word[i]) return 0;
    }
    return 1;
}

int sync_names_starts(const char* s, size_t n, const char* word) {
    size_t k = strlen(word);
    return n >= k && sync_names_same(s, word, k, 0);
}

// Whether byte at of s begins a character: code page 932 trail bytes may
// look like ASCII letters, '_' or '~'.
int sync_names_char_start(const char* s, size_t at) {
    size_t i = 0;
    while (i < at) i += path_is_lead_byte(static_cast<unsigned char>(s[i])) && s[i + 1] ? 2 : 1;
    return i == at;
}

// Whether word stands in s[0..n) at a character's start, ASCII case aside.
int sync_names_contains(const char* s, size_t n, const char* word) {
    size_t k = strlen(word);
    for (size_t i = 0; i + k <= n; i++) {
        if (sync_names_same(s + i, word, k, 1) && sync_names_char_start(s, i)) return 1;
    }
    return 0;
}

// "2026-12-09"
int sync_names_date(const char* s) {
    return sync_names_digits(s, 4) && s[4] == '-' && sync_names_digits(s + 5, 2) && s[7] == '-' &&
           sync_names_digits(s + 8, 2);
}

// --- markers in parentheses: NAME + " (" + words + ")" -------------------------

int sync_names_trailer(const sync_names_row* row, const char* s, size_t n, size_t* bases, int max) {
    int found = 0;
    if (n < 4 || s[n - 1] != ')') return 0;
    // The opening bracket may be any " (" before the end: a name or the
    // words may hold brackets of their own.
    for (size_t p = n - 3; p >= 1 && found < max; p--) {
        if (s[p] == ' ' && s[p + 1] == '(' && row->words(s + p + 2, n - p - 3, row->word)) {
            bases[found++] = p;
        }
    }
    return found;
}

// Who and the date, the row's words among them: "PC01's conflicted copy
// 2026-12-09", "PC01 のコンフリクトしたコピー 2026-12-09", with " (1)" after
// the date for a second copy of one day.
int sync_names_dated(const char* s, size_t n, const char* word) {
    if (n > 4 && s[n - 1] == ')') {
        size_t open = n - 2;
        while (open > 0 && sync_names_is_digit(s[open])) open--;
        if (open >= 1 && open + 3 <= n && s[open] == '(' && s[open - 1] == ' ') n = open - 1;
    }
    return n > 11 && s[n - 11] == ' ' && sync_names_date(s + n - 10) &&
           sync_names_contains(s, n - 11, word);
}

// "conflicted copy 2026-12-09 101010", or with who before the date.
int sync_names_dated_timed(const char* s, size_t n, const char* word) {
    const size_t tail = 18;  // " 2026-12-09 101010"
    return n >= strlen(word) + tail && sync_names_starts(s, n, word) && s[n - tail] == ' ' &&
           sync_names_date(s + n - 17) && s[n - 7] == ' ' && sync_names_digits(s + n - 6, 6);
}

// "SFConflict who 2026-12-09-10-10-10"
int sync_names_dated_dashed(const char* s, size_t n, const char* word) {
    const size_t tail = 20;  // " 2026-12-09-10-10-10"
    if (n < strlen(word) + tail || !sync_names_starts(s, n, word) || s[n - tail] != ' ') return 0;
    const char* t = s + n - 19;
    return sync_names_date(t) && t[10] == '-' && sync_names_digits(t + 11, 2) && t[13] == '-' &&
           sync_names_digits(t + 14, 2) && t[16] == '-' && sync_names_digits(t + 17, 2);
}

// "conflicted", "conflicted 2"
int sync_names_bare(const char* s, size_t n, const char* word) {
    size_t k = strlen(word);
    return sync_names_starts(s, n, word) &&
           (n == k || (n > k + 1 && s[k] == ' ' && sync_names_digits(s + k + 1, n - k - 1)));
}

// "1" .. "9999"
int sync_names_number(const char* s, size_t n, const char*) {
    return n >= 1 && n <= 4 && sync_names_digits(s, n);
}

// --- markers without brackets -------------------------------------------------------

// ".sync-conflict-20261209-101010-ABCDEFG": the date, the time and the
// first characters of the device that kept the other version.
int sync_names_syncthing(const sync_names_row* row, const char* s, size_t n, size_t* bases,
                         int max) {
    const size_t tail = 38;
    size_t k = strlen(row->word);
    if (max < 1 || n <= tail || !sync_names_same(s + n - tail, row->word, k, 0)) return 0;
    const char* t = s + n - tail + k;
    if (!sync_names_digits(t, 8) || t[8] != '-' || !sync_names_digits(t + 9, 6) || t[15] != '-') {
        return 0;
    }
    for (size_t i = 16; i < 23; i++) {
        if (!sync_names_is_digit(t[i]) && !(t[i] >= 'A' && t[i] <= 'Z')) return 0;
    }
    bases[0] = n - tail;
    return 1;
}

// "-DESKTOP-7K2Q9": the computer's name, up to 15 letters, digits and
// hyphens, so every hyphen before it may begin the marker.
int sync_names_computer(const sync_names_row*, const char* s, size_t n, size_t* bases, int max) {
    int found = 0;
    size_t p = n;
    while (p > 1 && n - p < 16 && found < max) {
        char c = s[--p];
        if (c == '-' && p + 1 < n) bases[found++] = p;
        char letter = sync_names_fold(c);
        if (c != '-' && !sync_names_is_digit(c) && !(letter >= 'a' && letter <= 'z')) break;
    }
    return found;
}

// "_conflict-20261209-101010", with "who-" before the date in some
// versions.
int sync_names_underscored(const sync_names_row* row, const char* s, size_t n, size_t* bases,
                           int max) {
    const size_t tail = 15;  // "20261209-101010"
    size_t k = strlen(row->word);
    if (max < 1 || n < k + tail + 1) return 0;
    const char* t = s + n - tail;
    if (!sync_names_digits(t, 8) || t[8] != '-' || !sync_names_digits(t + 9, 6)) return 0;
    for (size_t p = n - tail - k; p >= 1; p--) {
        if (sync_names_same(s + p, row->word, k, 0) && sync_names_char_start(s, p) &&
            (p + k == n - tail || s[n - tail - 1] == '-')) {
            bases[0] = p;
            return 1;
        }
    }
    return 0;
}

// ".conflict1": the marker and a number; after the extension or before it.
int sync_names_numbered(const sync_names_row* row, const char* s, size_t n, size_t* bases,
                        int max) {
    size_t k = strlen(row->word);
    size_t p = n;
    while (p > 0 && sync_names_is_digit(s[p - 1])) p--;
    if (max < 1 || p == n || p < k || !sync_names_same(s + p - k, row->word, k, 0)) return 0;
    bases[0] = p - k;
    return 1;
}

// "..path1", "..path2": the side of the copy.
int sync_names_side(const sync_names_row* row, const char* s, size_t n, size_t* bases, int max) {
    size_t k = strlen(row->word);
    if (max < 1 || n != k + 1 || !sync_names_same(s, row->word, k, 0) ||
        (s[k] != '1' && s[k] != '2')) {
        return 0;
    }
    bases[0] = 0;
    return 1;
}

// " 2": the number macOS gives the second of two names.
int sync_names_spaced(const sync_names_row*, const char* s, size_t n, size_t* bases, int max) {
    size_t p = n;
    while (p > 0 && n - p < 3 && sync_names_is_digit(s[p - 1])) p--;
    if (max < 1 || p == n || p < 2 || s[p - 1] != ' ' || s[p] == '0') return 0;
    bases[0] = p - 1;
    return 1;
}

const sync_names_row k_rows[] = {
    {"Dropbox", sync_names_trailer, sync_names_dated, "'s conflicted copy", 0},
    {"Dropbox (Japanese)", sync_names_trailer, sync_names_dated, "のコンフリクトしたコピー", 0},
    {"Dropbox (German)", sync_names_trailer, sync_names_dated, "Konflikt", 0},
    {"Dropbox (French)", sync_names_trailer, sync_names_dated, "en conflit", 0},
    {"Dropbox (Spanish)", sync_names_trailer, sync_names_dated, "en conflicto", 0},
    {"Dropbox (Italian)", sync_names_trailer, sync_names_dated, "in conflitto", 0},
    {"Dropbox (Dutch)", sync_names_trailer, sync_names_dated, "conflicterende", 0},
    {"Dropbox (Russian)", sync_names_trailer, sync_names_dated, "конфликт", 0},
    {"Dropbox (Chinese)", sync_names_trailer, sync_names_dated, "衝突", 0},
    {"OneDrive", sync_names_computer, nullptr, "", 0},
    {"Google Drive", sync_names_trailer, sync_names_number, "", 0},
    {"Syncthing", sync_names_syncthing, nullptr, ".sync-conflict-", 0},
    {"Nextcloud, ownCloud", sync_names_trailer, sync_names_dated_timed, "conflicted copy", 0},
    {"ownCloud (before 2.5)", sync_names_underscored, nullptr, "_conflict-", 0},
    {"Seafile", sync_names_trailer, sync_names_dated_dashed, "SFConflict", 0},
    {"pCloud", sync_names_trailer, sync_names_bare, "conflicted", 0},
    {"rclone bisync", sync_names_numbered, nullptr, ".conflict", 1},
    {"rclone bisync (extension kept)", sync_names_numbered, nullptr, ".conflict", 0},
    {"rclone bisync (before 1.66)", sync_names_side, nullptr, "..path", 1},
    {"Box", sync_names_trailer, sync_names_dated, "conflicted", 0},
    {"iCloud Drive", sync_names_spaced, nullptr, "", 0},
};
const int k_row_count = static_cast<int>(sizeof k_rows / sizeof *k_rows);

// Where an extension of ours (".txt" or ".ini", either case) stands at at.
int sync_names_extension_at(const char* name, size_t at) {
    return name[at] == '.' && (sync_names_same(name + at + 1, "txt", 3, 1) ||
                               sync_names_same(name + at + 1, "ini", 3, 1));
}

// Files a client keeps for itself: prefix and suffix (either may be empty).
struct sync_names_own {
    const char* prefix;
    const char* suffix;
};
const sync_names_own k_own[] = {
    {".syncthing.", ".tmp"},  // Syncthing: a download in flight
    {"~syncthing~", ".tmp"},  // the same on Windows
    {".stfolder", ""},        // Syncthing's folder marker
    {".stignore", ""},       {".stversions", ""},
    {"._sync_", ""},  // Nextcloud, ownCloud: the journal
    {".sync_", ".db"},       {".owncloudsync", ""},
    {".nextcloudsync", ""},  {"", "~"},  // Seafile: a download in flight
    {"", ".part"},                       // pCloud
    {"", ".partial"},                    // rclone
    {"", ".!sync"},                      // Resilio Sync
    {".unison.", ""},                    // Unison
    {".dropbox", ""},                    // Dropbox: .dropbox, .dropbox.cache, .dropbox.attr
    {".tmp.drive", ""},                  // Google Drive
    {".", ".icloud"},                    // iCloud Drive: a file not downloaded yet
};

// Nextcloud and ownCloud download into ".NAME.~1a2b".
int sync_names_hex_tail(const char* name, size_t n) {
    size_t p = n;
    while (p > 0 && strchr("0123456789abcdefABCDEF", name[p - 1])) p--;
    return name[0] == '.' && p < n && p >= 3 && name[p - 1] == '~' && name[p - 2] == '.';
}

}  // namespace

int sync_names_conflict_copies(const char* name, sync_names_copy* out, int max) {
    size_t length = strlen(name);
    int count = 0;
    for (int r = 0; r < k_row_count && count < max; r++) {
        const sync_names_row* row = &k_rows[r];
        size_t bases[8];
        if (row->after_extension) {
            for (size_t p = 1; p + 4 < length && count < max; p++) {
                // The whole rest is the marker.
                if (sync_names_extension_at(name, p) &&
                    row->split(row, name + p + 4, length - p - 4, bases, 1) == 1 && bases[0] == 0) {
                    out[count++] = {p, p + 1, r};
                }
            }
            continue;
        }
        if (length < 5 || !sync_names_extension_at(name, length - 4)) continue;
        int found = row->split(row, name, length - 4, bases, 8);
        for (int i = 0; i < found && count < max; i++) {
            if (bases[i] > 0) out[count++] = {bases[i], length - 3, r};
        }
    }
    return count;
}

const char* sync_names_client(int row) {
    return row >= 0 && row < k_row_count ? k_rows[row].client : "";
}

int sync_names_is_client_file(const char* name) {
    size_t n = strlen(name);
    for (const sync_names_own& own : k_own) {
        size_t p = strlen(own.prefix);
        size_t s = strlen(own.suffix);
        if (n >= p + s && sync_names_same(name, own.prefix, p, 1) &&
            sync_names_same(name + n - s, own.suffix, s, 1)) {
            return 1;
        }
    }
    return sync_names_hex_tail(name, n);
}

int sync_names_worth_a_look(const char* name) {
    size_t n = strlen(name);
    if (sync_names_is_client_file(name)) return 0;
    if (n > 4 && sync_names_extension_at(name, n - 4)) return 1;
    sync_names_copy copy;
    return sync_names_conflict_copies(name, &copy, 1);
}
