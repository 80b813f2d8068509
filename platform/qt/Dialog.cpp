// SPDX-License-Identifier: BSD-3-Clause
#include "platform/qt/Dialog.h"

#include "platform/qt/Controls.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <cmath>

namespace veltrane {

namespace {

// n × nNumerator / nDenominator, rounded to the nearest.
int MulDiv(int n, int nNumerator, int nDenominator) {
    return static_cast<int>(std::lround(static_cast<double>(n) * nNumerator / nDenominator));
}

QLabel* MakeText(const ControlTemplate& control, QWidget* pParent) {
    auto* pLabel = new QLabel(QString::fromUtf8(control.m_pszText), pParent);
    pLabel->setWordWrap(true);
    pLabel->setTextFormat(Qt::PlainText);
    pLabel->setAlignment(Qt::AlignTop |
                         ((control.m_nFlags & kControlCentred) ? Qt::AlignHCenter : Qt::AlignLeft));
    if (control.m_nFlags & kControlClientEdge) {
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setWordWrap(false);
        pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return pLabel;
}

} // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    // The average over the letters, as the system's dialog manager measures it.
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    const int nWidth = metrics.horizontalAdvance(kLetters);
    return DialogBaseUnits{(nWidth / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const QRect& dialogUnits, DialogBaseUnits units) {
    const int nLeft = MulDiv(dialogUnits.left(), units.m_nX, 4);
    const int nTop = MulDiv(dialogUnits.top(), units.m_nY, 8);
    const int nRight = MulDiv(dialogUnits.left() + dialogUnits.width(), units.m_nX, 4);
    const int nBottom = MulDiv(dialogUnits.top() + dialogUnits.height(), units.m_nY, 8);
    return QRect(nLeft, nTop, nRight - nLeft, nBottom - nTop);
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* pParent)
    : QDialog(pParent), m_template(dialogTemplate), m_pSystemMenu(new QMenu(this)) {
    // A fixed frame with a caption and a close box: no minimize, maximize or help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QObject::connect(m_pSystemMenu, &QMenu::triggered, this,
                     [this](QAction* pAction) { OnSysCommand(pAction->data().toUInt(), 0); });
}

DialogBaseUnits CDialog::BaseUnits() const {
    return BaseUnitsOf(font());
}

void CDialog::Create() {
    if (m_bCreated) {
        return;
    }
    m_bCreated = true;
    setWindowTitle(QString::fromUtf8(m_template.m_pszCaption));
    setFont(QFont(QString::fromUtf8(m_template.m_pszFont), m_template.m_nPointSize));
    setFixedSize(
        MapDialogRect(QRect(0, 0, m_template.m_nWidth, m_template.m_nHeight), BaseUnits()).size());
    for (const ControlTemplate& control : m_template.m_controls) {
        QWidget* pWidget = MakeControl(control);
        pWidget->setGeometry(MapDialogRect(control.m_rect, BaseUnits()));
        if (control.m_kind == ControlKind::Icon) {
            pWidget->resize(pWidget->sizeHint()); // an icon control takes its picture's size
        }
        pWidget->setVisible((control.m_nFlags & kControlVisible) != 0);
        if (control.m_nId != -1) {
            pWidget->setObjectName(QString::number(control.m_nId));
            m_items[control.m_nId] = pWidget;
        }
    }
    // Qt gives the focus to the first control that takes it when the dialog is shown, which is
    // what a true result asks for; a dialog that sets the focus itself returns false.
    OnInitDialog();
}

QWidget* CDialog::MakeControl(const ControlTemplate& control) {
    switch (control.m_kind) {
    case ControlKind::BlackFrame: {
        auto* pFrame = new QFrame(this);
        pFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
        return pFrame;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(QString::fromUtf8(control.m_pszText), this);
    case ControlKind::Icon: {
        auto* pIcon = new QLabel(this);
        pIcon->setPixmap(QPixmap(QString::fromUtf8(control.m_pszText)));
        pIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return pIcon;
    }
    case ControlKind::DefPushButton: {
        auto* pButton = new QPushButton(QString::fromUtf8(control.m_pszText), this);
        pButton->setDefault(true);
        QObject::connect(pButton, &QPushButton::clicked, this,
                         [this, nId = control.m_nId] { OnCommand(nId); });
        return pButton;
    }
    case ControlKind::Text:
        break;
    }
    return MakeText(control, this);
}

int CDialog::DoModal() {
    Create();
    const int nResult = exec();
    OnDestroy();
    return nResult;
}

void CDialog::EndDialog(int nResult) {
    done(nResult);
}

QWidget* CDialog::GetDlgItem(int nId) const {
    const auto it = m_items.find(nId);
    return it == m_items.end() ? nullptr : it->second;
}

bool CDialog::OnInitDialog() {
    DoDataExchange();
    return true;
}

void CDialog::DDX_Control(int nId, CStatic& control) {
    control.Attach(qobject_cast<QLabel*>(GetDlgItem(nId)));
}

void CDialog::OnCommand(int nId) {
    if (nId == IDOK) {
        OnOK();
    } else if (nId == IDCANCEL) {
        OnCancel();
    }
}

void CDialog::OnSysCommand(unsigned, std::intptr_t) {}

void CDialog::keyPressEvent(QKeyEvent* pEvent) {
    const bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (!bEnter || pEvent->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(pEvent); // Escape ends in reject, hence OnCancel
        return;
    }
    if (auto* pFocused = qobject_cast<QPushButton*>(focusWidget())) {
        pFocused->click();
        return;
    }
    for (QPushButton* pButton : findChildren<QPushButton*>()) {
        if (pButton->isDefault() && pButton->isVisible()) {
            pButton->click();
            return;
        }
    }
    OnCommand(IDOK);
}

void CDialog::contextMenuEvent(QContextMenuEvent* pEvent) {
    if (!m_pSystemMenu->isEmpty()) {
        m_pSystemMenu->exec(pEvent->globalPos());
    }
}

} // namespace veltrane
