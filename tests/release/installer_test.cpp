// The installer run that `make dist` gives each package before it ships it passes (see
// tools/smoke/smoke.h): the win64 package always, the win32 one where 32-bit Wine runs
// natively, where this test is the i686 build. scripts/check-installers.sh runs it in a
// prefix of its own, with each package's next version built beside it.
#include <gtest/gtest.h>

#include "tools/smoke/smoke.h"

#define PACKAGE(folder, platform)                                                                  \
    ONDRELLA_BUILD_ROOT "/" folder "/ondrella-" ONDRELLA_VERSION "-" platform ".msi"

TEST(Installer, InstallsStartsUpgradesKeepingTheSettingsAndUninstallsLeavingNothing) {
    EXPECT_EQ(smoke::run_installer(PACKAGE("cross64", "win64"),
                                   ONDRELLA_BUILD_ROOT "/cross64/next-version.msi",
                                   PACKAGE("cross", "win32"), true),
              "");
    if (sizeof(void*) == 4) {
        EXPECT_EQ(smoke::run_installer(PACKAGE("cross", "win32"),
                                       ONDRELLA_BUILD_ROOT "/cross/next-version.msi",
                                       PACKAGE("cross64", "win64"), false),
                  "");
    }
}
