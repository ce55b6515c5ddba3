#include "events/Trace.h"

#include <gtest/gtest.h>

TEST(Trace, IsSilentWithoutListenerAndCapturedWithOne)
{
    Trace("CTest::Silent() - %d", 1); // must not crash or print
    {
        CTraceCapture capture;
        Trace("CTest::Run() - value %d of %s", 42, "x");
        ASSERT_EQ(capture.Lines().size(), 1u);
        EXPECT_EQ(capture.Lines()[0], "CTest::Run() - value 42 of x");
        EXPECT_TRUE(capture.Contains("value 42"));
    }
    CTraceCapture after;
    EXPECT_TRUE(after.Lines().empty());
}

TEST(Trace, NestedCapturesRestoreTheOuterListener)
{
    CTraceCapture outer;
    {
        CTraceCapture inner;
        Trace("inner");
        EXPECT_EQ(inner.Lines().size(), 1u);
    }
    Trace("outer");
    ASSERT_EQ(outer.Lines().size(), 1u);
    EXPECT_EQ(outer.Lines()[0], "outer");
}
