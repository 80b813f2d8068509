// SPDX-License-Identifier: BSD-3-Clause
#include "cli/StopSignals.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace veltrane {

namespace {

// Ctrl-C, kill, a closed terminal and a closed pipe of the output all end the run alike.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// How long the watcher waits before it polls again after poll failed for a reason other than a
// signal: never a busy loop, and the signals are still answered afterwards.
constexpr auto kPollRetry = std::chrono::milliseconds(100);

} // namespace

CStopSignals::CStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int nSignal : kStopSignals) {
        sigaddset(&set, nSignal);
    }
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &set, &previous);
    // The signals are read from a descriptor, so the stop needs no async-signal-safe handler.
    m_nSignalFd = signalfd(-1, &set, SFD_CLOEXEC);
    m_nWakeFd = eventfd(0, EFD_CLOEXEC);
    if (m_nSignalFd < 0 || m_nWakeFd < 0) {
        // Without the descriptors nobody would read the blocked signals: the default actions
        // stay, so that Ctrl-C still ends the program (without the cleanup).
        CloseDescriptors();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return;
    }
    try {
        m_watcher = std::thread([this]() { Watch(); });
    } catch (const std::system_error&) {
        // No thread to read them: as without the descriptors.
        CloseDescriptors();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
}

CStopSignals::~CStopSignals() {
    if (m_watcher.joinable()) {
        const std::uint64_t nOne = 1;
        [[maybe_unused]] const ssize_t nWritten = ::write(m_nWakeFd, &nOne, sizeof nOne);
        m_watcher.join();
    }
    CloseDescriptors();
    // The signals stay blocked: one that arrives from here on must not end the program with a
    // status other than the one it is about to return.
}

bool CStopSignals::Watching() const {
    return m_watcher.joinable();
}

void CStopSignals::CloseDescriptors() {
    for (int* pnFd : {&m_nSignalFd, &m_nWakeFd}) {
        if (*pnFd >= 0) {
            ::close(*pnFd);
            *pnFd = -1;
        }
    }
}

void CStopSignals::Watch() {
    pollfd fds[2] = {{m_nSignalFd, POLLIN, 0}, {m_nWakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno != EINTR) {
                std::this_thread::sleep_for(kPollRetry);
            }
            continue;
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
