// SPDX-License-Identifier: BSD-3-Clause
// The save step: each temporary file is copied to its ".wrm" name, through a save dialog or
// under its proposed name, and the temporary file is deleted.
#include "convert/AtomicOutputFile.h"
#include "convert/OutputName.h"
#include "dialog/ConverterDlg.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace veltrane {

namespace {

std::string Normalized(const IFileSystem& files, const std::string& sPath) {
    return std::filesystem::path(AbsolutePath(files.CurrentDirectory(), sPath))
        .lexically_normal()
        .string();
}

// sWritten (absolute) is one of the batch's inputs or a destination that its save steps have
// already written.
bool IsTakenByBatch(const IFileSystem& files, const CConverterDlg& dlg,
                    const std::string& sWritten) {
    for (const std::string& sName : dlg.m_ppszFiles) {
        if (Normalized(files, dlg.m_pszSourceDir + sName) == sWritten) {
            return true;
        }
    }
    return std::find(dlg.m_asSavedPaths.begin(), dlg.m_asSavedPaths.end(), sWritten) !=
           dlg.m_asSavedPaths.end();
}

} // namespace

// The save dialog for file nIndex, proposing sProposed; false when the user cancels, and the
// temporary file is then discarded.
bool CConverterDlg::AskForDestination(const std::string& sProposed, int nIndex,
                                      std::string* psDestination) {
    const SaveDialogRequest request{{{"Veltrane (*.wrm)", "*.wrm"}}, "wrm", sProposed};
    if (!m_platform.m_ui.ShowSaveDialog(request, psDestination)) {
        DeleteTempFile(nIndex);
        return false;
    }
    return true;
}

void CConverterDlg::SaveEncodedFile(bool bSaveMode, int nIndex) {
    IFileSystem& files = m_platform.m_files;
    const std::string sProposed = ProposedName(m_ppszFiles[nIndex]);
    const std::string sTempPath = TempPathOf(nIndex);

    if (nIndex == 0) {
        m_asSavedPaths.clear(); // file 0 starts the batch's save steps
    }
    if (m_bJobStopped) {
        // A job was cut short by Stop: nothing of the batch is saved, and nothing of it is left
        // behind.
        m_bBusy = false;
        DeleteTempFile(nIndex);
        return;
    }
    std::string sDestination = sProposed; // a bare name: in the current directory
    const bool bAutomatic = bSaveMode && nIndex != 0;
    if (!bAutomatic && !AskForDestination(sProposed, nIndex, &sDestination)) {
        return;
    }
    std::string sWritten = Normalized(files, sDestination);
    if (bAutomatic && IsTakenByBatch(files, *this, sWritten)) {
        // No dialog has asked the user, and the name is that of an input or an earlier result
        // of this batch: the user chooses where this one goes, as in SaveAs.
        if (!AskForDestination(sProposed, nIndex, &sDestination)) {
            return;
        }
        sWritten = Normalized(files, sDestination);
    }
    std::unique_ptr<IFile> pTemp;
    if (const int nError = files.OpenRead(sTempPath, &pTemp); nError != 0) {
        ShowError(SystemErrorText(nError) + sTempPath);
        m_bBusy = false;
        DeleteTempFile(nIndex);
        return;
    }
    const OutputRules rules =
        RulesForResultOf(files, m_pszSourceDir + m_ppszFiles[nIndex], true, false, false);
    if (const int nError = CopyToOutput(files, *pTemp, sDestination, rules); nError != 0) {
        // The temporary file stays, the only copy of the frames, in a folder the user has not
        // seen: the message names it.
        ShowError(SystemErrorText(nError) + sDestination + kMsgResultKept + sTempPath);
        m_bBusy = false;
        return;
    }
    pTemp.reset();
    DeleteTempFile(nIndex);
    m_asSavedPaths.push_back(sWritten);
}

} // namespace veltrane
