#include "events/CEvBuffersPool.h"
#include "events/CEventsPool.h"
#include "events/CGlobalObject.h"
#include "events/CLinkedPool.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {
std::string calls;

struct CRecorder : CGlobalObjectBase {
    char name;
    explicit CRecorder(char id) : name(id) {}
    int OnStartup() override { return Note("S"); }
    int OnStartupLate() override { return Note("s"); }
    int OnShutdown() override { return Note("D"); }
    int OnShutdownLate() override { return Note("d"); }
    int Note(const char* hook)
    {
        calls += hook;
        calls += name;
        return 0;
    }
};

// Runs a whole program life in a child process, since it shuts the real pools down.
[[noreturn]] void RunProgramAndReport()
{
    CRecorder a('a');
    CRecorder b('b');
    CLinkedEvent* survivor = EventsPool().GetNewEvent();
    survivor->SetExternal(true, 0, 200); // a large buffer still held at shutdown must not leak
    const int result = RunWithGlobalObjects([] {
        calls += "|run|";
        return 7;
    });
    const bool released = EventsPool().GetNewEvent() == nullptr && EventsPool().FreeCount() == 0 &&
                          EvBuffersPool().SmallFreeCount() == 0 && EvBuffersPool().LargeInUse() == 0 &&
                          CGlobalObjectCollector::Instance() == nullptr;
    std::fprintf(stderr, "calls=%s result=%d released=%d\n", calls.c_str(), result, released);
    std::exit(0);
}
} // namespace

TEST(GlobalObjects, PoolsRegisterBeforeMainWithTheBufferHeapNewest)
{
    const CGlobalObjectCollector* collector = CGlobalObjectCollector::Instance();
    ASSERT_NE(collector, nullptr);
    const CGlobalObjItem* item = collector->Head();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->object, &EvBuffersPool());
    ASSERT_NE(item->next, nullptr);
    EXPECT_EQ(item->next->object, &SlotPool());
    ASSERT_NE(item->next->next, nullptr);
    EXPECT_EQ(item->next->next->object, &EventsPool());
    EXPECT_EQ(item->next->next->next, nullptr);
}

TEST(GlobalObjects, UnregisterOnDestructionLeavesThePoolsListed)
{
    const CGlobalObjItem* before = CGlobalObjectCollector::Instance()->Head();
    {
        CRecorder local('x');
        EXPECT_EQ(CGlobalObjectCollector::Instance()->Head()->object, &local);
    }
    EXPECT_EQ(CGlobalObjectCollector::Instance()->Head(), before);
}

TEST(GlobalObjectsDeathTest, MainRoutineIsBracketedByHooksNewestFirstAndPoolsReleaseTheirStorage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunProgramAndReport(), ::testing::ExitedWithCode(0),
                "calls=SbSasbsa\\|run\\|DbDadbda result=7 released=1");
}
