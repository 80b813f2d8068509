// SPDX-License-Identifier: BSD-3-Clause
// Renders the main dialog while it converts a WAV file, into a PNG: the picture of the dialog
// in the documentation. Usage: dialog_screenshot FILE.wav OUT.png (under a display, e.g.
// xvfb-run).
#include "app/ConverterWnd.h"
#include "app/Resources.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace veltrane {
namespace {

// Answers the open dialog with the one file and cancels every save dialog.
class CScreenshotDialogs : public ICommonDialogs {
  public:
    explicit CScreenshotDialogs(QString sPath) : m_sPath(std::move(sPath)) {}
    QStringList GetOpenFileNames(QWidget*, const QString&, const QStringList&,
                                 const QString&) override {
        return {m_sPath};
    }
    QString GetSaveFileName(QWidget*, const QString&, const QStringList&, const QString&) override {
        return {};
    }
    void MessageBox(QWidget*, const QString& sText, const QString&) override {
        std::fprintf(stderr, "%s\n", qPrintable(sText));
    }

  private:
    QString m_sPath;
};

int Run(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: dialog_screenshot FILE.wav OUT.png\n", stderr);
        return 1;
    }
    QApplication::setWindowIcon(ProgramIcon());
    CScreenshotDialogs dialogs(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    CConverterWnd wnd(dialogs);
    wnd.Create();
    const QString sOut = QString::fromLocal8Bit(argv[2]);
    bool bSaved = false;
    // Half-way through the file the picture is taken, on the dialog's thread while the worker
    // waits for its step of the bar.
    QObject::connect(wnd.m_prgFile.Widget(), &QProgressBar::valueChanged, &wnd, [&](int nValue) {
        if (!bSaved && nValue * 2 >= wnd.m_prgFile.Widget()->maximum()) {
            bSaved = true;
            QCoreApplication::processEvents();
            bSaved = wnd.grab().save(sOut);
            wnd.EndDialog(IDCANCEL);
        }
    });
    QTimer::singleShot(100, &wnd, [&wnd] { wnd.m_btnCompress.Widget()->click(); });
    wnd.DoModal();
    if (!bSaved) {
        std::fputs("dialog_screenshot: no picture taken\n", stderr);
        return 1;
    }
    return 0;
}

} // namespace
} // namespace veltrane

int main(int argc, char** argv) {
    return veltrane::Run(argc, argv);
}
