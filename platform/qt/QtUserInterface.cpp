// SPDX-License-Identifier: BSD-3-Clause
#include "platform/qt/QtUserInterface.h"

#include <QFile>
#include <QFileInfo>

namespace veltrane {

namespace {

// Shown when an answer holds files of several folders.
constexpr const char* kMsgSeveralFolders = "The files of one batch must be in one folder.\n";

// Qt reads the patterns from the parentheses of a filter's text.
QStringList QtFilters(const std::vector<FileFilter>& filters) {
    QStringList qtFilters;
    for (const FileFilter& filter : filters) {
        QString sText = QString::fromStdString(filter.m_sText);
        const QString sPattern = QString::fromStdString(filter.m_sPattern);
        if (!sText.contains(QLatin1Char('(') + sPattern + QLatin1Char(')'))) {
            sText += QStringLiteral(" (") + sPattern + QLatin1Char(')');
        }
        qtFilters.push_back(sText);
    }
    return qtFilters;
}

std::string LocalPath(const QString& sPath) {
    return QFile::encodeName(sPath).toStdString();
}

QString QtPath(const std::string& sPath) {
    return QFile::decodeName(QByteArray::fromStdString(sPath));
}

} // namespace

bool InOneFolder(const QStringList& paths) {
    return std::all_of(paths.begin(), paths.end(), [&paths](const QString& sPath) {
        return QFileInfo(sPath).absolutePath() == QFileInfo(paths.front()).absolutePath();
    });
}

CQtUserInterface::CQtUserInterface(CQtMessageLoop& loop, IFileSystem& files,
                                   ICommonDialogs& dialogs, DialogControls controls)
    : m_loop(loop), m_files(files), m_dialogs(dialogs), m_controls(controls) {}

void CQtUserInterface::AnswerNextOpen(const QStringList& paths) {
    m_nextOpen = paths;
}

CProgressCtrl& CQtUserInterface::BarOf(ProgressBar bar) const {
    return bar == ProgressBar::File ? m_controls.m_prgFile : m_controls.m_prgTotal;
}

CButton& CQtUserInterface::ButtonOf(Button button) const {
    return *m_controls.m_apButtons[static_cast<std::size_t>(button)];
}

void CQtUserInterface::ShowMessageBox(const std::string& sText, const std::string& sCaption) {
    m_loop.Call([&] {
        m_dialogs.MessageBox(&m_controls.m_dialog, QString::fromStdString(sText),
                             QString::fromStdString(sCaption));
    });
}

QStringList CQtUserInterface::ChooseFiles(const OpenDialogRequest& request) {
    // Files given in advance (dropped, or named on the command line) are held to the same rule
    // as the dialog's answer: the answer is built from the first file's folder.
    const QStringList paths =
        !m_nextOpen.isEmpty()
            ? std::exchange(m_nextOpen, {})
            : m_dialogs.GetOpenFileNames(&m_controls.m_dialog, QtPath(m_files.CurrentDirectory()),
                                         QtFilters(request.m_filters),
                                         QString::fromStdString(request.m_sDefaultExtension));
    if (!InOneFolder(paths)) {
        const auto itOther = std::find_if(paths.begin(), paths.end(), [&](const QString& s) {
            return !InOneFolder({paths.front(), s});
        });
        m_dialogs.MessageBox(&m_controls.m_dialog, QLatin1String(kMsgSeveralFolders) + *itOther,
                             QStringLiteral("Error"));
        return {};
    }
    return paths;
}

bool CQtUserInterface::ShowOpenDialog(const OpenDialogRequest& request, OpenDialogAnswer* pAnswer) {
    bool bChosen = false;
    m_loop.Call([&] {
        const QStringList chosen = ChooseFiles(request);
        if (chosen.isEmpty()) {
            return;
        }
        std::vector<std::string> paths;
        for (const QString& sPath : chosen) {
            paths.push_back(LocalPath(QFileInfo(sPath).absoluteFilePath()));
        }
        *pAnswer = AnswerOfFiles(paths);
        m_files.SetCurrentDirectory(FolderOf(paths.front()));
        bChosen = true;
    });
    return bChosen;
}

bool CQtUserInterface::ShowSaveDialog(const SaveDialogRequest& request, std::string* psPath) {
    bool bChosen = false;
    m_loop.Call([&] {
        const std::string sProposed =
            WithTrailingSlash(m_files.CurrentDirectory()) + request.m_sProposedName;
        const QString sPath = m_dialogs.GetSaveFileName(
            &m_controls.m_dialog, QtPath(sProposed), QtFilters(request.m_filters),
            QString::fromStdString(request.m_sDefaultExtension));
        if (sPath.isEmpty()) {
            return;
        }
        *psPath = LocalPath(QFileInfo(sPath).absoluteFilePath());
        m_files.SetCurrentDirectory(FolderOf(*psPath));
        bChosen = true;
    });
    return bChosen;
}

void CQtUserInterface::SetBarRange(ProgressBar bar, std::uint64_t nUpper) {
    m_loop.Call([&] { BarOf(bar).SetRange(nUpper); });
}

void CQtUserInterface::SetBarStep(ProgressBar bar, std::uint64_t nStep) {
    m_loop.Call([&] { BarOf(bar).SetStep(nStep); });
}

void CQtUserInterface::StepBar(ProgressBar bar) {
    m_loop.Call([&] { BarOf(bar).StepIt(); });
}

void CQtUserInterface::SetBarPosition(ProgressBar bar, std::uint64_t nPosition) {
    m_loop.Call([&] { BarOf(bar).SetPos(nPosition); });
}

void CQtUserInterface::SetLabelText(const std::string& sText) {
    m_loop.Call([&] { m_controls.m_stcFile.SetWindowText(QString::fromStdString(sText)); });
}

void CQtUserInterface::ShowLabel(bool bShow) {
    m_loop.Call([&] { m_controls.m_stcFile.ShowWindow(bShow); });
}

void CQtUserInterface::SetButtonPushed(Button button, bool bPushed) {
    m_loop.Call([&] { ButtonOf(button).SetState(bPushed); });
}

void CQtUserInterface::SetButtonChecked(Button button, bool bChecked) {
    m_loop.Call([&] { ButtonOf(button).SetCheck(bChecked); });
}

void CQtUserInterface::EndDialog(int nResult) {
    m_loop.Call([&] { m_controls.m_dialog.EndDialog(nResult); });
}

} // namespace veltrane
