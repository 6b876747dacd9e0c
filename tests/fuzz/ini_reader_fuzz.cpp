// The INI reader and writer on any bytes: an INI file anyone may have
// edited, synced or cut short.  Every lookup the program makes must work,
// and a key written must read back as written.
#include <stdint.h>
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "ini_file.h"

namespace {

// Names the program looks up, and a few from the input itself.
const char* const k_sections[] = {"KELVAN", "PROGRAM", "kelvan", ""};
const char* const k_keys[] = {"X", "WIDTH", "COLOR", "PATH", "FONTNAME", "COLORTEXT1", "MICROSOFTSTORE", ""};

void fuzz_lookups(const ini_document* doc, const char* section, const char* key) {
    ini_get_int(doc, section, key, 12345);
    char small[2];
    char name[32];
    char big[300];
    ini_get_string(doc, section, key, "def", small, sizeof small);
    ini_get_string(doc, section, key, "", name, sizeof name);
    size_t length = ini_get_string(doc, section, key, nullptr, big, sizeof big);
    FUZZ_CHECK(strlen(big) <= length && strlen(big) < sizeof big);
}

// A short name from the input: up to 8 bytes that no INI syntax uses, so
// that writing and reading it back is well defined.
std::string fuzz_name(const uint8_t* data, size_t size, size_t at) {
    std::string name;
    for (size_t i = at; i < size && name.size() < 8; i++) {
        char c = static_cast<char>(data[i]);
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') name += c;
    }
    return name.empty() ? "K" : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_leak_check leaks;
    ini_document doc;
    ini_open_bytes(&doc, reinterpret_cast<const char*>(data), size);
    for (const char* section : k_sections) {
        for (const char* key : k_keys) fuzz_lookups(&doc, section, key);
    }
    std::string section = fuzz_name(data, size, 0);
    std::string key = fuzz_name(data, size, size / 2);
    fuzz_lookups(&doc, section.c_str(), key.c_str());

    // Written keys read back, however odd the file around them.
    int32_t number = size >= 4 ? static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                      static_cast<uint32_t>(data[3]) << 24)
                               : -7;
    ini_set_int(&doc, section.c_str(), key.c_str(), number);
    FUZZ_CHECK(ini_get_int(&doc, section.c_str(), key.c_str(), number + 1) == number);
    ini_set_hex(&doc, "KELVAN", "COLOR1", static_cast<uint32_t>(number));
    FUZZ_CHECK(ini_get_int(&doc, "KELVAN", "COLOR1", number + 1) == number);
    ini_set_string(&doc, "KELVAN", "PATH", "C:\\memo");
    char path[16];
    ini_get_string(&doc, "KELVAN", "PATH", "", path, sizeof path);
    FUZZ_CHECK(strcmp(path, "C:\\memo") == 0);
    FUZZ_CHECK(ini_get_int(&doc, "KELVAN", "COLOR1", number + 1) == number);
    ini_close(&doc);
    return 0;
}
