// SPDX-License-Identifier: BSD-3-Clause
// Turns Ctrl-C (SIGINT), SIGTERM, SIGHUP (the terminal closed) and SIGPIPE (a reader of the
// output gone) into a stop request that the encoders poll.
#pragma once

#include <atomic>
#include <thread>

namespace veltrane {

class CStopSignals {
  public:
    // Blocks the signals in the calling thread, and so in every thread started after it, and
    // waits for them on a thread of its own. Construct before any other thread starts. When
    // the descriptors that deliver them or the thread cannot be made, the signals are left
    // unblocked with their default actions.
    CStopSignals();
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    const std::atomic<bool>& StopFlag() const { return m_bStop; }
    bool StopRequested() const { return m_bStop.load(); }
    // The signals are caught: false after the fallback to the default actions.
    bool Watching() const;

  private:
    void Watch();
    void CloseDescriptors();

    std::atomic<bool> m_bStop{false};
    int m_nSignalFd = -1; // delivers the blocked signals
    int m_nWakeFd = -1;   // tells the watcher that the program is done
    std::thread m_watcher;
};

} // namespace veltrane
