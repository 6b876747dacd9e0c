// INI reader and writer working on the whole file in memory.
#include "ini_file.h"

#include <stdio.h>
#include <string.h>

#include "error_log.h"
#include "tracked_memory.h"
#include "platform.h"
#include "paths.h"
#include "utf8_text.h"

// One physical line of the document: [start, end) without its line end;
// next is where the following line starts.
struct ini_line {
    size_t start;
    size_t end;
    size_t next;
};

enum ini_line_kind {
    INI_LINE_OTHER = 0,  // blank, comment or a line without '='
    INI_LINE_SECTION,
    INI_LINE_KEY
};

namespace {

// A parsed line: name is the section or key name, value the key's value,
// each as a trimmed range of the document.
struct ini_parsed {
    int kind;
    size_t name_start;
    size_t name_end;
    size_t value_start;
    size_t value_end;
};

int ini_is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Lines start after a UTF-8 byte-order mark, which an editor may have added.
size_t ini_first_line(const ini_document* doc) {
    if (doc->length >= 3 && memcmp(doc->text, "\xEF\xBB\xBF", 3) == 0) return 3;
    return 0;
}

int ini_read_line(const ini_document* doc, size_t at, ini_line* line) {
    if (at >= doc->length) return 0;
    const char* nl = static_cast<const char*>(memchr(doc->text + at, '\n', doc->length - at));
    size_t end = nl ? static_cast<size_t>(nl - doc->text) : doc->length;
    line->start = at;
    line->next = nl ? end + 1 : doc->length;
    if (end > at && doc->text[end - 1] == '\r') end--;
    line->end = end;
    return 1;
}

void ini_trim(const char* text, size_t* start, size_t* end) {
    while (*start < *end && ini_is_blank(text[*start])) (*start)++;
    while (*end > *start && ini_is_blank(text[*end - 1])) (*end)--;
}

// Finds byte c outside two-byte characters, in [start, end).
size_t ini_find_byte(const char* text, size_t start, size_t end, char c) {
    for (size_t i = start; i < end; i++) {
        if (text[i] == c) return i;
        if (path_is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < end) i++;
    }
    return end;
}

void ini_parse_line(const ini_document* doc, const ini_line* line, ini_parsed* out) {
    const char* t = doc->text;
    size_t s = line->start;
    size_t e = line->end;
    ini_trim(t, &s, &e);
    out->kind = INI_LINE_OTHER;
    if (s == e || t[s] == ';') return;
    if (t[s] == '[') {
        size_t close = ini_find_byte(t, s + 1, e, ']');
        out->kind = INI_LINE_SECTION;
        out->name_start = s + 1;
        out->name_end = close;
        ini_trim(t, &out->name_start, &out->name_end);
        return;
    }
    size_t eq = ini_find_byte(t, s, e, '=');
    if (eq == e) return;
    out->kind = INI_LINE_KEY;
    out->name_start = s;
    out->name_end = eq;
    ini_trim(t, &out->name_start, &out->name_end);
    out->value_start = eq + 1;
    out->value_end = e;
    ini_trim(t, &out->value_start, &out->value_end);
}

unsigned char ini_fold(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Compares a document range with a name, folding ASCII case but never the
// second byte of a two-byte character.
int ini_same_name(const char* text, size_t start, size_t end, const char* name) {
    size_t n = strlen(name);
    if (end - start != n) return 0;
    for (size_t i = 0; i < n; i++) {
        unsigned char a = static_cast<unsigned char>(text[start + i]);
        unsigned char b = static_cast<unsigned char>(name[i]);
        if (path_is_lead_byte(a)) {
            if (a != b || i + 1 >= n || text[start + i + 1] != name[i + 1]) return 0;
            i++;
            continue;
        }
        if (ini_fold(a) != ini_fold(b)) return 0;
    }
    return 1;
}

// Where a key lives: its line, and the value range.  Only the first section
// of that name counts, as for the system's reader: a key that a copy of the
// section further down holds is not there.
int ini_find_key(const ini_document* doc, const char* section, const char* key, ini_line* found,
                 ini_parsed* parsed) {
    int in_section = 0;
    ini_line line;
    for (size_t at = ini_first_line(doc); ini_read_line(doc, at, &line); at = line.next) {
        ini_parsed p;
        ini_parse_line(doc, &line, &p);
        if (p.kind == INI_LINE_SECTION) {
            if (in_section) return 0;
            in_section = ini_same_name(doc->text, p.name_start, p.name_end, section);
        } else if (in_section && p.kind == INI_LINE_KEY &&
                   ini_same_name(doc->text, p.name_start, p.name_end, key)) {
            *found = line;
            *parsed = p;
            return 1;
        }
    }
    return 0;
}

// The value range of a key without the matching quotes around it.
int ini_value(const ini_document* doc, const char* section, const char* key, size_t* start,
              size_t* end) {
    ini_line line;
    ini_parsed p;
    if (!doc->text || !ini_find_key(doc, section, key, &line, &p)) return 0;
    *start = p.value_start;
    *end = p.value_end;
    if (*end - *start >= 2) {
        char first = doc->text[*start];
        if ((first == '"' || first == '\'') && doc->text[*end - 1] == first) {
            (*start)++;
            (*end)--;
        }
    }
    return 1;
}

}  // namespace

int32_t ini_get_int(const ini_document* doc, const char* section, const char* key,
                        int32_t def) {
    size_t s, e;
    if (!ini_value(doc, section, key, &s, &e) || s == e) return def;
    const char* t = doc->text;
    int negative = 0;
    if (t[s] == '-' || t[s] == '+') {
        negative = t[s] == '-';
        s++;
    }
    uint32_t v = 0;
    // Only a lower-case x makes hexadecimal: the system reads "0X1f" as 0.
    if (e - s > 2 && t[s] == '0' && t[s + 1] == 'x') {
        for (s += 2; s < e; s++) {
            char c = t[s];
            uint32_t digit;
            if (c >= '0' && c <= '9') {
                digit = static_cast<uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<uint32_t>(c - 'A' + 10);
            } else {
                break;
            }
            v = v * 16u + digit;
        }
    } else {
        for (; s < e && t[s] >= '0' && t[s] <= '9'; s++)
            v = v * 10u + static_cast<uint32_t>(t[s] - '0');
    }
    if (negative) v = 0u - v;
    return static_cast<int32_t>(v);
}

size_t ini_get_string(const ini_document* doc, const char* section, const char* key,
                          const char* def, char* out, size_t out_size) {
    size_t s, e;
    const char* from;
    size_t length;
    char* converted = nullptr;
    if (ini_value(doc, section, key, &s, &e)) {
        from = doc->text + s;
        length = e - s;
        if (doc->utf8 && length > 0) {
            size_t needed = platform_utf8_to_cp932(from, length, nullptr, 0);
            converted = TRACKED_NEW(char, static_cast<uint64_t>(needed) + 1);
            platform_utf8_to_cp932(from, length, converted, needed);
            from = converted;
            length = needed;
        }
    } else {
        from = def ? def : "";
        length = strlen(from);
    }
    if (out_size > 0) {
        size_t n = path_cut_length(from, length, out_size - 1);
        memcpy(out, from, n);
        out[n] = '\0';
    }
    if (converted) TRACKED_FREE(converted);
    return length;
}

namespace {

void ini_reserve(ini_document* doc, size_t length) {
    if (length + 1 <= doc->capacity && !doc->platform_block) return;
    size_t capacity = doc->capacity ? doc->capacity : 256;
    while (capacity < length + 1) capacity *= 2;
    char* grown = TRACKED_NEW(char, capacity);
    if (doc->platform_block) {
        memcpy(grown, doc->text, doc->length + 1);
        platform_release_file(doc->platform_block);
        doc->platform_block = nullptr;
    } else if (doc->text) {
        memcpy(grown, doc->text, doc->length + 1);
        TRACKED_FREE(doc->text);
    } else {
        grown[0] = '\0';
    }
    doc->text = grown;
    doc->capacity = capacity;
}

// Replaces [start, end) of the document with the given bytes.
void ini_splice(ini_document* doc, size_t start, size_t end, const char* bytes, size_t size) {
    size_t length = doc->length - (end - start) + size;
    ini_reserve(doc, length);
    memmove(doc->text + start + size, doc->text + end, doc->length - end + 1);
    memcpy(doc->text + start, bytes, size);
    doc->length = length;
}

const char* ini_eol(const ini_document* doc) { return doc->crlf ? "\r\n" : "\n"; }

}  // namespace

void ini_set_string(ini_document* doc, const char* section, const char* key,
                        const char* value) {
    if (doc->utf8 && *value) {
        size_t size = strlen(value);
        size_t needed = platform_cp932_to_utf8(value, size, nullptr, 0);
        char* utf8 = TRACKED_NEW(char, static_cast<uint64_t>(needed) + 1);
        platform_cp932_to_utf8(value, size, utf8, needed);
        utf8[needed] = '\0';
        doc->utf8 = 0;  // the value is UTF-8 already
        ini_set_string(doc, section, key, utf8);
        doc->utf8 = 1;
        TRACKED_FREE(utf8);
        return;
    }
    ini_line line;
    ini_parsed p;
    const char* eol = ini_eol(doc);
    size_t line_size = strlen(key) + 1 + strlen(value);
    char* text = TRACKED_NEW(char, strlen(section) + line_size + 16);
    if (doc->text && ini_find_key(doc, section, key, &line, &p)) {
        sprintf(text, "%s=%s", key, value);
        ini_splice(doc, line.start, line.end, text, strlen(text));
        TRACKED_FREE(text);
        return;
    }
    // A new key goes below the last non-blank line of the first section of
    // that name; a missing section is added at the end of the file.
    int in_section = 0;
    int section_found = 0;
    size_t insert_at = 0;
    int insert_needs_eol = 0;
    if (doc->text) {
        for (size_t at = ini_first_line(doc); ini_read_line(doc, at, &line);
             at = line.next) {
            ini_parsed q;
            ini_parse_line(doc, &line, &q);
            if (q.kind == INI_LINE_SECTION) {
                if (section_found) break;
                in_section = ini_same_name(doc->text, q.name_start, q.name_end, section);
                if (!in_section) continue;
                section_found = 1;
            } else if (!in_section || line.start == line.end) {
                continue;
            } else {
                size_t s = line.start;
                size_t e = line.end;
                ini_trim(doc->text, &s, &e);
                if (s == e) continue;
            }
            insert_at = line.next;
            insert_needs_eol = doc->text[line.next - 1] != '\n';
        }
    }
    if (section_found) {
        sprintf(text, "%s%s=%s%s", insert_needs_eol ? eol : "", key, value, eol);
        ini_splice(doc, insert_at, insert_at, text, strlen(text));
    } else {
        int needs_eol = doc->length > 0 && doc->text[doc->length - 1] != '\n';
        sprintf(text, "%s[%s]%s%s=%s%s", needs_eol ? eol : "", section, eol, key, value, eol);
        ini_splice(doc, doc->length, doc->length, text, strlen(text));
    }
    TRACKED_FREE(text);
}

void ini_set_int(ini_document* doc, const char* section, const char* key, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(value));
    ini_set_string(doc, section, key, text);
}

void ini_set_hex(ini_document* doc, const char* section, const char* key,
                     uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    ini_set_string(doc, section, key, text);
}

namespace {

const char k_utf8_bom[] = "\xEF\xBB\xBF";

// Whether the file is UTF-8 as an editor saves it, and where its text
// starts: after a byte-order mark, or without one when every byte is part
// of well-formed UTF-8 and some character lies beyond ASCII.  Code page 932
// is that only by chance, with halfwidth katakana and rare kanji alone:
// config.ini as the program writes it always holds the colour names in
// fullwidth katakana, whose bytes are never UTF-8.
int ini_is_utf8(const char* text, size_t length, size_t* start) {
    *start = 0;
    if (length >= 3 && memcmp(text, k_utf8_bom, 3) == 0) {
        *start = 3;
        return 1;
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    int beyond_ascii = 0;
    for (size_t i = 0; i < length;) {
        if (bytes[i] < 0x80) {
            i++;
            continue;
        }
        size_t n = utf8_sequence_length(bytes + i, length - i);
        if (n == 0) return 0;
        beyond_ascii = 1;
        i += n;
    }
    return beyond_ascii;
}

size_t ini_count_questions(const char* text, size_t length) {
    size_t n = 0;
    for (size_t i = 0; i < length; i++) n += text[i] == '?';
    return n;
}

// Everything after the open works in code page 932, so a UTF-8 file is
// converted once here; the next save writes code page 932 again.  A file
// with a character that code page 932 cannot spell would lose it that way
// (a data folder "C:\メモ☃" would come back as "C:\メモ?" and the user's
// setting be gone): it stays UTF-8, its values read with '?' there, which
// no path may hold, so such a folder is never made.  A '?' that code page
// 932 writes is always a '?': no second byte of a character is below 0x40.
void ini_take_utf8(ini_document* doc) {
    size_t start = 0;
    doc->utf8 = 0;
    if (!doc->text || !ini_is_utf8(doc->text, doc->length, &start)) return;
    const char* from = doc->text + start;
    size_t size = doc->length - start;
    size_t needed = platform_utf8_to_cp932(from, size, nullptr, 0);
    char* text = TRACKED_NEW(char, static_cast<uint64_t>(needed) + 1);
    platform_utf8_to_cp932(from, size, text, needed);
    text[needed] = '\0';
    if (ini_count_questions(text, needed) != ini_count_questions(from, size)) {
        TRACKED_FREE(text);
        doc->utf8 = 1;
        return;
    }
    ini_close(doc);
    doc->text = text;
    doc->length = needed;
    doc->capacity = needed + 1;
}

// New lines follow the file's own line ends; a new file gets CR LF as the
// system's writer would give it.
void ini_detect_line_end(ini_document* doc) {
    const char* nl =
        doc->text ? static_cast<const char*>(memchr(doc->text, '\n', doc->length)) : nullptr;
    doc->crlf = nl ? nl > doc->text && nl[-1] == '\r' : 1;
}

}  // namespace

void ini_open_bytes(ini_document* doc, const char* bytes, size_t size) {
    doc->text = nullptr;
    doc->length = 0;
    doc->capacity = 0;
    doc->utf8 = 0;
    doc->platform_block = nullptr;
    if (size > 0) {
        ini_reserve(doc, size);
        memcpy(doc->text, bytes, size);
        doc->text[size] = '\0';
        doc->length = size;
    }
    ini_take_utf8(doc);
    ini_detect_line_end(doc);
}

int ini_open(ini_document* doc, const char* path) {
    ini_open_bytes(doc, nullptr, 0);
    unsigned char* data;
    uint64_t size;
    if (!platform_read_file(path, &data, &size)) {
        // Only a file that is not there is an empty document: one that is
        // there but cannot be read must not be rewritten from nothing.
        if (platform_last_fault() == PLATFORM_FAULT_MISSING) return 1;
        REPORT_FAILURE();
        return 0;
    }
    // The platform's block already ends in a NUL.
    doc->platform_block = data;
    doc->text = reinterpret_cast<char*>(data);
    doc->length = static_cast<size_t>(size);
    doc->capacity = static_cast<size_t>(size) + 1;
    ini_take_utf8(doc);
    ini_detect_line_end(doc);
    return 1;
}

void ini_close(ini_document* doc) {
    if (doc->platform_block) {
        platform_release_file(doc->platform_block);
        doc->platform_block = nullptr;
    } else if (doc->text) {
        TRACKED_FREE(doc->text);
    }
    doc->text = nullptr;
    doc->length = 0;
    doc->capacity = 0;
    doc->utf8 = 0;
}

int ini_save(const ini_document* doc, const char* path, int flags) {
    if (!platform_write_file(path, doc->text ? doc->text : "", doc->length, flags)) {
        REPORT_FAILURE();
        return 0;
    }
    return 1;
}
