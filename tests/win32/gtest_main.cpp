// The entry of every test binary built for Windows. A fatal failure ends the whole test,
// also inside a helper: GoogleTest catches its own exception, reports once, runs TearDown.
#include <gtest/gtest.h>

namespace {

struct EndTestOnFatalFailure : testing::EmptyTestEventListener {
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (result.fatally_failed() && testing::UnitTest::GetInstance()->current_test_info())
            throw testing::AssertionException(result);
    }
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Last, so that the printer and the report have seen the failure.
    testing::UnitTest::GetInstance()->listeners().Append(new EndTestOnFatalFailure);
    return RUN_ALL_TESTS();
}
