// SPDX-License-Identifier: BSD-3-Clause
// The main dialog as the program shows it, on the offscreen platform: its layout, the about
// box, the ways to close it, and whole batches with the user's dialogs answered in advance.
#include "app/ConverterWnd.h"
#include "app/Layout.h"
#include "app/Resources.h"
#include "tests/app/AnsweredDialogs.h"
#include "tests/support/WavBytes.h"
#include "tests/support/TestFolder.h"

#include <QGroupBox>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace Qt::StringLiterals;

namespace veltrane::test {

namespace {

// What the dialog showed when a file's bar first moved.
struct Snapshot {
    QString m_sLabel;
    bool m_bLabelVisible;
    bool m_bCompressDown;
    bool m_bStopDown;
    bool m_bExitDown;
    std::uint64_t m_nTotalUpper;
};

QStringList Listing(const std::string& sFolder) {
    QStringList names;
    for (const auto& entry : std::filesystem::directory_iterator(sFolder)) {
        names.push_back(QString::fromStdString(entry.path().filename().string()));
    }
    names.sort();
    return names;
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void theTemplateAndTheComputedLayoutDoNotOverlap();
    void theDialogStartsInSaveModeWithTheIdleLooks();
    void theAboutBoxOpensFromTheMenuAndForCommands16To31();
    void escapeEnterAndTheCloseBoxEndTheDialog();
    void aBatchOfTwoFilesMovesTheBarsAndWritesTheFrames();
    void stopInTheMiddleSavesNothingAndLeavesNothing();
    void exitInTheMiddleStopsWaitsAndLeavesNothing();
    void filesDroppedOnTheIdleDialogStartABatch();
    void filesOfTwoFoldersOnTheCommandLineStartNoBatch();
    void thePushedLooksHoldWhileAModalWindowHasTheFocus();

  private:
    QString Source(const std::string& sName, std::size_t nSamples, unsigned nSeed);
    // Records a snapshot whenever a file's bar first moves; runs action then, if given.
    void WatchFileBar(std::function<void()> action = {});

    std::unique_ptr<CTestFolder> m_pFolder;
    std::string m_sSource;
    std::string m_sOut;
    std::unique_ptr<CAnsweredDialogs> m_pDialogs;
    std::unique_ptr<CConverterWnd> m_pWnd;
    std::vector<Snapshot> m_snapshots;
};

void DialogTest::init() {
    m_pFolder = std::make_unique<CTestFolder>();
    m_sSource = m_pFolder->Make("src/");
    m_sOut = m_pFolder->Make("out/");
    std::filesystem::create_directories(m_sSource);
    std::filesystem::create_directories(m_sOut);
    m_pDialogs = std::make_unique<CAnsweredDialogs>();
    m_pWnd = std::make_unique<CConverterWnd>(*m_pDialogs);
    m_snapshots.clear();
}

void DialogTest::cleanup() {
    m_pWnd.reset();
    m_pDialogs.reset();
    m_pFolder.reset();
}

QString DialogTest::Source(const std::string& sName, std::size_t nSamples, unsigned nSeed) {
    WriteBytes(m_sSource + sName, Wav16(Voice(nSamples, nSeed)));
    return QString::fromStdString(m_sSource + sName);
}

void DialogTest::WatchFileBar(std::function<void()> action) {
    CConverterWnd& wnd = *m_pWnd;
    QObject::connect(
        wnd.m_prgFile.Widget(), &QProgressBar::valueChanged, &wnd,
        [this, &wnd, action](int nValue) {
            if (nValue == 0 || (!m_snapshots.empty() &&
                                m_snapshots.back().m_sLabel == wnd.m_stcFile.GetWindowText())) {
                return;
            }
            m_snapshots.push_back({wnd.m_stcFile.GetWindowText(), wnd.m_stcFile.IsWindowVisible(),
                                   wnd.m_btnCompress.GetState(), wnd.m_btnStop.GetState(),
                                   wnd.m_btnExit.GetState(), wnd.m_prgTotal.GetUpper()});
            if (action) {
                action();
            }
        });
}

void DialogTest::theTemplateAndTheComputedLayoutDoNotOverlap() {
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create();
    QCOMPARE(wnd.size(), MapDialogRect(QRect(0, 0, 320, 200), BaseUnitsOf(wnd.font())).size());
    QCOMPARE(wnd.minimumSize(), wnd.maximumSize()); // fixed: no sizing frame
    QVERIFY(!(wnd.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(wnd.windowTitle(), u"Veltrane"_s);
    const ButtonLayout layout = LayoutButtons(wnd.width() + 3, wnd.height() + 3);
    QCOMPARE(wnd.m_btnCompress.Widget()->geometry().topLeft(),
             QPoint(layout.m_compress.m_nLeft, layout.m_compress.m_nTop));
    QCOMPARE(wnd.m_btnSaveAs.Widget()->geometry().right() + 1, layout.m_saveAs.m_nRight);
    QCOMPARE(wnd.m_prgFile.Widget()->geometry(), wnd.GetDlgItem(kIdFileBarFrame)->geometry());
    QCOMPARE(wnd.m_prgTotal.Widget()->geometry(), wnd.GetDlgItem(kIdTotalBarFrame)->geometry());

    // Every visible control lies inside the dialog, and only the group box holds others.
    const auto* pGroup = wnd.findChild<QGroupBox*>();
    QVERIFY(pGroup != nullptr);
    std::vector<QWidget*> controls;
    for (QWidget* pChild : wnd.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!pChild->isHidden() && pChild != pGroup) {
            controls.push_back(pChild);
            QVERIFY2(wnd.rect().contains(pChild->geometry()), qPrintable(pChild->objectName()));
        }
    }
    QCOMPARE(controls.size(), 11u); // 5 buttons, 2 bars, label, note, 2 captions
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const bool bRadio = qobject_cast<QRadioButton*>(controls[i]) != nullptr;
        QCOMPARE(pGroup->geometry().contains(controls[i]->geometry()), bRadio);
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                     qPrintable(controls[i]->objectName() + " " + controls[j]->objectName()));
        }
    }
}

void DialogTest::theDialogStartsInSaveModeWithTheIdleLooks() {
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create();
    wnd.show();
    QVERIFY(wnd.m_btnSave.GetCheck());
    QVERIFY(!wnd.m_btnSaveAs.GetCheck());
    QVERIFY(wnd.Batch().m_bSaveMode);
    QVERIFY(!wnd.m_btnCompress.GetState());
    QVERIFY(wnd.m_btnStop.GetState());
    QVERIFY(!wnd.m_btnExit.GetState());
    QVERIFY(wnd.m_stcFile.IsWindowVisible()); // an empty sunken box
    QVERIFY(wnd.m_stcFile.GetWindowText().isEmpty());
    QVERIFY(!wnd.windowIcon().isNull());
    QTest::mouseClick(wnd.m_btnSaveAs.Widget(), Qt::LeftButton, {}, QPoint(5, 8));
    QVERIFY(!wnd.m_btnSave.GetCheck());
    QVERIFY(wnd.m_btnSaveAs.GetCheck());
    QVERIFY(!wnd.Batch().m_bSaveMode);
    // Stop while idle: the click draws it normal, and it stays so.
    QTest::mouseClick(wnd.m_btnStop.Widget(), Qt::LeftButton);
    QVERIFY(!wnd.m_btnStop.GetState());
    QVERIFY(wnd.Batch().m_bStop);
}

void DialogTest::theAboutBoxOpensFromTheMenuAndForCommands16To31() {
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create();
    wnd.show();
    const QList<QAction*> actions = wnd.GetSystemMenu()->actions();
    QCOMPARE(actions.size(), 2);
    QVERIFY(actions[0]->isSeparator());
    QCOMPARE(actions[1]->text(), u"&About Veltrane..."_s);

    int nOpened = 0;
    const auto closeAboutBox = [&] {
        QTimer::singleShot(0, [&] {
            auto* pAbout = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (pAbout == nullptr) {
                return;
            }
            ++nOpened;
            QCOMPARE(pAbout->windowTitle(), u"About Veltrane"_s);
            QStringList texts;
            bool bIcon = false;
            for (const QLabel* pLabel : pAbout->findChildren<QLabel*>()) {
                texts.push_back(pLabel->text());
                bIcon = bIcon || !pLabel->pixmap().isNull();
            }
            QVERIFY(texts.contains(u"Veltrane Version 1.0"_s));
            QVERIFY(bIcon);
            auto* pOk = pAbout->findChild<QPushButton*>();
            QCOMPARE(pOk->text(), u"OK"_s);
            QVERIFY(pOk->isDefault());
            QTest::keyClick(pAbout, Qt::Key_Escape);
        });
    };
    closeAboutBox();
    actions[1]->trigger();
    for (unsigned nId : {17u, 31u, 32u, 0xF060u}) { // 32 and "close" are not the about box
        closeAboutBox();
        wnd.SendSysCommand(nId);
        QCoreApplication::processEvents(); // a timer left over finds no box
    }
    QCOMPARE(nOpened, 3);
}

void DialogTest::escapeEnterAndTheCloseBoxEndTheDialog() {
    const std::vector<std::pair<std::function<void(CConverterWnd&)>, int>> endings = {
        {[](CConverterWnd& wnd) { QTest::keyClick(&wnd, Qt::Key_Escape); }, IDCANCEL},
        {[](CConverterWnd& wnd) { wnd.close(); }, IDCANCEL},
        {[](CConverterWnd& wnd) { QTest::mouseClick(wnd.m_btnExit.Widget(), Qt::LeftButton); },
         IDCANCEL},
        {[](CConverterWnd& wnd) {
             wnd.m_btnSave.Widget()->setFocus();
             QTest::keyClick(wnd.m_btnSave.Widget(), Qt::Key_Return);
         },
         IDOK},
    };
    for (const auto& [end, nResult] : endings) {
        CConverterWnd wnd(*m_pDialogs);
        QTimer::singleShot(0, &wnd, [&wnd, &end] { end(wnd); });
        QCOMPARE(wnd.DoModal(), nResult);
    }
    // Enter on a focused push button clicks it rather than ending the dialog.
    CConverterWnd wnd(*m_pDialogs);
    QTimer::singleShot(0, &wnd, [&wnd] {
        wnd.m_btnStop.Widget()->setFocus();
        QTest::keyClick(wnd.m_btnStop.Widget(), Qt::Key_Return);
        QVERIFY(wnd.Batch().m_bStop);
        wnd.EndDialog(42);
    });
    QCOMPARE(wnd.DoModal(), 42);
}

void DialogTest::aBatchOfTwoFilesMovesTheBarsAndWritesTheFrames() {
    const QString sA = Source("a.wav", 240 * 130, 31);
    const QString sB = Source("b.wav", 240 * 45 + 7, 32);
    m_pDialogs->AnswerOpen({sA, sB});
    m_pDialogs->AnswerSave(QString::fromStdString(m_sOut) + "x.wrm");
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create();
    wnd.show();
    WatchFileBar();
    QTest::mouseClick(wnd.m_btnCompress.Widget(), Qt::LeftButton);
    QVERIFY(wnd.m_btnCompress.GetState());
    QTRY_VERIFY_WITH_TIMEOUT(wnd.Batch().IsIdle(), 30000);

    QCOMPARE(m_snapshots.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        QCOMPARE(m_snapshots[i].m_sLabel, i == 0 ? sA : sB);
        QVERIFY(m_snapshots[i].m_bLabelVisible);
        QVERIFY(m_snapshots[i].m_bCompressDown);
        QVERIFY(!m_snapshots[i].m_bStopDown);
        QVERIFY(!m_snapshots[i].m_bExitDown);
        QCOMPARE(m_snapshots[i].m_nTotalUpper, 175u); // 130 + 45 frames
    }
    QVERIFY(!wnd.m_stcFile.IsWindowVisible());
    QCOMPARE(wnd.m_prgFile.GetPos(), 0u);
    QCOMPARE(wnd.m_prgTotal.GetPos(), 0u);
    QVERIFY(!wnd.m_btnCompress.GetState());
    QVERIFY(wnd.m_btnStop.GetState());

    QCOMPARE(m_pDialogs->m_openRequests.size(), 1u);
    QCOMPARE(m_pDialogs->m_openRequests[0].m_filters,
             (QStringList{u"Файлы Microsoft PCM (*.wav)"_s, u"Файлы Veltrane(*.wrm)"_s}));
    QCOMPARE(m_pDialogs->m_saveRequests.size(), 1u); // Save mode: only the first file asks
    QCOMPARE(m_pDialogs->m_saveRequests[0].m_sStart, QString::fromStdString(m_sSource) + "a.wrm");
    QVERIFY(m_pDialogs->m_messages.empty());
    QVERIFY(ReadBytes(m_sOut + "x.wrm") == EncodeDirect(Voice(240 * 130, 31)));
    QVERIFY(ReadBytes(m_sOut + "b.wrm") == EncodeDirect(Voice(240 * 45 + 7, 32)));
    QCOMPARE(Listing(m_sSource), (QStringList{u"a.wav"_s, u"b.wav"_s}));
    QCOMPARE(wnd.Files().CurrentDirectory() + "/", m_sOut);
}

void DialogTest::stopInTheMiddleSavesNothingAndLeavesNothing() {
    m_pDialogs->AnswerOpen({Source("a.wav", 240 * 130, 33), Source("b.wav", 240 * 60, 34)});
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create();
    wnd.show();
    bool bStopDrawnNormal = false;
    WatchFileBar([&] {
        if (m_snapshots.size() == 1) {
            QTest::mouseClick(wnd.m_btnStop.Widget(), Qt::LeftButton);
            bStopDrawnNormal = !wnd.m_btnStop.GetState();
        }
    });
    QTest::mouseClick(wnd.m_btnCompress.Widget(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(wnd.Batch().IsIdle(), 30000);
    QVERIFY(bStopDrawnNormal);
    QCOMPARE(m_snapshots.size(), 2u); // b is still started, and cut short
    QVERIFY(m_pDialogs->m_saveRequests.empty());
    QVERIFY(m_pDialogs->m_messages.empty());
    QCOMPARE(Listing(m_sSource), (QStringList{u"a.wav"_s, u"b.wav"_s}));
    QVERIFY(Listing(m_sOut).isEmpty());
    QCOMPARE(wnd.m_prgTotal.GetPos(), 0u);
    QVERIFY(!wnd.m_btnCompress.GetState());
    QVERIFY(wnd.m_btnStop.GetState());
}

void DialogTest::exitInTheMiddleStopsWaitsAndLeavesNothing() {
    m_pDialogs->AnswerOpen({Source("a.wav", 240 * 130, 35), Source("b.wav", 240 * 130, 36)});
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create(); // the modal run's own Create then finds it done
    WatchFileBar([&] {
        if (m_snapshots.size() == 2) { // a is done and waits for the finish step
            QTest::mouseClick(wnd.m_btnExit.Widget(), Qt::LeftButton);
        }
    });
    QTimer::singleShot(0, &wnd,
                       [&wnd] { QTest::mouseClick(wnd.m_btnCompress.Widget(), Qt::LeftButton); });
    QCOMPARE(wnd.DoModal(), IDCANCEL);
    // The worker's last calls were carried out while the dialog waited for it.
    QVERIFY(!wnd.m_stcFile.IsWindowVisible());
    QCOMPARE(wnd.m_prgFile.GetPos(), 0u);
    QVERIFY(wnd.Batch().IsIdle());
    QVERIFY(wnd.Batch().m_ppszFiles.empty());
    QVERIFY(m_pDialogs->m_saveRequests.empty());
    QCOMPARE(Listing(m_sSource), (QStringList{u"a.wav"_s, u"b.wav"_s}));
    QVERIFY(Listing(m_sOut).isEmpty());
}

void DialogTest::filesDroppedOnTheIdleDialogStartABatch() {
    const QString sA = Source("a.wav", 240 * 30, 37);
    const QString sB = Source("b.wav", 240 * 30, 38);
    const QString sElsewhere = QString::fromStdString(m_sOut) + "c.wav";
    WriteBytes(sElsewhere.toStdString(), Wav16(Voice(240 * 30, 39)));
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create();
    wnd.show();
    wnd.m_btnSaveAs.Widget()->click();
    const auto drag = [&wnd](const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& sPath : paths) {
            urls.push_back(QUrl::fromLocalFile(sPath));
        }
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&wnd, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&wnd, &drop);
        return drop.isAccepted();
    };
    QVERIFY(!drag({sA, sElsewhere}));                 // two folders cannot make one batch
    QVERIFY(!drag({QString::fromStdString(m_sOut)})); // a folder is no file
    QVERIFY(wnd.Batch().IsIdle());

    m_pDialogs->AnswerSave(QString::fromStdString(m_sOut) + "a.wrm");
    m_pDialogs->AnswerSave(QString()); // b's dialog cancelled
    QVERIFY(drag({sA, sB}));
    QVERIFY(!wnd.Batch().IsIdle());
    QVERIFY(!drag({sA})); // not while a batch is under way
    QTRY_VERIFY_WITH_TIMEOUT(wnd.Batch().IsIdle(), 30000);
    QVERIFY(m_pDialogs->m_openRequests.empty()); // no open dialog was shown
    QCOMPARE(m_pDialogs->m_saveRequests.size(), 2u);
    QVERIFY(ReadBytes(m_sOut + "a.wrm") == EncodeDirect(Voice(240 * 30, 37)));
    QCOMPARE(Listing(m_sOut), (QStringList{u"a.wrm"_s, u"c.wav"_s}));
    QCOMPARE(Listing(m_sSource), (QStringList{u"a.wav"_s, u"b.wav"_s}));
}

// "veltrane d1/a.wav d2/b.wav" with a b.wav in d1 too: the files are refused as the open
// dialog's answer would be, and d1/b.wav is never converted in d2/b.wav's place.
void DialogTest::filesOfTwoFoldersOnTheCommandLineStartNoBatch() {
    const QString sA = Source("a.wav", 240 * 30, 40);
    Source("b.wav", 240 * 30, 41);
    const std::string sOtherB = m_sOut + "b.wav";
    WriteBytes(sOtherB, Wav16(Voice(240 * 30, 42)));
    CConverterWnd& wnd = *m_pWnd;
    wnd.Create();
    wnd.show();
    QVERIFY(wnd.StartBatchWith({sA, QString::fromStdString(sOtherB)}));
    QTRY_VERIFY_WITH_TIMEOUT(wnd.Batch().IsIdle(), 30000);
    QCoreApplication::processEvents();
    QCOMPARE(m_pDialogs->m_messages.size(), 1u);
    QCOMPARE(m_pDialogs->m_messages[0].m_sText,
             u"The files of one batch must be in one folder.\n"_s +
                 QString::fromStdString(sOtherB));
    QCOMPARE(m_pDialogs->m_messages[0].m_sCaption, u"Error"_s);
    QVERIFY(m_pDialogs->m_openRequests.empty());
    QVERIFY(m_pDialogs->m_saveRequests.empty());
    QCOMPARE(Listing(m_sSource), (QStringList{u"a.wav"_s, u"b.wav"_s}));
    QCOMPARE(Listing(m_sOut), (QStringList{u"b.wav"_s}));
    QVERIFY(!wnd.m_btnCompress.GetState());
    QVERIFY(wnd.m_btnStop.GetState());
}

namespace {

// Dialogs that open a real modal window, which takes the focus from the main dialog, and
// record the looks of Compress and Stop while it is open.
class CModalDialogs : public CAnsweredDialogs {
  public:
    explicit CModalDialogs(CConverterWnd*& pWnd) : m_pWnd(pWnd) {}

    QStringList GetOpenFileNames(QWidget* pParent, const QString& sFolder,
                                 const QStringList& filters,
                                 const QString& sDefaultSuffix) override {
        OpenModalWindow(pParent);
        return CAnsweredDialogs::GetOpenFileNames(pParent, sFolder, filters, sDefaultSuffix);
    }

    void MessageBox(QWidget* pParent, const QString& sText, const QString& sCaption) override {
        OpenModalWindow(pParent);
        CAnsweredDialogs::MessageBox(pParent, sText, sCaption);
    }

    struct Looks {
        bool m_bCompressDown;
        bool m_bStopDown;
        bool m_bFocusAway; // the modal window had taken the focus
    };
    std::vector<Looks> m_looks;

  private:
    void OpenModalWindow(QWidget* pParent) {
        QDialog modal(pParent);
        auto* pButton = new QPushButton(u"OK"_s, &modal);
        pButton->setFocus();
        QTimer::singleShot(0, &modal, [this, &modal] {
            QTRY_VERIFY(modal.isActiveWindow());
            m_looks.push_back({m_pWnd->m_btnCompress.GetState(), m_pWnd->m_btnStop.GetState(),
                               !m_pWnd->isActiveWindow()});
            modal.accept();
        });
        modal.exec();
    }

    CConverterWnd*& m_pWnd;
};

} // namespace

// The looks of a batch (Compress pushed, Stop normal) hold while a modal window (the open
// dialog, a message box) has the focus; the idle look of Stop holds when Tab moves the focus
// through it.
void DialogTest::thePushedLooksHoldWhileAModalWindowHasTheFocus() {
    CConverterWnd* pWnd = nullptr;
    CModalDialogs dialogs(pWnd);
    CConverterWnd wnd(dialogs);
    pWnd = &wnd;
    wnd.Create();
    wnd.show();
    wnd.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&wnd));

    wnd.m_btnStop.Widget()->setFocus();
    QVERIFY(wnd.m_btnStop.Widget()->hasFocus());
    QTest::keyClick(&wnd, Qt::Key_Tab);
    QVERIFY(!wnd.m_btnStop.Widget()->hasFocus());
    QVERIFY(wnd.m_btnStop.GetState());
    QVERIFY(!wnd.m_btnCompress.GetState());

    const std::string sBad = m_sSource + "bad.wav";
    WriteBytes(sBad, Bytes(50, 1)); // its message box opens during the validation
    dialogs.AnswerOpen({Source("a.wav", 240 * 30, 43), QString::fromStdString(sBad)});
    dialogs.AnswerSave(QString::fromStdString(m_sOut) + "a.wrm");
    QTest::mouseClick(wnd.m_btnCompress.Widget(), Qt::LeftButton);
    QVERIFY(wnd.m_btnCompress.Widget()->hasFocus());
    QTRY_VERIFY_WITH_TIMEOUT(wnd.Batch().IsIdle(), 30000);
    QCOMPARE(dialogs.m_looks.size(), 2u); // the open dialog, the message box
    for (const CModalDialogs::Looks& looks : dialogs.m_looks) {
        QVERIFY(looks.m_bFocusAway);
        QVERIFY(looks.m_bCompressDown);
        QVERIFY(!looks.m_bStopDown);
    }
    QVERIFY(!wnd.m_btnCompress.GetState());
    QVERIFY(wnd.m_btnStop.GetState());
    QVERIFY(ReadBytes(m_sOut + "a.wrm") == EncodeDirect(Voice(240 * 30, 43)));
}

} // namespace veltrane::test

QTEST_MAIN(veltrane::test::DialogTest)
#include "DialogTest.moc"
