// SPDX-License-Identifier: BSD-3-Clause
// Dialogs answered in advance by a test: each open or save dialog takes the next answer (an
// empty answer, or none left, is a cancel), and every request and message box is recorded.
#pragma once

#include "platform/qt/CommonDialogs.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QThread>

#include <deque>
#include <vector>

namespace veltrane::test {

struct DialogRequest {
    QString m_sStart; // the open dialog's folder, or the save dialog's proposed path
    QStringList m_filters;
    QString m_sDefaultSuffix;
};

struct ShownMessage {
    QString m_sText;
    QString m_sCaption;
    bool m_bOnDialogThread; // the thread of the application object
};

class CAnsweredDialogs : public ICommonDialogs {
  public:
    void AnswerOpen(const QStringList& paths) { m_openAnswers.push_back(paths); }
    void AnswerSave(const QString& sPath) { m_saveAnswers.push_back(sPath); }

    QStringList GetOpenFileNames(QWidget*, const QString& sFolder, const QStringList& filters,
                                 const QString& sDefaultSuffix) override {
        m_openRequests.push_back({sFolder, filters, sDefaultSuffix});
        return Next(m_openAnswers);
    }

    QString GetSaveFileName(QWidget*, const QString& sProposedPath, const QStringList& filters,
                            const QString& sDefaultSuffix) override {
        m_saveRequests.push_back({sProposedPath, filters, sDefaultSuffix});
        return Next(m_saveAnswers);
    }

    void MessageBox(QWidget*, const QString& sText, const QString& sCaption) override {
        m_messages.push_back(
            {sText, sCaption, QThread::currentThread() == QCoreApplication::instance()->thread()});
    }

    std::vector<DialogRequest> m_openRequests;
    std::vector<DialogRequest> m_saveRequests;
    std::vector<ShownMessage> m_messages;

  private:
    template <typename T> static T Next(std::deque<T>& answers) {
        if (answers.empty()) {
            return T();
        }
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<QStringList> m_openAnswers;
    std::deque<QString> m_saveAnswers;
};

} // namespace veltrane::test
