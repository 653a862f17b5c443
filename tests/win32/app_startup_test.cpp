// Start-up in-process: COM entered beforehand on the thread makes CoInitializeEx answer
// S_FALSE, which counts as a failure; a clean thread starts.
#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

#include "app/ondrella.h"
#include "tests/win32/harness.h"

TEST(StartUp, FailsWhenComIsAlreadyEnteredOnTheThreadAndSucceedsOnAFreshOne) {
    harness::wipe_settings();
    module_instance = GetModuleHandleA(nullptr);
    bool started_with_com = true;
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        started_with_com = startup();
        CoUninitialize();
    }).join();
    EXPECT_FALSE(started_with_com);
    EXPECT_FALSE(harness::settings_key_exists()) << "the failed start loaded nothing";

    bool started_fresh = false;
    std::thread([&] {
        started_fresh = startup();
        if (started_fresh)
            shutdown();
    }).join();
    EXPECT_TRUE(started_fresh);
    EXPECT_TRUE(harness::settings_key_exists());
}
