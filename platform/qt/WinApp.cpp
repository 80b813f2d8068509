// SPDX-License-Identifier: BSD-3-Clause
#include "platform/qt/WinApp.h"

#include <QApplication>

namespace veltrane {

namespace {

CWinApp* g_pApp = nullptr;

} // namespace

CWinApp::CWinApp() {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

int AfxWinMain(int argc, char** argv, const std::function<void()>& onStarted) {
    QApplication application(argc, argv);
    if (onStarted) {
        onStarted();
    }
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) {
        return 1;
    }
    return pApp->InitInstance() ? QApplication::exec() : 0;
}

} // namespace veltrane
