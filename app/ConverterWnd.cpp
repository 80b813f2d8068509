// SPDX-License-Identifier: BSD-3-Clause
#include "app/ConverterWnd.h"

#include "app/AboutDlg.h"
#include "app/Layout.h"
#include "app/Resources.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace veltrane {

namespace {

constexpr unsigned kPushButtonStyle = 0x50000000;  // child, visible, push button
constexpr unsigned kRadioButtonStyle = 0x50000014; // child, visible, radio button
constexpr unsigned kBarStyle = kStyleChild | kStyleVisible;
// The dialog frame's thickness: the layout's W and H are the window's right and bottom edges
// in client coordinates, so they exceed the client area by the right and the bottom frame.
constexpr int kFrameThickness = 3;
constexpr int kIconSize = 32;

QRect ToQRect(const ControlRect& rect) {
    return QRect(QPoint(rect.m_nLeft, rect.m_nTop),
                 QSize(rect.m_nRight - rect.m_nLeft, rect.m_nBottom - rect.m_nTop));
}

// The dropped files, when they all are files of one folder; else nothing.
QStringList DroppedFiles(const QMimeData* pData) {
    QStringList paths;
    for (const QUrl& url : pData->urls()) {
        if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile()) {
            return {};
        }
        paths.push_back(url.toLocalFile());
    }
    return InOneFolder(paths) ? paths : QStringList();
}

} // namespace

CConverterWnd::CConverterWnd(ICommonDialogs& dialogs)
    : CDialog(MainDialogTemplate()), m_hIcon(ProgramIcon()),
      m_ui(m_loop, m_files, dialogs,
           DialogControls{*this,
                          {&m_btnCompress, &m_btnStop, &m_btnExit, &m_btnSave, &m_btnSaveAs},
                          m_prgFile,
                          m_prgTotal,
                          m_stcFile}),
      m_dlg(Platform{m_files, m_environment, m_ui, m_loop}) {
    setAcceptDrops(true);
}

void CConverterWnd::DoDataExchange() {
    DDX_Control(kIdFileLabel, m_stcFile);
}

bool CConverterWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    const QString sAbout = LoadString(IDS_ABOUTBOX);
    if (!sAbout.isEmpty()) {
        GetSystemMenu()->addSeparator();
        GetSystemMenu()->addAction(sAbout)->setData(IDM_ABOUTBOX);
    }
    setWindowIcon(m_hIcon);
    CreateBarsAndButtons();
    m_dlg.OnInitDialog();
    return true;
}

void CConverterWnd::CreateBarsAndButtons() {
    const int nW = width() + kFrameThickness;
    const int nH = height() + kFrameThickness;
    m_prgFile.Create(kBarStyle, GetDlgItem(kIdFileBarFrame)->geometry(), this, kIdProgressBar);
    m_prgTotal.Create(kBarStyle, GetDlgItem(kIdTotalBarFrame)->geometry(), this, kIdProgressBar);
    const ButtonLayout layout = LayoutButtons(nW, nH);
    m_btnCompress.Create("Compress", kPushButtonStyle, ToQRect(layout.m_compress), this,
                         kIdCompress);
    m_btnStop.Create("Stop", kPushButtonStyle, ToQRect(layout.m_stop), this, kIdStop);
    m_btnExit.Create("Exit", kPushButtonStyle, ToQRect(layout.m_exit), this, kIdExit);
    m_btnSave.Create("Save", kRadioButtonStyle, ToQRect(layout.m_save), this, kIdSave);
    m_btnSaveAs.Create("SaveAs", kRadioButtonStyle, ToQRect(layout.m_saveAs), this, kIdSaveAs);
}

void CConverterWnd::OnCommand(int nId) {
    if (!m_dlg.OnCommand(nId)) {
        CDialog::OnCommand(nId);
    }
}

void CConverterWnd::OnSysCommand(unsigned nId, std::intptr_t nLParam) {
    if ((nId & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        dlgAbout.DoModal();
        return;
    }
    CDialog::OnSysCommand(nId, nLParam);
}

void CConverterWnd::OnDestroy() {
    m_dlg.OnDestroy();
}

void CConverterWnd::paintEvent(QPaintEvent* pEvent) {
    if (!isMinimized()) {
        CDialog::paintEvent(pEvent);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const IconPoint at = MinimizedIconPosition(width(), height(), kIconSize, kIconSize);
    m_hIcon.paint(&painter, QRect(at.m_nX, at.m_nY, kIconSize, kIconSize));
}

bool CConverterWnd::StartBatchWith(const QStringList& paths) {
    if (paths.isEmpty() || !m_dlg.IsIdle()) {
        return false;
    }
    m_ui.AnswerNextOpen(paths);
    m_dlg.OnCompress();
    return true;
}

void CConverterWnd::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (m_dlg.IsIdle() && !DroppedFiles(pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
    }
}

void CConverterWnd::dropEvent(QDropEvent* pEvent) {
    if (StartBatchWith(DroppedFiles(pEvent->mimeData()))) {
        pEvent->acceptProposedAction();
    }
}

} // namespace veltrane
