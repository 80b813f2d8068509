// SPDX-License-Identifier: BSD-3-Clause
#include "platform/qt/QtMessageLoop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace veltrane {

namespace {

const QEvent::Type kPostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
// Wakes the dialog's thread for the calls that wait; the queue of calls says what to do.
const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CPostedMessageEvent : public QEvent {
  public:
    CPostedMessageEvent(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam)
        : QEvent(kPostedMessageEvent), m_nMessage(nMessage), m_nWParam(nWParam),
          m_nLParam(nLParam) {}

    const unsigned m_nMessage;
    const std::intptr_t m_nWParam;
    const std::intptr_t m_nLParam;
};

} // namespace

CQtMessageLoop::CQtMessageLoop() = default;

CQtMessageLoop::~CQtMessageLoop() {
    WaitForThreads();
}

void CQtMessageLoop::SetHandler(Handler handler) {
    m_handler = std::move(handler);
}

void CQtMessageLoop::PostMessage(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam) {
    Post(new CPostedMessageEvent(nMessage, nWParam, nLParam));
}

void CQtMessageLoop::Post(QEvent* pEvent) {
    // Qt's event queue orders this thread's writes of the event before the dialog thread reads
    // it, but through locks that ThreadSanitizer cannot see; passing m_handOff on makes that
    // order visible to it too.
    { const std::lock_guard handOff(m_handOff); }
    QCoreApplication::postEvent(this, pEvent);
}

bool CQtMessageLoop::event(QEvent* pEvent) {
    { const std::lock_guard handOff(m_handOff); } // see PostMessage
    if (pEvent->type() == kPostedMessageEvent) {
        const auto* pMessage = static_cast<CPostedMessageEvent*>(pEvent);
        const Handler handler = m_handler; // the handler may detach itself
        if (handler) {
            handler(pMessage->m_nMessage, pMessage->m_nWParam, pMessage->m_nLParam);
        }
        return true;
    }
    if (pEvent->type() == kCallEvent) {
        RunCalls();
        return true;
    }
    return QObject::event(pEvent);
}

bool CQtMessageLoop::OnDialogThread() const {
    return QThread::currentThread() == thread();
}

void CQtMessageLoop::Call(const std::function<void()>& call) {
    if (OnDialogThread()) {
        call();
        return;
    }
    PendingCall pending{&call};
    std::unique_lock lock(m_mutex);
    m_calls.push_back(&pending);
    Post(new QEvent(kCallEvent));
    m_changed.notify_all(); // for WaitForThreads
    m_changed.wait(lock, [&pending] { return pending.m_bDone; });
}

void CQtMessageLoop::RunCalls() {
    std::unique_lock lock(m_mutex);
    while (!m_calls.empty()) {
        PendingCall* pPending = m_calls.front();
        m_calls.pop_front();
        lock.unlock();
        (*pPending->m_pCall)();
        lock.lock();
        pPending->m_bDone = true;
        m_changed.notify_all();
    }
}

int CQtMessageLoop::StartThread(std::function<void()> work) {
    JoinEndedWorkers();
    std::lock_guard lock(m_mutex);
    Worker& worker = m_workers.emplace_back();
    try {
        worker.m_thread = std::thread([this, &worker, work = std::move(work)] {
            work();
            std::lock_guard done(m_mutex);
            worker.m_bEnded = true;
            --m_nRunning;
            m_changed.notify_all();
        });
    } catch (const std::system_error& error) {
        m_workers.pop_back();
        return error.code().value();
    }
    ++m_nRunning;
    return 0;
}

bool CQtMessageLoop::WaitForThreads(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait_until(lock, deadline,
                                      [this] { return !m_calls.empty() || m_nRunning == 0; })) {
                return false;
            }
            if (m_calls.empty()) {
                break;
            }
        }
        RunCalls();
    }
    JoinEndedWorkers();
    return true;
}

void CQtMessageLoop::EndProcess(int nStatus) {
    std::fflush(nullptr);
    std::_Exit(nStatus);
}

void CQtMessageLoop::JoinEndedWorkers() {
    std::list<Worker> ended;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            const auto itNext = std::next(it);
            if (it->m_bEnded) {
                ended.splice(ended.end(), m_workers, it);
            }
            it = itNext;
        }
    }
    for (Worker& worker : ended) {
        worker.m_thread.join();
    }
}

} // namespace veltrane
