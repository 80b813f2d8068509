#include "cli/StopSignals.h"

#include <csignal>
#include <ctime>
#include <pthread.h>

namespace veltrane {

namespace {

sigset_t StopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

CStopSignals::CStopSignals() {
    const sigset_t set = StopSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // The signals are taken synchronously, so the stop needs no async-signal-safe handler; the
    // wait has a timeout so that the thread also notices when the program is done.
    m_watcher = std::jthread([this, set](std::stop_token stop) {
        const timespec timeout{0, 100'000'000};
        while (!stop.stop_requested()) {
            if (sigtimedwait(&set, nullptr, &timeout) > 0) {
                m_bStop.store(true);
            }
        }
    });
}

CStopSignals::~CStopSignals() {
    m_watcher.request_stop();
    m_watcher.join();
    // The signals stay blocked: one that arrives from here on must not end the program with a
    // status other than the one it is about to return.
}

} // namespace veltrane
