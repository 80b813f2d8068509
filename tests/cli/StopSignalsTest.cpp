// SPDX-License-Identifier: BSD-3-Clause
// The stop signals caught in-process: without the descriptors that deliver them, the signals
// keep their default actions rather than being blocked and never read.
#include "cli/StopSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <iterator>
#include <pthread.h>
#include <sys/resource.h>
#include <vector>

namespace veltrane {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The calling thread's signal mask, restored when the test ends whatever it left.
class CSavedMask {
  public:
    CSavedMask() { pthread_sigmask(SIG_SETMASK, nullptr, &m_mask); }
    ~CSavedMask() { pthread_sigmask(SIG_SETMASK, &m_mask, nullptr); }
    CSavedMask(const CSavedMask&) = delete;
    CSavedMask& operator=(const CSavedMask&) = delete;

  private:
    sigset_t m_mask;
};

std::vector<int> BlockedStopSignals() {
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    std::vector<int> blocked;
    for (const int nSignal : kSignals) {
        if (sigismember(&mask, nSignal) == 1) {
            blocked.push_back(nSignal);
        }
    }
    return blocked;
}

TEST(StopSignals, CaughtSignalsIncludeAClosedTerminalAndAClosedPipe) {
    const CSavedMask saved;
    const CStopSignals signals;
    EXPECT_TRUE(signals.Watching());
    EXPECT_EQ(BlockedStopSignals(), (std::vector<int>(std::begin(kSignals), std::end(kSignals))));
    EXPECT_FALSE(signals.StopRequested());
}

TEST(StopSignals, WithoutDescriptorsTheDefaultActionsStay) {
    const CSavedMask saved;
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    rlimit none = limit;
    none.rlim_cur = 0; // no descriptor can be made
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    bool bWatching = true;
    {
        const CStopSignals signals;
        bWatching = signals.Watching();
        setrlimit(RLIMIT_NOFILE, &limit);
        EXPECT_TRUE(BlockedStopSignals().empty());
        EXPECT_FALSE(signals.StopRequested());
    }
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_FALSE(bWatching);
}

} // namespace
} // namespace veltrane
