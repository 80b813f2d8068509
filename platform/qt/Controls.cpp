// SPDX-License-Identifier: BSD-3-Clause
#include "platform/qt/Controls.h"

#include "platform/qt/Dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <climits>

namespace veltrane {

namespace {

// A radio button that a click does not check: the dialog's handler sets the marks.
class CManualRadioButton : public QRadioButton {
  public:
    using QRadioButton::QRadioButton;

  protected:
    void nextCheckState() override {}
};

// A push button whose pushed look is its own state: Qt's down state, which setDown gives, is
// cleared whenever the button loses the focus, while the dialog's look of a batch must hold
// through the open and save dialogs and the message boxes.
class CLookButton : public QPushButton {
  public:
    // As the system's buttons do, a clicked button is drawn normal before its click is handled
    // (this connection comes before the dialog's).
    CLookButton(const QString& sText, QWidget* pParent) : QPushButton(sText, pParent) {
        connect(this, &QAbstractButton::clicked, this, [this] { SetPushedLook(false); });
    }

    void SetPushedLook(bool bPushed) {
        m_bPushedLook = bPushed;
        update();
    }
    // Whether the button is drawn pushed in: its look, or a press of the mouse or the key.
    bool IsDrawnPushed() const { return (LookOption().state & QStyle::State_Sunken) != 0; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        painter.drawControl(QStyle::CE_PushButton, LookOption());
    }

  private:
    QStyleOptionButton LookOption() const {
        QStyleOptionButton option;
        initStyleOption(&option);
        if (m_bPushedLook) {
            option.state |= QStyle::State_Sunken;
            option.state &= ~QStyle::State_Raised;
        }
        return option;
    }

    bool m_bPushedLook = false;
};

QAbstractButton* MakeButton(const QString& sText, unsigned nStyle, QWidget* pParent) {
    if ((nStyle & kStyleButtonType) == kStyleRadioButton) {
        auto* pRadio = new CManualRadioButton(sText, pParent);
        pRadio->setAutoExclusive(false);
        return pRadio;
    }
    auto* pPush = new CLookButton(sText, pParent);
    pPush->setAutoDefault(false); // Enter is the dialog's business, see CDialog
    return pPush;
}

void Place(QWidget* pWidget, unsigned nStyle, const QRect& rect, int nId) {
    pWidget->setGeometry(rect);
    pWidget->setObjectName(QString::number(nId));
    pWidget->setVisible((nStyle & kStyleVisible) != 0);
}

} // namespace

bool CButton::Create(const QString& sText, unsigned nStyle, const QRect& rect, CDialog* pParent,
                     int nId) {
    if (m_pWnd) {
        return false;
    }
    m_pWnd = MakeButton(sText, nStyle, pParent);
    Place(m_pWnd, nStyle, rect, nId);
    QObject::connect(m_pWnd, &QAbstractButton::clicked, pParent,
                     [pParent, nId] { pParent->SendCommand(nId); });
    return true;
}

void CButton::SetState(bool bPushed) {
    if (auto* pPush = dynamic_cast<CLookButton*>(m_pWnd.data())) {
        pPush->SetPushedLook(bPushed);
    } else if (m_pWnd) {
        m_pWnd->setDown(bPushed);
    }
}

bool CButton::GetState() const {
    if (const auto* pPush = dynamic_cast<const CLookButton*>(m_pWnd.data())) {
        return pPush->IsDrawnPushed();
    }
    return m_pWnd && m_pWnd->isDown();
}

void CButton::SetCheck(bool bChecked) {
    if (m_pWnd) {
        m_pWnd->setChecked(bChecked);
    }
}

bool CButton::GetCheck() const {
    return m_pWnd && m_pWnd->isChecked();
}

void CStatic::Attach(QLabel* pLabel) {
    m_pWnd = pLabel;
}

void CStatic::SetWindowText(const QString& sText) {
    if (m_pWnd) {
        m_pWnd->setText(sText);
    }
}

QString CStatic::GetWindowText() const {
    return m_pWnd ? m_pWnd->text() : QString();
}

void CStatic::ShowWindow(bool bShow) {
    if (m_pWnd) {
        m_pWnd->setVisible(bShow);
    }
}

bool CStatic::IsWindowVisible() const {
    return m_pWnd && m_pWnd->isVisible();
}

bool CProgressCtrl::Create(unsigned nStyle, const QRect& rect, CDialog* pParent, int nId) {
    if (m_pWnd) {
        return false;
    }
    m_pWnd = new QProgressBar(pParent);
    m_pWnd->setTextVisible(false);
    Place(m_pWnd, nStyle, rect, nId);
    Show();
    return true;
}

void CProgressCtrl::SetRange(std::uint64_t nUpper) {
    m_nUpper = nUpper;
    m_nPosition = std::min(m_nPosition, m_nUpper);
    Show();
}

void CProgressCtrl::SetStep(std::uint64_t nStep) {
    m_nStep = nStep;
}

void CProgressCtrl::StepIt() {
    SetPos(m_nUpper - m_nPosition < m_nStep ? m_nUpper : m_nPosition + m_nStep);
}

void CProgressCtrl::SetPos(std::uint64_t nPosition) {
    m_nPosition = std::min(nPosition, m_nUpper);
    Show();
}

void CProgressCtrl::Show() {
    if (!m_pWnd) {
        return;
    }
    const auto Scaled = [this](std::uint64_t nValue) {
        if (m_nUpper <= INT_MAX) {
            return static_cast<int>(nValue);
        }
        return static_cast<int>(static_cast<long double>(nValue) * INT_MAX / m_nUpper);
    };
    // A range of 0 to 0 would make the widget show a busy animation instead of an empty bar.
    m_pWnd->setRange(0, std::max(Scaled(m_nUpper), 1));
    m_pWnd->setValue(Scaled(m_nPosition));
}

} // namespace veltrane
