#include "infra/ThreadPriority.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace {

int LevelOfThisThread()
{
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

// The level a thread started now by the calling thread begins with.
int LevelOfNewThread()
{
    int level = 0;
    std::thread([&level] { level = LevelOfThisThread(); }).join();
    return level;
}

}  // namespace

// A raised thread hands its level to every thread it starts; inside the scope they start at the level it
// had before, and the raised level comes back when the scope ends.
TEST(ThreadPriority, ThreadsStartedInsideTheScopeStartAtTheNormalLevel)
{
    int normal = 0, raised = 0, inherited = 0, insideNew = 0, insideOwn = 0, after = 0;
    std::string error;
    bool wasRaised = false;
    std::thread([&] {
        normal = LevelOfThisThread();
        wasRaised = RaiseThreadPriority(error);
        raised = LevelOfThisThread();
        inherited = LevelOfNewThread();
        {
            NormalPriorityScope scope;
            insideOwn = LevelOfThisThread();
            insideNew = LevelOfNewThread();
        }
        after = LevelOfThisThread();
    }).join();
    if (!wasRaised)
        GTEST_SKIP() << "this process may not raise a thread: " << error;
    ASSERT_LT(raised, normal);
    EXPECT_EQ(inherited, raised);
    EXPECT_EQ(insideOwn, normal);
    EXPECT_EQ(insideNew, normal);
    EXPECT_EQ(after, raised);
}

// On a thread that was never raised the scope changes nothing.
TEST(ThreadPriority, ScopeOnAnUnraisedThreadKeepsItsLevel)
{
    int before = 0, inside = 0, after = 0;
    std::thread([&] {
        before = LevelOfThisThread();
        {
            NormalPriorityScope scope;
            inside = LevelOfNewThread();
        }
        after = LevelOfThisThread();
    }).join();
    EXPECT_EQ(inside, before);
    EXPECT_EQ(after, before);
}
