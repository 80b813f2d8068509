// SPDX-License-Identifier: BSD-3-Clause
// The batch controller: the buttons, the start of one worker per file, the finish step, and
// the end of a batch that the dialog's closing cuts short.
#include "dialog/ConverterDlg.h"

namespace veltrane {

void CConverterDlg::OnInitDialog() {
    OnSave();
    m_platform.m_ui.SetButtonPushed(Button::Compress, m_bCompressDown);
    m_platform.m_ui.SetButtonPushed(Button::Stop, m_bStopDown);
    m_platform.m_ui.SetButtonPushed(Button::Exit, m_bExitDown);
}

void CConverterDlg::ShowBatchLooks(bool bBatch) {
    m_bCompressDown = bBatch;
    m_bStopDown = !bBatch;
    m_bExitDown = false;
    m_platform.m_ui.SetButtonPushed(Button::Compress, m_bCompressDown);
    m_platform.m_ui.SetButtonPushed(Button::Stop, m_bStopDown);
}

void CConverterDlg::OnCompress() {
    ShowBatchLooks(true);
    if (!m_bBusy && !m_bBatchRunning) {
        m_bBusy = true;
        m_bStop = false;
        m_bJobStopped = false;
        m_bBatchRunning = true;
        m_platform.m_loop.PostMessage(MSG_OPEN_FILES, 1, 0);
    }
}

void CConverterDlg::OnStop() {
    m_platform.m_ui.SetBarPosition(ProgressBar::Total, 0);
    if (!m_bStop) {
        m_bStop = true;
        m_bBusy = false;
    }
}

// Whether a batch runs or not: OnDestroy, which follows the modal run, takes care of it.
void CConverterDlg::OnExit() {
    m_platform.m_ui.EndDialog(IDCANCEL);
}

void CConverterDlg::OnSave() {
    m_bSaveMode = true;
    m_platform.m_ui.SetButtonChecked(Button::Save, true);
    m_platform.m_ui.SetButtonChecked(Button::SaveAs, false);
}

void CConverterDlg::OnSaveAs() {
    m_bSaveMode = false;
    m_platform.m_ui.SetButtonChecked(Button::Save, false);
    m_platform.m_ui.SetButtonChecked(Button::SaveAs, true);
}

void CConverterDlg::OnEncodeNext(std::intptr_t, std::intptr_t) {
    if (m_nCurrent < m_nFiles) {
        m_pszPath = m_pszSourceDir + m_ppszFiles[m_nCurrent];
        const int nError = m_platform.m_loop.StartThread([this] { WorkerThread(this); });
        if (nError == 0) {
            return;
        }
        // No worker, so no message 99 would ever come: report it and end the batch here,
        // saving the files encoded so far.
        ShowError(SystemErrorText(nError) + m_pszPath);
        m_bBusy = false;
        m_nFiles = m_nCurrent;
    }
    FinishBatch();
}

void CConverterDlg::WorkerThread(CConverterDlg* pDlg) {
    if (pDlg->EncodeCurrentFile()) {
        pDlg->m_bBusy = false;
    }
    ++pDlg->m_nCurrent;
    pDlg->m_platform.m_loop.PostMessage(MSG_ENCODE_NEXT, 0, 0);
}

void CConverterDlg::FinishBatch() {
    ShowBatchLooks(false);
    m_platform.m_ui.SetBarPosition(ProgressBar::Total, 0);
    for (m_nCurrent = 0; m_nCurrent < m_nFiles; ++m_nCurrent) {
        SaveEncodedFile(m_bSaveMode, m_nCurrent);
    }
    ReleaseBatch();
    m_bBusy = false;
    m_bBatchRunning = false;
}

void CConverterDlg::ReleaseBatch() {
    m_pszSourceDir.clear();
    m_pszTempDir.clear();
    m_ppszFiles.clear();
    m_pszPath.clear();
    m_pnBlockAlign.clear();
    m_pnDataOffset.clear();
    m_pnDataBytes.clear();
    m_abTempMade.clear();
    RemovePrivateFolder();
}

void CConverterDlg::RemovePrivateFolder() {
    if (!m_sPrivateDir.empty()) {
        m_platform.m_files.DeleteFolder(m_sPrivateDir);
        m_sPrivateDir.clear();
    }
}

// The worker still runs, so nothing it uses is released; only what the batch put in its own
// folder goes, every name it may have given there.
void CConverterDlg::AbandonBatch() {
    if (m_sPrivateDir.empty()) {
        return; // a shared folder: its names may be another user's
    }
    for (int i = 0; i < m_nFiles; ++i) {
        m_platform.m_files.Delete(TempPathOf(i));
    }
    m_platform.m_files.DeleteFolder(m_sPrivateDir);
}

void CConverterDlg::OnDestroy() {
    if (m_bBatchRunning) {
        m_bStop = true;
        m_bBusy = false;
    }
    if (!m_platform.m_loop.WaitForThreads(kCloseWaitLimit)) {
        m_platform.m_loop.SetHandler({});
        AbandonBatch();
        m_platform.m_loop.EndProcess(kExitWorkerAbandoned);
        return;
    }
    // The message 99 that the last worker posted is never handled: the dialog is gone.
    m_platform.m_loop.SetHandler({});
    if (!m_bBatchRunning) {
        RemovePrivateFolder(); // a selection that never ran its batch
        return;
    }
    // The stopped job has removed its own file; the files encoded before it wait for a finish
    // step that will not come. Only the files that the jobs made are removed.
    for (std::size_t i = 0; i < m_abTempMade.size(); ++i) {
        DeleteTempFile(static_cast<int>(i));
    }
    ReleaseBatch();
    m_nFiles = 0;
    m_bBatchRunning = false;
}

} // namespace veltrane
