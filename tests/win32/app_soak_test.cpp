// The short soak: the shipped applet at the fastest timer, clicked at from the moment it
// starts and then with about 200 presses of every kind, must stay alive and answering,
// leave no ripple window behind, keep its handles, do nothing while idle and quit with 0.
// Its ripples are small and short, so that they go quickly on a slow machine too; `make
// soak` runs the long one at the heaviest settings.
#include <gtest/gtest.h>

#include "tools/soak/soak.h"

TEST(Soak, TwoHundredPressesLeaveAnAnsweringAppletWithNothingBehind) {
    soak::Figures figures = soak::run({200, 64, 4, 1});
    EXPECT_EQ(soak::findings(figures), "");
    EXPECT_GE(figures.presses, 200);
    // The figures the findings rest on were read, not left at zero.
    EXPECT_TRUE(figures.warm.found);
    EXPECT_TRUE(figures.soaked.found);
    EXPECT_GT(figures.soaked.handle_count, 0u);
    EXPECT_GT(figures.soaked.working_set_bytes, 0u);
    EXPECT_GT(figures.soaked.cpu_time_100ns, 0u);
}
