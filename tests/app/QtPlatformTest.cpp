// SPDX-License-Identifier: BSD-3-Clause
// The Qt platform layer: the message loop across threads, the controls, the user interface
// over them, and the real file dialogs' configuration.
#include "platform/PosixFileSystem.h"
#include "platform/qt/QtUserInterface.h"
#include "tests/app/AnsweredDialogs.h"
#include "tests/support/TestFolder.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace veltrane::test {

namespace {

const DialogTemplate kTestTemplate{
    "Test", 200, 100, "Sans", 8, {{1015, ControlKind::Text, "", {10, 10, 100, 10}, 1}}};

// A dialog that records the clicks it receives.
class CRecordingDialog : public CDialog {
  public:
    CRecordingDialog() : CDialog(kTestTemplate) {}
    std::vector<int> m_commands;

  protected:
    void OnCommand(int nId) override { m_commands.push_back(nId); }
};

// The controls of a main dialog, on a test dialog.
struct TestControls {
    TestControls() {
        dialog.Create();
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            buttons[i].Create("b", i < 3 ? 0x50000000 : 0x50000014, QRect(0, 0, 40, 20), &dialog,
                              1017 + static_cast<int>(i));
        }
        fileBar.Create(kStyleChild | kStyleVisible, QRect(0, 30, 100, 10), &dialog, 97);
        totalBar.Create(kStyleChild | kStyleVisible, QRect(0, 50, 100, 10), &dialog, 97);
        label.Attach(qobject_cast<QLabel*>(dialog.GetDlgItem(1015)));
    }
    DialogControls Get() {
        return {dialog,
                {&buttons[0], &buttons[1], &buttons[2], &buttons[3], &buttons[4]},
                fileBar,
                totalBar,
                label};
    }

    CRecordingDialog dialog;
    std::array<CButton, 5> buttons;
    CProgressCtrl fileBar;
    CProgressCtrl totalBar;
    CStatic label;
};

// Runs answer on the modal dialog of type T as soon as one is shown.
template <typename T> void AnswerWhenShown(std::function<void(T*)> answer) {
    auto* pTimer = new QTimer;
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, answer = std::move(answer)] {
        if (auto* pDialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            pTimer->stop();
            pTimer->deleteLater();
            answer(pDialog);
        }
    });
    pTimer->start(10);
}

const QStringList kOpenFilters{u"Файлы Microsoft PCM (*.wav)"_s, u"Файлы Veltrane(*.wrm)"_s};

} // namespace

class QtPlatformTest : public QObject {
    Q_OBJECT

  private slots:
    void postedMessagesRunOnTheDialogThreadInPostingOrder();
    void aWorkersCallRunsOnTheDialogThreadWhileTheWorkerWaits();
    void waitingForTheWorkersCarriesOutTheirCalls();
    void aWaitForAWorkerBlockedOnAPipeEndsAtItsLimit();
    void endingTheProcessFlushesAndGivesTheStatus();
    void clicksPushedLooksAndCheckMarks();
    void progressBarsKeepTheirRangeInSixtyFourBits();
    void openAnswersWithTheFilesAndMovesTheCurrentDirectory();
    void saveAnswersWithThePathAndMovesTheCurrentDirectory();
    void theWorkersMessageBoxIsShownOnTheDialogThread();
    void theRealOpenDialogChoosesSeveralFiles();
    void theRealSaveDialogAsksBeforeReplacingAndAddsTheSuffix();
    void theRealMessageBoxHasTheCaptionAndOneOkButton();
};

void QtPlatformTest::postedMessagesRunOnTheDialogThreadInPostingOrder() {
    CQtMessageLoop loop;
    std::vector<unsigned> handled;
    bool bAllOnDialogThread = true;
    loop.SetHandler([&](unsigned nMessage, std::intptr_t, std::intptr_t) {
        handled.push_back(nMessage);
        bAllOnDialogThread = bAllOnDialogThread && loop.OnDialogThread();
    });
    loop.PostMessage(101, 1, 0);
    QCOMPARE(loop.StartThread([&] {
        loop.PostMessage(100, 1, 0);
        loop.PostMessage(99, 0, 0);
    }),
             0);
    loop.WaitForThreads();
    loop.PostMessage(98, 0, 0);
    QVERIFY(handled.empty()); // nothing runs before the dialog's thread handles its events
    QTRY_COMPARE(handled.size(), 4u);
    QCOMPARE(handled, (std::vector<unsigned>{101, 100, 99, 98}));
    QVERIFY(bAllOnDialogThread);
}

void QtPlatformTest::aWorkersCallRunsOnTheDialogThreadWhileTheWorkerWaits() {
    CQtMessageLoop loop;
    int nValue = 0;
    bool bRanOnDialogThread = false;
    std::atomic<int> nSeenByWorker = -1;
    QCOMPARE(loop.StartThread([&] {
        loop.Call([&] {
            bRanOnDialogThread = loop.OnDialogThread();
            nValue = 1;
        });
        nSeenByWorker = nValue;
    }),
             0);
    QTRY_COMPARE(nSeenByWorker.load(), 1);
    QVERIFY(bRanOnDialogThread);
}

// The dialog's thread waits without running its event loop, as it does when it closes during
// a batch: the worker's calls still complete, so neither waits forever.
void QtPlatformTest::waitingForTheWorkersCarriesOutTheirCalls() {
    CQtMessageLoop loop;
    std::vector<int> calls;
    for (int nWorker = 0; nWorker < 2; ++nWorker) {
        QCOMPARE(loop.StartThread([&, nWorker] {
            for (int i = 0; i < 3; ++i) {
                loop.Call([&] { calls.push_back(nWorker); });
            }
        }),
                 0);
    }
    loop.WaitForThreads();
    QCOMPARE(calls.size(), 6u);
}

// A worker that opens a pipe nobody writes to is held there: the bounded wait gives up at its
// limit (carrying out calls meanwhile), and waits again once the pipe is opened.
void QtPlatformTest::aWaitForAWorkerBlockedOnAPipeEndsAtItsLimit() {
    CTestFolder folder;
    const std::string sPipe = folder.Make("pipe");
    QCOMPARE(::mkfifo(sPipe.c_str(), 0600), 0);
    CQtMessageLoop loop;
    int nCalls = 0;
    QCOMPARE(loop.StartThread([&] {
        loop.Call([&] { ++nCalls; });
        const int nFd = ::open(sPipe.c_str(), O_RDONLY | O_CLOEXEC); // held until a writer comes
        ::close(nFd);
    }),
             0);
    const auto start = std::chrono::steady_clock::now();
    QVERIFY(!loop.WaitForThreads(std::chrono::milliseconds(300)));
    const auto waited = std::chrono::steady_clock::now() - start;
    QVERIFY(waited >= std::chrono::milliseconds(300));
    QVERIFY(waited < std::chrono::seconds(3));
    QCOMPARE(nCalls, 1);
    const int nWriter = ::open(sPipe.c_str(), O_WRONLY | O_CLOEXEC);
    QVERIFY(loop.WaitForThreads(std::chrono::seconds(10)));
    ::close(nWriter);
}

void QtPlatformTest::endingTheProcessFlushesAndGivesTheStatus() {
    int anPipe[2];
    QCOMPARE(::pipe(anPipe), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(anPipe[1], STDOUT_FILENO);
        std::fputs("unflushed", stdout);
        CQtMessageLoop loop;
        loop.EndProcess(7);
    }
    ::close(anPipe[1]);
    char ach[32] = {};
    const ssize_t nRead = ::read(anPipe[0], ach, sizeof(ach));
    ::close(anPipe[0]);
    int nStatus = 0;
    QCOMPARE(::waitpid(pid, &nStatus, 0), pid);
    QVERIFY(WIFEXITED(nStatus));
    QCOMPARE(WEXITSTATUS(nStatus), 7);
    QCOMPARE(std::string(ach, static_cast<std::size_t>(std::max<ssize_t>(nRead, 0))),
             std::string("unflushed"));
}

void QtPlatformTest::clicksPushedLooksAndCheckMarks() {
    TestControls controls;
    CButton& push = controls.buttons[0];
    CButton& radio = controls.buttons[3];
    push.SetState(true);
    QVERIFY(push.GetState());
    QTest::mouseClick(push.Widget(), Qt::LeftButton);
    QVERIFY(!push.GetState()); // a click draws the button normal again
    QTest::mouseClick(radio.Widget(), Qt::LeftButton, {}, QPoint(5, 10));
    QVERIFY(!radio.GetCheck()); // only the program moves the mark
    radio.SetCheck(true);
    controls.buttons[4].SetCheck(true);
    QVERIFY(radio.GetCheck()); // not exclusive either
    QCOMPARE(controls.dialog.m_commands, (std::vector<int>{1017, 1020}));
}

void QtPlatformTest::progressBarsKeepTheirRangeInSixtyFourBits() {
    TestControls controls;
    CProgressCtrl& bar = controls.fileBar;
    QCOMPARE(bar.Widget()->maximum(), 100);
    QCOMPARE(bar.Widget()->value(), 0);
    bar.SetRange(50);
    bar.SetStep(20);
    bar.StepIt();
    bar.StepIt();
    bar.StepIt();
    QCOMPARE(bar.GetPos(), 50u); // never beyond the upper bound
    const std::uint64_t nUpper = std::uint64_t{1} << 40;
    bar.SetRange(nUpper);
    bar.SetPos(nUpper / 2);
    QCOMPARE(bar.GetPos(), nUpper / 2);
    QCOMPARE(bar.Widget()->maximum(), INT_MAX);
    QVERIFY(std::abs(bar.Widget()->value() - INT_MAX / 2) <= 1);
    bar.SetRange(0); // empty, not the widget's busy animation
    QCOMPARE(bar.Widget()->value(), 0);
    QVERIFY(bar.Widget()->maximum() > bar.Widget()->minimum());
}

void QtPlatformTest::openAnswersWithTheFilesAndMovesTheCurrentDirectory() {
    CTestFolder folder;
    const QString sRec = QString::fromStdString(folder.Make("rec/"));
    const QString sOther = QString::fromStdString(folder.Make("other/"));
    TestControls controls;
    CQtMessageLoop loop;
    CPosixFileSystem files;
    CAnsweredDialogs dialogs;
    CQtUserInterface ui(loop, files, dialogs, controls.Get());
    dialogs.AnswerOpen({sRec + "a.wav", sRec + "b.WAV"});
    dialogs.AnswerOpen({sRec + "a.wav", sOther + "c.wav"});
    const OpenDialogRequest request{
        {{"Файлы Microsoft PCM (*.wav)", "*.wav"}, {"Raw", "*.raw"}}, "wav", true};

    OpenDialogAnswer answer;
    QVERIFY(ui.ShowOpenDialog(request, &answer));
    std::string sExpected = folder.Path() + "/rec";
    sExpected.append("\0a.wav\0b.WAV\0\0", 14);
    QCOMPARE(answer.m_sBuffer, sExpected);
    QCOMPARE(files.CurrentDirectory(), folder.Path() + "/rec");
    QCOMPARE(dialogs.m_openRequests[0].m_sStart, QDir::currentPath());
    QCOMPARE(dialogs.m_openRequests[0].m_filters,
             (QStringList{u"Файлы Microsoft PCM (*.wav)"_s, u"Raw (*.raw)"_s}));
    QCOMPARE(dialogs.m_openRequests[0].m_sDefaultSuffix, u"wav"_s);

    // Files of two folders cannot make one batch.
    QVERIFY(!ui.ShowOpenDialog(request, &answer));
    QCOMPARE(dialogs.m_messages.size(), 1u);
    QCOMPARE(dialogs.m_messages[0].m_sText,
             "The files of one batch must be in one folder.\n" + sOther + "c.wav");
    QCOMPARE(dialogs.m_messages[0].m_sCaption, u"Error"_s);
    QCOMPARE(dialogs.m_openRequests[1].m_sStart, sRec.chopped(1));

    // Dropped files answer without a dialog.
    ui.AnswerNextOpen({sOther + "c.wav"});
    QVERIFY(ui.ShowOpenDialog(request, &answer));
    QCOMPARE(answer.m_sBuffer, folder.Path() + "/other/c.wav" + '\0');
    QCOMPARE(dialogs.m_openRequests.size(), 2u);
    QCOMPARE(files.CurrentDirectory(), folder.Path() + "/other");
}

void QtPlatformTest::saveAnswersWithThePathAndMovesTheCurrentDirectory() {
    CTestFolder folder;
    const QString sOut = QString::fromStdString(folder.Make("out/"));
    TestControls controls;
    CQtMessageLoop loop;
    CPosixFileSystem files;
    QCOMPARE(files.SetCurrentDirectory(folder.Path()), 0);
    CAnsweredDialogs dialogs;
    CQtUserInterface ui(loop, files, dialogs, controls.Get());
    dialogs.AnswerSave(sOut + "x.wrm");
    const SaveDialogRequest request{{{"Veltrane (*.wrm)", "*.wrm"}}, "wrm", "a.wrm"};
    std::string sPath;
    QVERIFY(ui.ShowSaveDialog(request, &sPath));
    QCOMPARE(sPath, folder.Path() + "/out/x.wrm");
    QCOMPARE(files.CurrentDirectory(), folder.Path() + "/out");
    QCOMPARE(dialogs.m_saveRequests[0].m_sStart, QString::fromStdString(folder.Path() + "/a.wrm"));
    QCOMPARE(dialogs.m_saveRequests[0].m_filters, QStringList{u"Veltrane (*.wrm)"_s});
    QCOMPARE(dialogs.m_saveRequests[0].m_sDefaultSuffix, u"wrm"_s);
    QVERIFY(!ui.ShowSaveDialog(request, &sPath)); // no answer left: cancelled
    QCOMPARE(files.CurrentDirectory(), folder.Path() + "/out");
}

void QtPlatformTest::theWorkersMessageBoxIsShownOnTheDialogThread() {
    TestControls controls;
    CQtMessageLoop loop;
    CPosixFileSystem files;
    CAnsweredDialogs dialogs;
    CQtUserInterface ui(loop, files, dialogs, controls.Get());
    QCOMPARE(loop.StartThread([&] {
        ui.ShowMessageBox("No such file or directory\n/x.wav", "Error");
        ui.SetLabelText("/x.wav");
        ui.StepBar(ProgressBar::Total);
    }),
             0);
    loop.WaitForThreads();
    QCOMPARE(dialogs.m_messages.size(), 1u);
    QVERIFY(dialogs.m_messages[0].m_bOnDialogThread);
    QCOMPARE(controls.label.GetWindowText(), u"/x.wav"_s);
    QCOMPARE(controls.totalBar.GetPos(), 10u); // a new bar steps by 10
}

void QtPlatformTest::theRealOpenDialogChoosesSeveralFiles() {
    CTestFolder folder;
    const QString sFolder = QString::fromStdString(folder.Path());
    WriteBytes(folder.Make("a.wav"), {1});
    WriteBytes(folder.Make("b.wav"), {2});
    CQtCommonDialogs dialogs(true);
    bool bChecked = false;
    AnswerWhenShown<QFileDialog>([&](QFileDialog* pDialog) {
        QCOMPARE(pDialog->windowTitle(), u"Open"_s);
        QCOMPARE(pDialog->fileMode(), QFileDialog::ExistingFiles);
        QCOMPARE(pDialog->nameFilters(), kOpenFilters);
        QCOMPARE(pDialog->selectedNameFilter(), kOpenFilters.front());
        QCOMPARE(pDialog->defaultSuffix(), u"wav"_s);
        QCOMPARE(pDialog->directory().absolutePath(), sFolder);
        QVERIFY(pDialog->testOption(QFileDialog::DontUseNativeDialog));
        pDialog->findChild<QLineEdit*>("fileNameEdit")->setText(u"\"a.wav\" \"b\""_s);
        bChecked = true;
        static_cast<QDialog*>(pDialog)->accept(); // QFileDialog::accept is protected
    });
    const QStringList chosen = dialogs.GetOpenFileNames(nullptr, sFolder, kOpenFilters, "wav");
    QVERIFY(bChecked);
    QCOMPARE(chosen, (QStringList{sFolder + "/a.wav", sFolder + "/b.wav"}));
}

void QtPlatformTest::theRealSaveDialogAsksBeforeReplacingAndAddsTheSuffix() {
    CTestFolder folder;
    const QString sFolder = QString::fromStdString(folder.Path());
    WriteBytes(folder.Make("a.wrm"), {1});
    CQtCommonDialogs dialogs(true);
    QString sQuestion;
    AnswerWhenShown<QFileDialog>([&](QFileDialog* pDialog) {
        QCOMPARE(pDialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(pDialog->defaultSuffix(), u"wrm"_s);
        QCOMPARE(pDialog->findChild<QLineEdit*>("fileNameEdit")->text(), u"a.wrm"_s);
        AnswerWhenShown<QMessageBox>([&](QMessageBox* pBox) {
            sQuestion = pBox->text();
            pBox->button(QMessageBox::Yes)->click();
        });
        static_cast<QDialog*>(pDialog)->accept(); // QFileDialog::accept is protected
    });
    QCOMPARE(dialogs.GetSaveFileName(nullptr, sFolder + "/a.wrm", {u"Veltrane (*.wrm)"_s}, "wrm"),
             sFolder + "/a.wrm");
    QVERIFY(sQuestion.contains(u"a.wrm"_s));

    // A name without a suffix gets the default one. (It is proposed rather than typed: the
    // dialog may still put its proposal into the name field once it has read the folder.)
    AnswerWhenShown<QFileDialog>(
        [](QFileDialog* pDialog) { static_cast<QDialog*>(pDialog)->accept(); });
    QCOMPARE(dialogs.GetSaveFileName(nullptr, sFolder + "/new", {u"Veltrane (*.wrm)"_s}, "wrm"),
             sFolder + "/new.wrm");
}

void QtPlatformTest::theRealMessageBoxHasTheCaptionAndOneOkButton() {
    CQtCommonDialogs dialogs(true);
    bool bChecked = false;
    AnswerWhenShown<QMessageBox>([&](QMessageBox* pBox) {
        QCOMPARE(pBox->windowTitle(), u"Error"_s);
        QCOMPARE(pBox->text(), u"Access denied\n/x.wav"_s);
        QCOMPARE(pBox->buttons().size(), 1);
        bChecked = true;
        pBox->button(QMessageBox::Ok)->click();
    });
    dialogs.MessageBox(nullptr, "Access denied\n/x.wav", "Error");
    QVERIFY(bChecked);
}

} // namespace veltrane::test

QTEST_MAIN(veltrane::test::QtPlatformTest)
#include "QtPlatformTest.moc"
