#include "cli/StopSignals.h"

#include <csignal>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace veltrane {

CStopSignals::CStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // The signals are read from a descriptor, so the stop needs no async-signal-safe handler.
    m_nSignalFd = signalfd(-1, &set, SFD_CLOEXEC);
    m_nWakeFd = eventfd(0, EFD_CLOEXEC);
    m_watcher = std::thread([this]() { Watch(); });
}

CStopSignals::~CStopSignals() {
    const std::uint64_t nOne = 1;
    [[maybe_unused]] const ssize_t nWritten = ::write(m_nWakeFd, &nOne, sizeof nOne);
    m_watcher.join();
    ::close(m_nSignalFd);
    ::close(m_nWakeFd);
    // The signals stay blocked: one that arrives from here on must not end the program with a
    // status other than the one it is about to return.
}

void CStopSignals::Watch() {
    pollfd fds[2] = {{m_nSignalFd, POLLIN, 0}, {m_nWakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            continue; // interrupted; wait again
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (::read(m_nSignalFd, &info, sizeof info) == sizeof info) {
                m_bStop.store(true);
            }
        }
        if (fds[1].revents & POLLIN) {
            return;
        }
    }
}

} // namespace veltrane
