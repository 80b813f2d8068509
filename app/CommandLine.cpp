// SPDX-License-Identifier: BSD-3-Clause
#include "app/CommandLine.h"

namespace veltrane {

namespace {

bool IsSet(const IEnvironment& environment, const char* pszName) {
    const std::optional<std::string> sValue = environment.Variable(pszName);
    return sValue && !sValue->empty() && *sValue != "0";
}

} // namespace

bool HasFlag(int argc, char** argv, std::string_view sFlag) {
    for (int i = 1; i < argc; ++i) {
        if (sFlag == argv[i]) {
            return true;
        }
    }
    return false;
}

bool DisplayNamed(const IEnvironment& environment) {
    return IsSet(environment, "DISPLAY") || IsSet(environment, "WAYLAND_DISPLAY") ||
           IsSet(environment, "QT_QPA_PLATFORM");
}

bool WantsQtDialogs(const QStringList& arguments, const IEnvironment& environment) {
    return arguments.contains(QStringLiteral("--qt-dialogs")) ||
           IsSet(environment, "VELTRANE_QT_DIALOGS");
}

QStringList FileArguments(const QStringList& arguments) {
    QStringList files;
    bool bOptions = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& sArgument = arguments[i];
        if (bOptions && sArgument == QStringLiteral("--")) {
            bOptions = false;
        } else if (!bOptions || !sArgument.startsWith(QStringLiteral("--"))) {
            files.push_back(sArgument);
        }
    }
    return files;
}

} // namespace veltrane
