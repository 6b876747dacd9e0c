// What the two halves of the test platform share: its state, which a reset
// brings back to the defaults, and the bookkeeping of every fallible call
// (the call walk, the crash walk and the single faults).  Only
// platform_fake.cpp and platform_fake_files.cpp include it.
#ifndef PLATFORM_FAKE_STATE_H
#define PLATFORM_FAKE_STATE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "platform_fake.h"

struct fake_state {
    std::string root;
    std::string program_path;
    std::string appdata;
    bool appdata_set;
    platform_time now;
    std::vector<fake_monitor> monitors;
    int32_t cursor[2];
    int fault_at[FAKE_FAULT_COUNT];
    int fault_calls[FAKE_FAULT_COUNT];
    int writes;
    int reads;
    int looks;
    int temp_serial;
    std::vector<fake_window> windows;
    std::vector<std::string> recycled;
    std::vector<std::string> message_texts;
    std::vector<std::string> message_captions;
    int last_fault;
    int calls;              // fallible calls since the reset
    int fail_call;          // the call number that fails; 0: none
    int fail_call_fault;
    const char* failed_call;
    std::vector<std::string> held;       // host paths
    std::string fault_folder;            // host path
    int folder_fault;
    uint32_t ticks;
    uint32_t slept;
    uint32_t retry_delay;
    std::vector<std::string> notices;
    int steps;
    int die_at_step;
};

extern fake_state g_fake;

// Resets the platform before its first use.
void fake_ensure_ready(void);

// Fires a fault when its call number comes up.
bool fake_fault_fires(fake_fault fault);

// One step of the crash walk: the process ends here when it is the step
// asked for.
void fake_step(void);

// Counts one fallible call; true when it is the one that fails (its fault
// is then the last fault).
bool fake_call_fails(const char* name);

// Sets the last fault and answers the failure.
int fake_fail(int fault);

// The Windows-style folder of a path ("" for a bare name).
std::string fake_parent_of(const char* windows_path);

#endif
