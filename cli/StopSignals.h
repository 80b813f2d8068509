// Turns Ctrl-C (SIGINT) and SIGTERM into a stop request that the encoders poll.
#pragma once

#include <atomic>
#include <thread>

namespace veltrane {

class CStopSignals {
  public:
    // Blocks both signals in the calling thread, and so in every thread started after it,
    // and waits for them on a thread of its own. Construct before any other thread starts.
    CStopSignals();
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    const std::atomic<bool>& StopFlag() const { return m_bStop; }
    bool StopRequested() const { return m_bStop.load(); }

  private:
    void Watch();

    std::atomic<bool> m_bStop{false};
    int m_nSignalFd = -1; // delivers the blocked signals
    int m_nWakeFd = -1;   // tells the watcher that the program is done
    std::thread m_watcher;
};

} // namespace veltrane
