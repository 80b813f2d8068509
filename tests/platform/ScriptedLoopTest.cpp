// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/ScriptedLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>

namespace veltrane {
namespace {

TEST(ScriptedLoop, PostedMessagesRunAfterTheRunningHandlerInPostingOrder) {
    CScriptedLoop loop;
    std::vector<std::string> trace;
    loop.SetHandler([&](unsigned nMessage, std::intptr_t nWParam, std::intptr_t) {
        trace.push_back("begin " + std::to_string(nMessage));
        if (nMessage == 101) {
            loop.PostMessage(100, 1, 0);
            loop.PostMessage(99, 0, 0);
        }
        trace.push_back("end " + std::to_string(nMessage) + "/" + std::to_string(nWParam));
    });
    loop.PostMessage(101, 1, 0);
    EXPECT_EQ(loop.Pending(), (std::vector<PostedMessage>{{101, 1, 0}}));
    loop.Run();
    EXPECT_EQ(trace, (std::vector<std::string>{"begin 101", "end 101/1", "begin 100", "end 100/1",
                                               "begin 99", "end 99/0"}));
    EXPECT_TRUE(loop.Pending().empty());
}

TEST(ScriptedLoop, RunWaitsForWorkersAndHandlesWhatTheyPost) {
    CScriptedLoop loop;
    std::atomic<int> nHandled = 0;
    loop.SetHandler([&](unsigned nMessage, std::intptr_t, std::intptr_t) {
        ++nHandled;
        if (nMessage == 99 && nHandled < 3) {
            ASSERT_EQ(loop.StartThread([&] { loop.PostMessage(99, 0, 0); }), 0);
        }
    });
    loop.PostMessage(99, 0, 0);
    loop.Run();
    EXPECT_EQ(nHandled, 3);
    EXPECT_EQ(loop.ThreadsStarted(), 2);
}

TEST(ScriptedLoop, AFailedThreadStartRunsNothing) {
    CScriptedLoop loop;
    loop.FailThreadStarts(EAGAIN);
    bool bRan = false;
    EXPECT_EQ(loop.StartThread([&] { bRan = true; }), EAGAIN);
    loop.Run();
    EXPECT_FALSE(bRan);
    EXPECT_EQ(loop.ThreadsStarted(), 0);
}

TEST(ScriptedLoop, HandleOneTakesOnlyTheFirstMessage) {
    CScriptedLoop loop;
    std::vector<unsigned> handled;
    loop.SetHandler(
        [&](unsigned nMessage, std::intptr_t, std::intptr_t) { handled.push_back(nMessage); });
    EXPECT_FALSE(loop.HandleOne());
    loop.PostMessage(100, 1, 0);
    loop.PostMessage(99, 0, 0);
    EXPECT_TRUE(loop.HandleOne());
    EXPECT_EQ(handled, (std::vector<unsigned>{100}));
    EXPECT_EQ(loop.Pending(), (std::vector<PostedMessage>{{99, 0, 0}}));
}

} // namespace
} // namespace veltrane
