#include "../bench/BenchSupport.h"

#include <gtest/gtest.h>

namespace qn::bench {
namespace {

// An aim missed, or a figure that was never measured, fails the benchmark
// program once everything has been printed.
TEST(BenchmarkAims, AMissedAimFailsTheRun)
{
    missedAims() = 0;
    EXPECT_STREQ(verdict(true), "ok");
    EXPECT_EQ(exitStatus(), 0);
    RatioReporter reporter;
    reporter.ratio("not measured", "nothing", "nothing either", 1.0);
    EXPECT_EQ(exitStatus(), 1);
    missedAims() = 0;
    EXPECT_STREQ(verdict(false), "OVER");
    EXPECT_EQ(exitStatus(), 1);
    missedAims() = 0;
}

} // namespace
} // namespace qn::bench
