// SPDX-License-Identifier: BSD-3-Clause
// Modal dialogs built from templates, over QDialog: controls placed in dialog units converted
// from the dialog's font, a click routed to OnCommand by the control's id, OK and Cancel ending
// the modal run, and a system menu (shown on a right click, since the window manager owns the
// title bar's) whose entries reach OnSysCommand.
#pragma once

#include "platform/UserInterface.h"

#include <QDialog>
#include <QRect>

#include <cstdint>
#include <map>
#include <vector>

class QFont;
class QLabel;
class QMenu;

namespace veltrane {

class CStatic;

// A font's dialog base units: the average width of its letters and its height, in pixels. A
// horizontal dialog unit is a quarter of the first, a vertical one an eighth of the second.
struct DialogBaseUnits {
    int m_nX = 0;
    int m_nY = 0;
};
DialogBaseUnits BaseUnitsOf(const QFont& font);
// A rectangle in dialog units (left, top, width, height) in pixels, each edge rounded.
QRect MapDialogRect(const QRect& dialogUnits, DialogBaseUnits units);

enum class ControlKind { BlackFrame, Text, GroupBox, Icon, DefPushButton };

// Flags of a template's control.
inline constexpr unsigned kControlVisible = 1;
inline constexpr unsigned kControlCentred = 2;    // text centred on its lines
inline constexpr unsigned kControlClientEdge = 4; // sunken edge

struct ControlTemplate {
    int m_nId; // -1: never addressed
    ControlKind m_kind;
    const char* m_pszText; // UTF-8; for an icon, the Qt resource of its picture
    QRect m_rect;          // dialog units
    unsigned m_nFlags;
};

struct DialogTemplate {
    const char* m_pszCaption;
    int m_nWidth; // dialog units
    int m_nHeight;
    const char* m_pszFont;
    int m_nPointSize;
    std::vector<ControlTemplate> m_controls;
};

class CDialog : public QDialog {
  public:
    // The template must outlive the dialog.
    explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* pParent = nullptr);

    // Builds the template's controls at their size in pixels, then calls OnInitDialog; only
    // the first call does anything. DoModal calls it; a test may call it and show the dialog.
    void Create();
    // Create, the modal run until EndDialog, then OnDestroy. The result given to EndDialog.
    int DoModal();
    void EndDialog(int nResult);

    // The template's control nId; null when there is none.
    QWidget* GetDlgItem(int nId) const;
    DialogBaseUnits BaseUnits() const;
    // Entries appended here (text and id in the action's data) are shown on a right click.
    QMenu* GetSystemMenu() const { return m_pSystemMenu; }
    // A click on the control nId.
    void SendCommand(int nId) { OnCommand(nId); }

  protected:
    // The template's controls exist; attaches them to their objects (DoDataExchange). true:
    // the first control takes the focus; false: the dialog has set the focus itself.
    virtual bool OnInitDialog();
    virtual void DoDataExchange() {}
    void DDX_Control(int nId, CStatic& control);
    // IDOK to OnOK, IDCANCEL to OnCancel; every other id is ignored.
    virtual void OnCommand(int nId);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnSysCommand(unsigned nId, std::intptr_t nLParam);
    // After the modal run, while the controls still exist.
    virtual void OnDestroy() {}

    // Escape, the close box: OnCancel. Enter: the focused push button or the default one, else
    // OnCommand(IDOK).
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void accept() override { OnCommand(IDOK); }
    void reject() override { OnCommand(IDCANCEL); }

  private:
    QWidget* MakeControl(const ControlTemplate& control);

    const DialogTemplate& m_template;
    bool m_bCreated = false;
    std::map<int, QWidget*> m_items;
    QMenu* m_pSystemMenu;
};

} // namespace veltrane
