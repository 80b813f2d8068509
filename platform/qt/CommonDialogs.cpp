// SPDX-License-Identifier: BSD-3-Clause
#include "platform/qt/CommonDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace veltrane {

namespace {

void Configure(QFileDialog& dialog, const QStringList& filters, const QString& sDefaultSuffix,
               bool bQtDialogs) {
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(sDefaultSuffix);
    dialog.setOption(QFileDialog::DontUseNativeDialog, bQtDialogs);
}

} // namespace

QStringList CQtCommonDialogs::GetOpenFileNames(QWidget* pParent, const QString& sFolder,
                                               const QStringList& filters,
                                               const QString& sDefaultSuffix) {
    QFileDialog dialog(pParent, QStringLiteral("Open"), sFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    Configure(dialog, filters, sDefaultSuffix, m_bQtDialogs);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString CQtCommonDialogs::GetSaveFileName(QWidget* pParent, const QString& sProposedPath,
                                          const QStringList& filters,
                                          const QString& sDefaultSuffix) {
    QFileDialog dialog(pParent, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    Configure(dialog, filters, sDefaultSuffix, m_bQtDialogs);
    dialog.selectFile(sProposedPath); // also opens its folder
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().front();
}

void CQtCommonDialogs::MessageBox(QWidget* pParent, const QString& sText, const QString& sCaption) {
    QMessageBox box(QMessageBox::NoIcon, sCaption, sText, QMessageBox::Ok, pParent);
    box.exec();
}

} // namespace veltrane
