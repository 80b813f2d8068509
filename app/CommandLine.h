// SPDX-License-Identifier: BSD-3-Clause
// What the program reads from its command line and environment before and after the
// QApplication exists.
#pragma once

#include "platform/Environment.h"

#include <QStringList>

#include <string_view>

namespace veltrane {

// The exit status when no display can be opened.
inline constexpr int kNoDisplayStatus = 3;

inline constexpr const char* kUsage =
    "Usage: veltrane [--qt-dialogs] [FILE.wav...]\n"
    "       veltrane --version | --check-display | --help\n"
    "Opens the Veltrane dialog; files given here start a batch at once (they must be in one\n"
    "folder). --qt-dialogs (or VELTRANE_QT_DIALOGS=1) uses Qt's own file dialogs instead of\n"
    "the desktop's. --check-display exits with 0 when the dialog can be shown, with 3 when\n"
    "no display can be opened (so does veltrane itself).\n";

// Whether argv[1..] holds sFlag.
bool HasFlag(int argc, char** argv, std::string_view sFlag);
// Whether the environment names a display (X11, Wayland, or a Qt platform chosen by hand).
bool DisplayNamed(const IEnvironment& environment);
// Whether the user asked for Qt's own file dialogs.
bool WantsQtDialogs(const QStringList& arguments, const IEnvironment& environment);
// The files of the command line (arguments after the program's name that are not options).
QStringList FileArguments(const QStringList& arguments);

} // namespace veltrane
