// The smoke run that `make dist` gives each exe before it packs it passes with the applet,
// beside DLLs planted under the names of those it loads, and fails with a program that ends
// at once, as an exe that does not start would.
#include <gtest/gtest.h>

#include "tests/win32/harness.h"
#include "tools/smoke/smoke.h"

TEST(Smoke, PassesWithTheAppletBesidePlantedDllsAndFailsWithAProgramThatEndsAtOnce) {
    EXPECT_EQ(smoke::run(harness::applet_exe_path().c_str(), ONDRELLA_PLANTED_MARKER), "");
    EXPECT_NE(smoke::run("C:\\windows\\system32\\hostname.exe"), "");
}
