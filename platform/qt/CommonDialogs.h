// SPDX-License-Identifier: BSD-3-Clause
// The modal dialogs that the user answers: the open and save dialogs and the message box. The
// real ones are Qt's; tests put their own answers in their place.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace veltrane {

class ICommonDialogs {
  public:
    virtual ~ICommonDialogs() = default;

    // The chosen existing files, full paths in the dialog's order; empty when cancelled. It
    // starts in sFolder with the first filter.
    virtual QStringList GetOpenFileNames(QWidget* pParent, const QString& sFolder,
                                         const QStringList& filters,
                                         const QString& sDefaultSuffix) = 0;
    // The chosen full path, the user having agreed to replace a file of that name; empty when
    // cancelled. It proposes sProposedPath (folder and name).
    virtual QString GetSaveFileName(QWidget* pParent, const QString& sProposedPath,
                                    const QStringList& filters, const QString& sDefaultSuffix) = 0;
    // A modal box with one OK button.
    virtual void MessageBox(QWidget* pParent, const QString& sText, const QString& sCaption) = 0;
};

class CQtCommonDialogs : public ICommonDialogs {
  public:
    // bQtDialogs: Qt's own file dialogs rather than the desktop's (which may go through a
    // portal).
    explicit CQtCommonDialogs(bool bQtDialogs) : m_bQtDialogs(bQtDialogs) {}

    QStringList GetOpenFileNames(QWidget* pParent, const QString& sFolder,
                                 const QStringList& filters,
                                 const QString& sDefaultSuffix) override;
    QString GetSaveFileName(QWidget* pParent, const QString& sProposedPath,
                            const QStringList& filters, const QString& sDefaultSuffix) override;
    void MessageBox(QWidget* pParent, const QString& sText, const QString& sCaption) override;

  private:
    bool m_bQtDialogs;
};

} // namespace veltrane
