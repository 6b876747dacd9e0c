// What the files of a folder are, from one listing of it, or, for a look
// at a few names, from the system one name at a time.  A scan pairs every
// text file with its INI file from one listing: on a network share each
// look at a file is a round trip, and a data folder may hold thousands of
// other files.  Names are matched as Windows matches them, ASCII case
// aside.
#ifndef KELVANE_FOLDER_LISTING_H
#define KELVANE_FOLDER_LISTING_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

struct folder_entry {
    const char* name;  // owned by the listing
    int32_t is_folder;
    platform_file_stamp stamp;  // exists 0 for a folder
};

struct folder_listing {
    char folder[PLATFORM_PATH_SIZE];
    int32_t live;  // no listing: every look asks the system
    folder_entry* entries;
    int32_t count;
    int32_t capacity;
    char* names;  // the newest block of names; each begins with the link to the one before
    size_t names_used;
    int32_t* slots;  // entry index + 1 by the hash of its name, 0 free
    size_t slot_count;
};

// Lists folder once.  0 when it cannot be listed (the listing is then
// empty).  The listing owns tracked blocks until folder_listing_free.
int folder_listing_read(folder_listing* list, const char* folder);

// A listing that holds nothing and asks the system about each name.
void folder_listing_live(folder_listing* list, const char* folder);

void folder_listing_free(folder_listing* list);

// What name + extension (extension may be empty) is in the folder: *out
// filled (a folder or a missing name are not there); returns out->exists.
int folder_listing_stamp(const folder_listing* list, const char* name, const char* extension,
                         platform_file_stamp* out);

// "folder\name" + extension (extension may be empty) into out
// (PLATFORM_PATH_SIZE bytes); 0 when it does not fit.
int folder_listing_path(const folder_listing* list, const char* name, const char* extension,
                        char* out);

#endif
