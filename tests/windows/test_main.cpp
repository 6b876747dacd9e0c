// The Windows test program's entry: the program's window classes are
// registered once, as the main window does at start-up, before any test
// creates a memo.
#include <gtest/gtest.h>

#include "main_window.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    main_window_register_class(GetModuleHandleA(nullptr));
    return RUN_ALL_TESTS();
}
