// SPDX-License-Identifier: BSD-3-Clause
// veltrane: the dialog. The version and the display are checked before Qt starts, so that
// "veltrane --version" works anywhere and a missing display is a message, not a crash.
#include "app/CommandLine.h"
#include "app/ConverterApp.h"
#include "app/Resources.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace veltrane {

CConverterApp theApp;

namespace {

constexpr const char* kNoDisplay =
    "veltrane: no display to show the dialog on (DISPLAY and WAYLAND_DISPLAY are not set);\n"
    "veltrane-cli converts files without one.\n";

QtMessageHandler g_previousHandler = nullptr;
bool g_bStarting = true;

// While Qt starts, its failure to open the display is fatal: it ends the program with our
// message and status instead of an abort.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& sMessage) {
    if (g_bStarting && type == QtFatalMsg) {
        std::fprintf(stderr, "veltrane: cannot open the display: %s\n", qPrintable(sMessage));
        std::_Exit(kNoDisplayStatus);
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, sMessage);
    }
}

int Run(int argc, char** argv) {
    if (HasFlag(argc, argv, "--version")) {
        std::printf("%s\n", kVersion);
        return 0;
    }
    if (HasFlag(argc, argv, "--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!DisplayNamed(CPosixEnvironment())) {
        std::fputs(kNoDisplay, stderr);
        return kNoDisplayStatus;
    }
    g_previousHandler = qInstallMessageHandler(StartupMessageHandler);
    if (HasFlag(argc, argv, "--check-display")) {
        QApplication application(argc, argv);
        return 0;
    }
    return AfxWinMain(argc, argv, [] { g_bStarting = false; });
}

} // namespace

} // namespace veltrane

int main(int argc, char** argv) {
    return veltrane::Run(argc, argv);
}
