// SPDX-License-Identifier: BSD-3-Clause
// The dialog's message loop over Qt's event queue. Posted messages become events of this
// object, handled on the dialog's thread (the thread that made it) in posting order. A worker
// thread's call to the controls is carried over to the dialog's thread, and the worker waits
// for it as for a sent message; the dialog's thread carries such calls out from its event
// loop, its modal dialogs' loops and while it waits for the workers, so neither side can wait
// on the other forever.
#pragma once

#include "platform/MessageLoop.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

namespace veltrane {

class CQtMessageLoop : public QObject, public IMessageLoop {
  public:
    CQtMessageLoop();
    CQtMessageLoop(const CQtMessageLoop&) = delete;
    CQtMessageLoop& operator=(const CQtMessageLoop&) = delete;
    // Waits for the workers that still run (once the dialog has made sure they end).
    ~CQtMessageLoop() override;

    void SetHandler(Handler handler) override;
    void PostMessage(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam) override;
    int StartThread(std::function<void()> work) override;
    using IMessageLoop::WaitForThreads;
    bool WaitForThreads(std::chrono::milliseconds limit) override;
    // Flushes the standard streams and ends the process, with no destructor run.
    void EndProcess(int nStatus) override;

    // Runs call on the dialog's thread and returns when it has returned: at once on the
    // dialog's thread, else at the dialog thread's next turn of an event loop or of
    // WaitForThreads.
    void Call(const std::function<void()>& call);
    bool OnDialogThread() const;

  protected:
    bool event(QEvent* pEvent) override;

  private:
    // Posts pEvent to this object on the dialog's thread.
    void Post(QEvent* pEvent);
    struct PendingCall {
        const std::function<void()>* m_pCall;
        bool m_bDone = false;
    };
    struct Worker {
        std::thread m_thread;
        bool m_bEnded = false;
    };

    // On the dialog's thread: every call waiting, in the order they came.
    void RunCalls();
    void JoinEndedWorkers();

    Handler m_handler; // the dialog's thread's only
    std::mutex m_mutex;
    std::mutex m_handOff; // taken after a posted event is made and before it is read
    std::condition_variable m_changed;
    std::deque<PendingCall*> m_calls;
    std::list<Worker> m_workers;
    int m_nRunning = 0;
};

} // namespace veltrane
