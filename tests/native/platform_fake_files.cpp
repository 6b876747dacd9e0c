// Test implementation of the platform module, its file system: Windows-style
// paths mapped into the sandbox folder, files written through a temporary
// file as the real ones are, folder listings, the recycle bin, files held
// by another program and folders that refuse writes.  The rest of the
// platform is in platform_fake.cpp.
#include "platform_fake.h"
#include "platform_fake_state.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int fake_is_lead_byte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool fake_is_held(const std::string& host) {
    return std::find(g_fake.held.begin(), g_fake.held.end(), host) != g_fake.held.end();
}

bool fake_write_host(const std::string& host, const void* data, size_t size, const char* mode) {
    FILE* f = fopen(host.c_str(), mode);
    if (!f) return false;
    bool ok = size == 0 || fwrite(data, 1, size, f) == size;
    if (fclose(f) != 0) ok = false;
    return ok;
}

// The '*' / '?' matcher of platform_list_folder, case-insensitive for ASCII.
bool fake_match(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') {
        for (const char* n = name;; n++) {
            if (fake_match(pattern + 1, n)) return true;
            if (*n == '\0') return false;
        }
    }
    if (*name == '\0') return false;
    if (*pattern != '?') {
        unsigned char a = (unsigned char)*pattern;
        unsigned char b = (unsigned char)*name;
        if (a < 0x80 && b < 0x80) {
            if (tolower(a) != tolower(b)) return false;
        } else if (a != b) {
            return false;
        }
    }
    return fake_match(pattern + 1, name + 1);
}

}  // namespace

std::string fake_parent_of(const char* windows_path) {
    std::string p = windows_path;
    size_t cut = std::string::npos;
    for (size_t i = 0; i < p.size(); i++) {
        unsigned char c = (unsigned char)p[i];
        if (fake_is_lead_byte(c) && i + 1 < p.size()) {
            i++;
            continue;
        }
        if (c == '\\') cut = i;
    }
    return cut == std::string::npos ? std::string() : p.substr(0, cut);
}

// --- test controls ---------------------------------------------------------

std::string fake_platform_host_path(const char* windows_path) {
    fake_ensure_ready();
    std::string out = g_fake.root;
    const char* p = windows_path;
    if (((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':') p += 2;
    if (*p != '\\' && *p != '/') out += '/';
    for (; *p; p++) {
        unsigned char c = (unsigned char)*p;
        if (fake_is_lead_byte(c) && p[1]) {
            out += *p++;
            out += *p;
        } else {
            out += c == '\\' ? '/' : *p;
        }
    }
    return out;
}

void fake_platform_make_folders(const char* windows_path) {
    std::error_code ignored;
    std::filesystem::create_directories(fake_platform_host_path(windows_path), ignored);
}

void fake_platform_put_file(const char* windows_path, const std::string& bytes) {
    std::string parent = fake_parent_of(windows_path);
    if (!parent.empty()) fake_platform_make_folders(parent.c_str());
    if (!fake_write_host(fake_platform_host_path(windows_path), bytes.data(), bytes.size(), "wb")) {
        fprintf(stderr, "fake_platform_put_file: cannot write %s\n", windows_path);
        abort();
    }
}

bool fake_platform_get_file(const char* windows_path, std::string* bytes) {
    FILE* f = fopen(fake_platform_host_path(windows_path).c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes->append(chunk, n);
    fclose(f);
    return true;
}

bool fake_platform_exists(const char* windows_path) {
    struct stat st;
    return stat(fake_platform_host_path(windows_path).c_str(), &st) == 0;
}

void fake_platform_hold(const char* windows_path, bool held) {
    std::string host = fake_platform_host_path(windows_path);
    auto at = std::find(g_fake.held.begin(), g_fake.held.end(), host);
    if (held && at == g_fake.held.end()) g_fake.held.push_back(host);
    if (!held && at != g_fake.held.end()) g_fake.held.erase(at);
}

void fake_platform_set_folder_fault(const char* windows_folder, int fault) {
    g_fake.fault_folder = fake_platform_host_path(windows_folder);
    g_fake.folder_fault = fault;
}

int fake_platform_write_count(void) { return g_fake.writes; }
int fake_platform_read_count(void) { return g_fake.reads; }
int fake_platform_looks(void) { return g_fake.looks; }

const std::vector<std::string>& fake_platform_recycled(void) { return g_fake.recycled; }

// --- platform.h ---------------------------------------------------------

int platform_path_kind(const char* path) {
    g_fake.looks++;
    if (fake_call_fails("platform_path_kind")) return PLATFORM_PATH_NONE;
    struct stat st;
    if (stat(fake_platform_host_path(path).c_str(), &st) != 0) return PLATFORM_PATH_NONE;
    return S_ISDIR(st.st_mode) ? PLATFORM_PATH_FOLDER : PLATFORM_PATH_FILE;
}

int platform_create_folder(const char* path) {
    fake_ensure_ready();
    if (fake_fault_fires(FAKE_FAULT_CREATE_FOLDER) || fake_call_fails("platform_create_folder")) {
        return 0;
    }
    return mkdir(fake_platform_host_path(path).c_str(), 0777) == 0 ? 1 : 0;
}

int platform_read_file(const char* path, unsigned char** data, uint64_t* size) {
    fake_ensure_ready();
    g_fake.reads++;
    g_fake.looks++;
    *data = nullptr;
    *size = 0;
    if (fake_fault_fires(FAKE_FAULT_READ)) return fake_fail(PLATFORM_FAULT_OTHER);
    if (fake_call_fails("platform_read_file")) return 0;
    std::string host = fake_platform_host_path(path);
    if (fake_is_held(host)) return fake_fail(PLATFORM_FAULT_BUSY);
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return fake_fail(PLATFORM_FAULT_MISSING);
    }
    // The same refusal as the real one; a sparse file makes it cheap to test.
    if ((uint64_t)st.st_size >= 0x100000000ULL) return fake_fail(PLATFORM_FAULT_OTHER);
    FILE* f = fopen(host.c_str(), "rb");
    if (!f) return fake_fail(PLATFORM_FAULT_OTHER);
    unsigned char* block = (unsigned char*)malloc((size_t)st.st_size + 1);
    if (!block) {
        fclose(f);
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    size_t got = st.st_size ? fread(block, 1, (size_t)st.st_size, f) : 0;
    fclose(f);
    if (got != (size_t)st.st_size) {
        free(block);
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    block[got] = 0;
    *data = block;
    *size = got;
    g_fake.last_fault = PLATFORM_FAULT_NONE;
    return 1;
}

void platform_release_file(unsigned char* data) { free(data); }

// The replacing step of a write or a commit.
int fake_replace(const std::string& temp, const std::string& host, int replace) {
    if (fake_call_fails("platform_commit_file")) return 0;
    if (fake_is_held(host)) return fake_fail(PLATFORM_FAULT_BUSY);
    // Without replacing: a hard link fails when the name exists.
    int failed = replace ? rename(temp.c_str(), host.c_str())
                         : link(temp.c_str(), host.c_str()) || unlink(temp.c_str());
    if (failed != 0) {
        return fake_fail(errno == ENOENT ? PLATFORM_FAULT_MISSING : PLATFORM_FAULT_OTHER);
    }
    g_fake.last_fault = PLATFORM_FAULT_NONE;
    return 1;
}

int platform_write_file(const char* path, const void* data, size_t size, int flags) {
    fake_ensure_ready();
    g_fake.writes++;
    if (strlen(path) + strlen(PLATFORM_TEMP_SUFFIX) + 1 > PLATFORM_PATH_SIZE) {
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    std::string host = fake_platform_host_path(path);
    std::string temp = host + PLATFORM_TEMP_SUFFIX;
    if (fake_fault_fires(FAKE_FAULT_WRITE_TEMP)) return fake_fail(PLATFORM_FAULT_OTHER);
    if (fake_call_fails("platform_write_file")) return 0;
    if (g_fake.folder_fault != PLATFORM_FAULT_NONE &&
        host.compare(0, g_fake.fault_folder.size() + 1, g_fake.fault_folder + "/") == 0 &&
        host.find('/', g_fake.fault_folder.size() + 1) == std::string::npos) {
        return fake_fail(g_fake.folder_fault);
    }
    struct stat st;
    if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fake_fail(PLATFORM_FAULT_OTHER);
    // Flushed like the real one, so that the benchmark pays what the
    // program pays.
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return fake_fail(errno == ENOENT ? PLATFORM_FAULT_MISSING : PLATFORM_FAULT_OTHER);
    // Written in two halves, with a crash step between them: a kill in the
    // middle of a write leaves a torn temporary file.
    const char* bytes = (const char*)data;
    size_t done = 0;
    for (size_t part_end : {size / 2, size}) {
        while (done < part_end) {
            ssize_t n = write(fd, bytes + done, part_end - done);
            if (n <= 0) break;
            done += (size_t)n;
        }
        if (part_end < size) fake_step();
    }
    bool ok = done == size && (!(flags & PLATFORM_WRITE_DURABLE) || fsync(fd) == 0);
    if (close(fd) != 0) ok = false;
    if (!ok) {
        unlink(temp.c_str());
        return fake_fail(PLATFORM_FAULT_OTHER);
    }
    fake_step();
    if (fake_fault_fires(FAKE_FAULT_WRITE_REPLACE)) return fake_fail(PLATFORM_FAULT_OTHER);
    if (flags & PLATFORM_WRITE_STAGE) {
        g_fake.last_fault = PLATFORM_FAULT_NONE;
        return 1;
    }
    if (!fake_replace(temp, host, 1)) {
        unlink(temp.c_str());
        return 0;
    }
    return 1;
}

int platform_commit_file(const char* path, int replace) {
    fake_ensure_ready();
    std::string host = fake_platform_host_path(path);
    return fake_replace(host + PLATFORM_TEMP_SUFFIX, host, replace);
}

int platform_append_file(const char* path, const void* data, size_t size) {
    fake_ensure_ready();
    if (fake_fault_fires(FAKE_FAULT_APPEND) || fake_call_fails("platform_append_file")) return 0;
    return fake_write_host(fake_platform_host_path(path), data, size, "ab") ? 1 : 0;
}

int platform_delete_file(const char* path) {
    if (fake_call_fails("platform_delete_file")) return 0;
    std::string host = fake_platform_host_path(path);
    if (fake_is_held(host)) return 0;
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return unlink(host.c_str()) == 0 ? 1 : 0;
}

namespace {

// The Windows unit: 100 ns steps.
uint64_t fake_write_time(const struct timespec& t) {
    return (uint64_t)t.tv_sec * 10000000u + (uint64_t)t.tv_nsec / 100u;
}

}  // namespace

int platform_stat_file(const char* path, platform_file_stamp* out) {
    g_fake.looks++;
    struct stat st;
    out->exists = 0;
    out->size = 0;
    out->write_time = 0;
    if (stat(fake_platform_host_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    out->exists = 1;
    out->size = (uint64_t)st.st_size;
    out->write_time = fake_write_time(st.st_mtim);
    return 1;
}

int platform_set_write_time(const char* path, uint64_t write_time) {
    if (fake_call_fails("platform_set_write_time")) return 0;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = (time_t)(write_time / 10000000u);
    times[1].tv_nsec = (long)(write_time % 10000000u) * 100;
    return utimensat(AT_FDCWD, fake_platform_host_path(path).c_str(), times, 0) == 0 ? 1 : 0;
}

uint64_t platform_file_time_now(void) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return fake_write_time(now);
}

int platform_list_folder(const char* folder, const char* pattern, platform_visit_fn visit,
                         void* context) {
    if (fake_call_fails("platform_list_folder")) return 0;
    g_fake.looks++;
    DIR* dir = opendir(fake_platform_host_path(folder).c_str());
    if (!dir) return 0;
    // Entries are collected first so that a visitor may create or delete files.
    std::vector<std::pair<std::string, platform_folder_entry>> found;
    std::string host_folder = fake_platform_host_path(folder);
    while (struct dirent* entry = readdir(dir)) {
        if (!fake_match(pattern, entry->d_name)) continue;
        struct stat st;
        std::string full = host_folder + "/" + entry->d_name;
        platform_folder_entry e = {nullptr, 0, 0, 0};
        if (stat(full.c_str(), &st) == 0) {
            e.is_folder = S_ISDIR(st.st_mode);
            e.size = e.is_folder ? 0 : (uint64_t)st.st_size;
            e.write_time = fake_write_time(st.st_mtim);
        }
        found.emplace_back(entry->d_name, e);
    }
    closedir(dir);
    for (auto& item : found) {
        item.second.name = item.first.c_str();
        visit(&item.second, context);
    }
    return found.empty() ? 0 : 1;
}

int platform_recycle_file(const char* path) {
    fake_ensure_ready();
    if (fake_fault_fires(FAKE_FAULT_RECYCLE) || fake_call_fails("platform_recycle_file")) return 0;
    std::string bin = g_fake.root + "/.recycle";
    mkdir(bin.c_str(), 0777);
    char serial[16];
    snprintf(serial, sizeof serial, "/%zu", g_fake.recycled.size());
    struct stat st;
    std::string host = fake_platform_host_path(path);
    if (fake_is_held(host) || stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    if (rename(host.c_str(), (bin + serial).c_str()) != 0) return 0;
    g_fake.recycled.push_back(path);
    return 1;
}
