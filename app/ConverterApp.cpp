// SPDX-License-Identifier: BSD-3-Clause
#include "app/ConverterApp.h"

#include "app/CommandLine.h"
#include "app/ConverterWnd.h"
#include "app/Resources.h"

#include <QApplication>
#include <QTimer>

namespace veltrane {

bool CConverterApp::InitInstance() {
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication::setWindowIcon(ProgramIcon());
    const QStringList arguments = QCoreApplication::arguments();
    const bool bQtDialogs = WantsQtDialogs(arguments, CPosixEnvironment());
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, bQtDialogs);

    CQtCommonDialogs dialogs(bQtDialogs);
    CConverterWnd dlg(dialogs);
    m_pMainWnd = &dlg;
    // Files given to the program (by a file manager's "Open with") start the first batch.
    const QStringList files = FileArguments(arguments);
    if (!files.isEmpty()) {
        QTimer::singleShot(0, &dlg, [&dlg, files] { dlg.StartBatchWith(files); });
    }
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

} // namespace veltrane
