// The fixture of the tests that drive the shipped applet: each starts from a wiped settings
// key and never leaves an applet running behind it.
#pragma once

#include <gtest/gtest.h>

#include "tests/win32/harness.h"

class AppletTest : public testing::Test {
  protected:
    void SetUp() override { harness::wipe_settings(); }
    void TearDown() override {
        if (applet.process.hProcess)
            harness::wait_for_exit(applet, 0);
    }
    void start() {
        ASSERT_TRUE(harness::start_applet(applet));
        ASSERT_NE(applet.window, nullptr) << "the applet did not end its creation";
    }
    harness::Applet applet{};
};
