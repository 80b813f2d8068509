// SPDX-License-Identifier: BSD-3-Clause
// The dialog's controls over Qt Widgets, with the operations the conversion uses: a push
// button that can be drawn pushed in without being held down, a radio button whose check mark
// only the program moves, a label, and a progress bar whose range is not cut to the widget's
// int.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QRect>
#include <QString>

#include <cstdint>

namespace veltrane {

class CDialog;

// Styles understood by Create: the window bits and the button type in the low four bits.
inline constexpr unsigned kStyleChild = 0x40000000;
inline constexpr unsigned kStyleVisible = 0x10000000;
inline constexpr unsigned kStyleButtonType = 0xF;
inline constexpr unsigned kStyleRadioButton = 0x4;

class CButton {
  public:
    // A push button, or a radio button when the style's button type is kStyleRadioButton, on
    // rect of pParent's client area; a click reaches pParent's OnCommand with nId. false when
    // the button already exists.
    bool Create(const QString& sText, unsigned nStyle, const QRect& rect, CDialog* pParent,
                int nId);
    // Drawn pushed in, or normal, without being held down; the look holds whatever the focus
    // does. The platform draws a clicked push button normal again before its click is handled.
    void SetState(bool bPushed);
    // Whether the button is drawn pushed in.
    bool GetState() const;
    // The check mark of a radio button; a click never changes it.
    void SetCheck(bool bChecked);
    bool GetCheck() const;
    QAbstractButton* Widget() const { return m_pWnd; }

  private:
    QPointer<QAbstractButton> m_pWnd;
};

class CStatic {
  public:
    // The label of the dialog's template that this object drives.
    void Attach(QLabel* pLabel);
    void SetWindowText(const QString& sText);
    QString GetWindowText() const;
    void ShowWindow(bool bShow);
    bool IsWindowVisible() const;
    QLabel* Widget() const { return m_pWnd; }

  private:
    QPointer<QLabel> m_pWnd;
};

// A bar from 0 to its upper bound, 0 to 100 with the position 0 when created. Positions are
// kept in 64 bits and shown in proportion when the range exceeds what the widget holds.
class CProgressCtrl {
  public:
    bool Create(unsigned nStyle, const QRect& rect, CDialog* pParent, int nId);
    void SetRange(std::uint64_t nUpper);
    void SetStep(std::uint64_t nStep);
    // position += step, up to the upper bound.
    void StepIt();
    void SetPos(std::uint64_t nPosition);
    std::uint64_t GetPos() const { return m_nPosition; }
    std::uint64_t GetUpper() const { return m_nUpper; }
    QProgressBar* Widget() const { return m_pWnd; }

  private:
    void Show();

    QPointer<QProgressBar> m_pWnd;
    std::uint64_t m_nUpper = 100;
    std::uint64_t m_nStep = 10;
    std::uint64_t m_nPosition = 0;
};

} // namespace veltrane
