// SPDX-License-Identifier: BSD-3-Clause
// The dialog's own message queue and its worker threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace veltrane {

class IMessageLoop {
  public:
    using Handler =
        std::function<void(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam)>;

    virtual ~IMessageLoop() = default;

    // The dialog's handler of posted messages; an empty handler detaches it.
    virtual void SetHandler(Handler handler) = 0;
    // Queues a message for the dialog's thread, from any thread. It is handled after the
    // running handler has returned, in posting order.
    virtual void PostMessage(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam) = 0;
    // Runs work on a new thread, concurrently with the dialog's thread. 0, or the errno of
    // the failure; no thread runs then.
    virtual int StartThread(std::function<void()> work) = 0;
    // On the dialog's thread: returns true when every thread started here has ended, false when
    // one still runs after limit; meanwhile it carries out the calls they make to the dialog's
    // controls (so a worker never waits forever on a dialog that waits for it). Posted messages
    // stay queued.
    virtual bool WaitForThreads(std::chrono::milliseconds limit) = 0;
    // Waits without a limit.
    void WaitForThreads() { WaitForThreads(kNoLimit); }
    // Ends the process at once with nStatus, without waiting for its threads: the way out when
    // a worker does not end. A test's loop records the call and returns.
    virtual void EndProcess(int nStatus) = 0;

    // A century: no limit that a wait could reach, and a deadline that the clocks still hold.
    static constexpr std::chrono::milliseconds kNoLimit = std::chrono::hours(24 * 365 * 100);
};

} // namespace veltrane
