// SPDX-License-Identifier: BSD-3-Clause
// The main dialog's window: template 102 with the buttons and progress bars placed from its
// size, the controls that the batch (CConverterDlg) moves, the about entry of its menu, its
// minimized icon, and files dropped on it. The batch's logic is in CConverterDlg; this class
// gives it its platform and hands it the clicks.
#pragma once

#include "dialog/ConverterDlg.h"
#include "platform/PosixFileSystem.h"
#include "platform/qt/CommonDialogs.h"
#include "platform/qt/Controls.h"
#include "platform/qt/Dialog.h"
#include "platform/qt/QtMessageLoop.h"
#include "platform/qt/QtUserInterface.h"

#include <QIcon>

namespace veltrane {

class CConverterWnd : public CDialog {
  public:
    // dialogs: the open and save dialogs and message boxes that the user answers.
    explicit CConverterWnd(ICommonDialogs& dialogs);

    // Starts a batch with these files as if they had been chosen in the open dialog: files of
    // several folders are refused there with its message. false when a batch is under way
    // (nothing happens then).
    bool StartBatchWith(const QStringList& paths);
    void SendSysCommand(unsigned nId) { OnSysCommand(nId, 0); }
    CConverterDlg& Batch() { return m_dlg; }
    IFileSystem& Files() { return m_files; }

    CButton m_btnCompress;
    CButton m_btnStop;
    CButton m_btnExit;
    CButton m_btnSave;
    CButton m_btnSaveAs;
    CStatic m_stcFile;
    CProgressCtrl m_prgFile;
    CProgressCtrl m_prgTotal;
    QIcon m_hIcon;

  protected:
    bool OnInitDialog() override;
    void DoDataExchange() override;
    void OnCommand(int nId) override;
    void OnSysCommand(unsigned nId, std::intptr_t nLParam) override;
    void OnDestroy() override;
    // OnPaint: the icon, centred, while minimized.
    void paintEvent(QPaintEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

  private:
    void CreateBarsAndButtons();

    // Declared after the controls, so that the batch, which may still wait for its worker
    // when it is destroyed, goes before them.
    CPosixFileSystem m_files;
    CPosixEnvironment m_environment;
    CQtMessageLoop m_loop;
    CQtUserInterface m_ui;
    CConverterDlg m_dlg;
};

} // namespace veltrane
