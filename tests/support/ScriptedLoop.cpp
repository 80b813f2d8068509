// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/ScriptedLoop.h"

namespace veltrane {

CScriptedLoop::~CScriptedLoop() {
    WaitForThreads();
}

bool CScriptedLoop::WaitForThreads(std::chrono::milliseconds limit) {
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, limit, [this] { return m_nRunning == 0; })) {
            return false;
        }
    }
    JoinWorkers();
    return true;
}

void CScriptedLoop::EndProcess(int nStatus) {
    std::lock_guard lock(m_mutex);
    m_endStatuses.push_back(nStatus);
}

std::vector<int> CScriptedLoop::EndedProcess() const {
    std::lock_guard lock(m_mutex);
    return m_endStatuses;
}

void CScriptedLoop::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_nRunning == 0; });
        if (m_queue.empty()) {
            break;
        }
        Dispatch(lock);
    }
    lock.unlock();
    JoinWorkers();
}

bool CScriptedLoop::HandleOne() {
    std::unique_lock lock(m_mutex);
    if (m_queue.empty()) {
        return false;
    }
    Dispatch(lock);
    return true;
}

// Pops the first message and hands it to the handler with the lock released, so that the
// handler may post and start threads.
void CScriptedLoop::Dispatch(std::unique_lock<std::mutex>& lock) {
    const PostedMessage message = m_queue.front();
    m_queue.pop_front();
    const Handler handler = m_handler;
    lock.unlock();
    if (handler) {
        handler(message.m_nMessage, message.m_nWParam, message.m_nLParam);
    }
    lock.lock();
}

void CScriptedLoop::JoinWorkers() {
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_mutex);
        workers.swap(m_workers);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

std::vector<PostedMessage> CScriptedLoop::Pending() const {
    std::lock_guard lock(m_mutex);
    return {m_queue.begin(), m_queue.end()};
}

std::vector<PostedMessage> CScriptedLoop::Posted() const {
    std::lock_guard lock(m_mutex);
    return m_posted;
}

void CScriptedLoop::FailThreadStarts(int nError) {
    std::lock_guard lock(m_mutex);
    m_nStartError = nError;
}

int CScriptedLoop::ThreadsStarted() const {
    std::lock_guard lock(m_mutex);
    return m_nStarted;
}

void CScriptedLoop::SetHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void CScriptedLoop::PostMessage(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam) {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(PostedMessage{nMessage, nWParam, nLParam});
    m_posted.push_back(m_queue.back());
    m_changed.notify_all();
}

int CScriptedLoop::StartThread(std::function<void()> work) {
    std::lock_guard lock(m_mutex);
    if (m_nStartError != 0) {
        return m_nStartError;
    }
    ++m_nRunning;
    ++m_nStarted;
    m_workers.emplace_back([this, work = std::move(work)] {
        work();
        std::lock_guard done(m_mutex);
        --m_nRunning;
        m_changed.notify_all();
    });
    return 0;
}

} // namespace veltrane
