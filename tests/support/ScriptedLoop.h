// SPDX-License-Identifier: BSD-3-Clause
// A message loop for tests: posted messages wait in a queue until the test runs the loop,
// and worker threads are real threads that the loop waits for.
#pragma once

#include "platform/MessageLoop.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace veltrane {

struct PostedMessage {
    unsigned m_nMessage;
    std::intptr_t m_nWParam;
    std::intptr_t m_nLParam;
    bool operator==(const PostedMessage&) const = default;
};

class CScriptedLoop : public IMessageLoop {
  public:
    CScriptedLoop() = default;
    CScriptedLoop(const CScriptedLoop&) = delete;
    CScriptedLoop& operator=(const CScriptedLoop&) = delete;
    // Waits for the workers that still run.
    ~CScriptedLoop() override;

    // Handles the queued messages in order, one at a time on the calling thread, waiting for
    // running workers to post theirs, until the queue is empty and no worker runs.
    void Run();
    // Handles the first queued message, if there is one, without waiting; false when none was.
    bool HandleOne();
    // Messages posted and not handled yet, oldest first.
    std::vector<PostedMessage> Pending() const;
    // Every message posted so far, in order.
    std::vector<PostedMessage> Posted() const;
    // Every later thread start fails with nError (0: they succeed again).
    void FailThreadStarts(int nError);
    int ThreadsStarted() const;

    void SetHandler(Handler handler) override;
    void PostMessage(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam) override;
    int StartThread(std::function<void()> work) override;
    // The workers' calls to the controls run on their own threads here, so this only waits.
    using IMessageLoop::WaitForThreads;
    bool WaitForThreads(std::chrono::milliseconds limit) override;
    // Recorded, and the call returns: the test goes on as the process would not.
    void EndProcess(int nStatus) override;
    // The statuses EndProcess was called with, in order.
    std::vector<int> EndedProcess() const;

  private:
    void Dispatch(std::unique_lock<std::mutex>& lock);
    void JoinWorkers();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    Handler m_handler;
    std::deque<PostedMessage> m_queue;
    std::vector<PostedMessage> m_posted;
    std::vector<std::thread> m_workers;
    int m_nRunning = 0;
    int m_nStarted = 0;
    int m_nStartError = 0;
    std::vector<int> m_endStatuses;
};

} // namespace veltrane
