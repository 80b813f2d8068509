// SPDX-License-Identifier: BSD-3-Clause
// The conversion's user interface on the main dialog's controls. Every operation may come from
// the worker thread: it is carried out on the dialog's thread through the message loop, and
// returns when it is done there.
#pragma once

#include "platform/FileSystem.h"
#include "platform/UserInterface.h"
#include "platform/qt/CommonDialogs.h"
#include "platform/qt/Controls.h"
#include "platform/qt/Dialog.h"
#include "platform/qt/QtMessageLoop.h"

#include <array>

namespace veltrane {

// The controls that the conversion moves, owned by the dialog.
struct DialogControls {
    CDialog& m_dialog;
    std::array<CButton*, 5> m_apButtons; // in the order of Button
    CProgressCtrl& m_prgFile;
    CProgressCtrl& m_prgTotal;
    CStatic& m_stcFile;
};

// Whether the files share one folder, as the files of one batch must.
bool InOneFolder(const QStringList& paths);

class CQtUserInterface : public IUserInterface {
  public:
    CQtUserInterface(CQtMessageLoop& loop, IFileSystem& files, ICommonDialogs& dialogs,
                     DialogControls controls);

    // The next open dialog is not shown: it answers with these files, full paths, as if the
    // user had chosen them there (files dropped on the dialog or named on the command line);
    // files of several folders are refused as the dialog's answer would be.
    void AnswerNextOpen(const QStringList& paths);

    void ShowMessageBox(const std::string& sText, const std::string& sCaption) override;
    bool ShowOpenDialog(const OpenDialogRequest& request, OpenDialogAnswer* pAnswer) override;
    bool ShowSaveDialog(const SaveDialogRequest& request, std::string* psPath) override;
    void SetBarRange(ProgressBar bar, std::uint64_t nUpper) override;
    void SetBarStep(ProgressBar bar, std::uint64_t nStep) override;
    void StepBar(ProgressBar bar) override;
    void SetBarPosition(ProgressBar bar, std::uint64_t nPosition) override;
    void SetLabelText(const std::string& sText) override;
    void ShowLabel(bool bShow) override;
    void SetButtonPushed(Button button, bool bPushed) override;
    void SetButtonChecked(Button button, bool bChecked) override;
    void EndDialog(int nResult) override;

  private:
    CProgressCtrl& BarOf(ProgressBar bar) const;
    CButton& ButtonOf(Button button) const;
    // On the dialog's thread: the files the user chose (or that were dropped); empty when none.
    QStringList ChooseFiles(const OpenDialogRequest& request);

    CQtMessageLoop& m_loop;
    IFileSystem& m_files;
    ICommonDialogs& m_dialogs;
    DialogControls m_controls;
    QStringList m_nextOpen; // the dialog's thread's only
};

} // namespace veltrane
