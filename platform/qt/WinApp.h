// SPDX-License-Identifier: BSD-3-Clause
// The application object: exactly one exists, constructed before the program's start-up, which
// makes the QApplication and calls its InitInstance.
#pragma once

#include <QWidget>

#include <functional>

namespace veltrane {

class CWinApp {
  public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once by AfxWinMain on the main thread, with the QApplication made. false: the
    // program ends as soon as it returns; true: the application's event loop runs first.
    virtual bool InitInstance() = 0;

    QWidget* m_pMainWnd = nullptr;
};

// The one application object; null before it is constructed.
CWinApp* AfxGetApp();

// The program's start-up on the main thread: the QApplication, onStarted (when given) once it
// exists, then the application object's InitInstance. The program's exit status.
int AfxWinMain(int argc, char** argv, const std::function<void()>& onStarted = {});

} // namespace veltrane
