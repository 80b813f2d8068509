// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WavHeader.h"
#include "tests/support/BatchTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <future>
#include <thread>

namespace veltrane::test {
namespace {

std::vector<std::string> JobEvents(const std::string& sPath, int nTotal, int nChunks, int nRest) {
    std::vector<std::string> events = {"Label.Text " + sPath, "Label.Show",
                                       "FileBar.Range " + std::to_string(nTotal), "FileBar.Step 20",
                                       "TotalBar.Step 20"};
    for (int i = 0; i < nChunks; ++i) {
        events.insert(events.end(), {"FileBar.StepIt", "TotalBar.StepIt"});
    }
    events.insert(events.end(), {"TotalBar.Step " + std::to_string(nRest), "TotalBar.StepIt",
                                 "FileBar.Position 0", "Label.Hide"});
    return events;
}

// A whole batch driven by its messages, with a real worker thread per file.
class ControllerTest : public BatchTest {
  protected:
    void SetUp() override { MakeSourceAndOut(); }

    void Compress() {
        m_dlg.OnCompress();
        m_platform.Loop().Run();
    }

    std::string Source(const std::string& sName, const std::vector<std::int16_t>& samples) {
        return Put("src/" + sName, Wav16(samples));
    }

    void ExpectIdleAndReleased() {
        EXPECT_FALSE(m_ui.Pushed(Button::Compress));
        EXPECT_TRUE(m_ui.Pushed(Button::Stop));
        ExpectReleased();
    }

    void ExpectReleased() {
        EXPECT_TRUE(m_dlg.IsIdle());
        EXPECT_TRUE(m_dlg.m_pszSourceDir.empty());
        EXPECT_TRUE(m_dlg.m_pszTempDir.empty());
        EXPECT_TRUE(m_dlg.m_ppszFiles.empty());
        EXPECT_TRUE(m_dlg.m_pnBlockAlign.empty());
        EXPECT_TRUE(m_dlg.m_pnDataOffset.empty());
        EXPECT_TRUE(m_dlg.m_pnDataBytes.empty());
    }

    const std::vector<std::int16_t> m_a = Voice(240 * 30, 21);
    const std::vector<std::int16_t> m_c = Voice(240 * 25 + 7, 22);
};

TEST_F(ControllerTest, TheDialogStartsInSaveModeAndEachButtonReachesItsHandler) {
    m_dlg.OnInitDialog();
    EXPECT_EQ(m_ui.Events(),
              (std::vector<std::string>{"Save.Checked 1", "SaveAs.Checked 0", "Compress.Pushed 0",
                                        "Stop.Pushed 1", "Exit.Pushed 0"}));
    EXPECT_TRUE(m_dlg.m_bSaveMode);
    const std::size_t nStart = EventCount();
    for (int nId : {kIdSaveAs, kIdSave, kIdStop, kIdCompress, kIdExit}) {
        EXPECT_TRUE(m_dlg.OnCommand(nId));
    }
    EXPECT_FALSE(m_dlg.OnCommand(IDOK)); // the dialog's own default
    EXPECT_EQ(Tail(m_ui.Events(), nStart),
              (std::vector<std::string>{"Save.Checked 0", "SaveAs.Checked 1", "Save.Checked 1",
                                        "SaveAs.Checked 0", "TotalBar.Position 0",
                                        "Compress.Pushed 1", "Stop.Pushed 0", "EndDialog 2"}));
    EXPECT_EQ(m_platform.Loop().Pending(), (std::vector<PostedMessage>{{MSG_OPEN_FILES, 1, 0}}));
}

TEST_F(ControllerTest, ABatchInSaveModeFromCompressToTheLastFile) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sBad = Put("src/bad.wav", Bytes(50, 1));
    const std::string sC = Source("c.wav", m_c);
    m_dlg.OnSave();
    m_ui.AnswerOpen({sA, sBad, sC});
    m_ui.AnswerSave(m_sOut + "x.wrm");
    Compress();
    std::vector<std::string> expected = {
        "Save.Checked 1",    "SaveAs.Checked 0",
        "Compress.Pushed 1", "Stop.Pushed 0",
        "OpenDialog",        "MessageBox Error: " + std::string(kMsgNotWav) + sBad,
        "TotalBar.Range 55"};
    for (const auto& job : {JobEvents(sA, 30, 1, 10), JobEvents(sC, 25, 1, 5)}) {
        expected.insert(expected.end(), job.begin(), job.end());
    }
    expected.insert(expected.end(), {"Compress.Pushed 0", "Stop.Pushed 1", "TotalBar.Position 0",
                                     "SaveDialog a.wrm"});
    EXPECT_EQ(m_ui.Events(), expected);
    EXPECT_TRUE(ReadBytes(m_sOut + "x.wrm") == EncodeDirect(m_a));
    EXPECT_TRUE(ReadBytes(m_sOut + "c.wrm") == EncodeDirect(m_c));
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wav", "bad.wav", "c.wav"}));
    EXPECT_EQ(m_platform.Loop().Posted(), (std::vector<PostedMessage>{{MSG_OPEN_FILES, 1, 0},
                                                                      {MSG_VALIDATE_FILES, 1, 0},
                                                                      {MSG_ENCODE_NEXT, 0, 0},
                                                                      {MSG_ENCODE_NEXT, 0, 0},
                                                                      {MSG_ENCODE_NEXT, 0, 0}}));
    EXPECT_EQ(m_platform.Loop().ThreadsStarted(), 2);
    EXPECT_EQ(m_dlg.m_nCurrent, 2);
    ExpectIdleAndReleased();
}

// Stop during file 1 of 3: files 1 and 2 are cut short, nothing is saved, and no temporary
// file is left, not even file 0's, which was finished before the stop.
TEST_F(ControllerTest, StopDuringTheSecondOfThreeFilesLeavesNoFileBehind) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sB = Source("b.wav", Voice(240 * 45, 23));
    const std::string sC = Source("c.wav", m_a);
    bool bInB = false;
    m_ui.SetHook([&](const std::string& sEvent) {
        if (sEvent == "Label.Text " + sB) {
            bInB = true;
        } else if (bInB && sEvent == "FileBar.StepIt") {
            bInB = false;
            m_dlg.OnStop(); // the click, while b's first chunk is encoded
        }
    });
    m_dlg.OnSaveAs();
    m_ui.AnswerOpen({sA, sB, sC});
    Compress();
    const std::vector<std::string> events = m_ui.Events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& s) {
                                return s.starts_with("SaveDialog") || s.starts_with("MessageBox");
                            }),
              0);
    EXPECT_EQ(m_platform.Loop().ThreadsStarted(), 3);
    // b: one chunk (then the stop), its rest; c: its first chunk and its rest.
    const auto itB = std::find(events.begin(), events.end(), "Label.Text " + sB);
    const std::vector<std::string> fromB(itB, events.end());
    std::vector<std::string> expected = {
        "Label.Text " + sB, "Label.Show",      "FileBar.Range 45",    "FileBar.Step 20",
        "TotalBar.Step 20", "FileBar.StepIt",  "TotalBar.Position 0", "TotalBar.StepIt",
        "TotalBar.Step 5",  "TotalBar.StepIt", "FileBar.Position 0",  "Label.Hide"};
    const std::vector<std::string> jobC = JobEvents(sC, 30, 1, 10);
    expected.insert(expected.end(), jobC.begin(), jobC.end());
    expected.insert(expected.end(), {"Compress.Pushed 0", "Stop.Pushed 1", "TotalBar.Position 0"});
    EXPECT_EQ(fromB, expected);
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    EXPECT_TRUE(Listing(m_sOut).empty());
    EXPECT_TRUE(m_dlg.m_bStop);
    ExpectIdleAndReleased();
}

// Stop while idle resets the batch bar and leaves the request standing; the next Compress
// clears it before its selection starts.
TEST_F(ControllerTest, StopWhileIdleIsClearedByTheNextCompress) {
    m_dlg.OnStop();
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{"TotalBar.Position 0"}));
    EXPECT_TRUE(m_dlg.m_bStop);
    EXPECT_TRUE(m_dlg.IsIdle());
    bool bStopAtSelection = true;
    m_ui.SetHook([&](const std::string& sEvent) {
        if (sEvent == "OpenDialog") {
            bStopAtSelection = m_dlg.m_bStop;
        }
    });
    m_ui.CancelOpen();
    Compress();
    EXPECT_FALSE(bStopAtSelection);
}

// A second Stop in the same batch resets the bar again and changes nothing else: the batch
// ends as after one Stop.
TEST_F(ControllerTest, ASecondStopOnlyResetsTheBatchBar) {
    const std::string sA = Source("a.wav", m_a);
    OnFirstEvent("FileBar.StepIt", [this] {
        m_dlg.OnStop();
        m_dlg.OnStop();
    });
    m_ui.AnswerOpen({sA});
    Compress();
    const std::vector<std::string> events = m_ui.Events();
    const auto itStep = std::find(events.begin(), events.end(), "FileBar.StepIt");
    ASSERT_NE(itStep, events.end());
    EXPECT_EQ(std::vector<std::string>(itStep + 1, itStep + 4),
              (std::vector<std::string>{"TotalBar.Position 0", "TotalBar.Position 0",
                                        "TotalBar.StepIt"}));
    EXPECT_TRUE(m_dlg.m_bStop);
    EXPECT_EQ(m_ui.UnscriptedDialogs(), 0);
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wav"}));
    ExpectIdleAndReleased();
}

TEST_F(ControllerTest, WithEveryFileRejectedTheBatchFinishesAtOnce) {
    m_ui.AnswerOpen({Put("src/a.wrm", Bytes(90, 0))});
    Compress();
    EXPECT_EQ(Last(m_ui.Events(), 4),
              (std::vector<std::string>{"TotalBar.Range 0", "Compress.Pushed 0", "Stop.Pushed 1",
                                        "TotalBar.Position 0"}));
    EXPECT_EQ(m_platform.Loop().ThreadsStarted(), 0);
    EXPECT_EQ(m_ui.UnscriptedDialogs(), 0);
    ExpectIdleAndReleased();
}

TEST_F(ControllerTest, ACancelledSelectionReturnsToIdleAndCompressWorksAgain) {
    m_ui.CancelOpen();
    Compress();
    EXPECT_FALSE(m_dlg.m_bBusy);
    EXPECT_TRUE(m_dlg.m_bCompressDown); // the recorded look stays until a batch ends
    m_ui.AnswerOpen({Put("src/a.wrm", Bytes(90, 0))});
    Compress();
    const std::vector<std::string> events = m_ui.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "OpenDialog"), 2);
    EXPECT_FALSE(m_dlg.m_bCompressDown);
}

TEST_F(ControllerTest, CompressWhileBusyOnlyRedrawsTheLooks) {
    m_dlg.OnCompress();
    m_dlg.OnCompress();
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{"Compress.Pushed 1", "Stop.Pushed 0",
                                                       "Compress.Pushed 1", "Stop.Pushed 0"}));
    EXPECT_EQ(m_platform.Loop().Pending(), (std::vector<PostedMessage>{{MSG_OPEN_FILES, 1, 0}}));
}

// A stop clears m_bBusy while the batch's later files still run; a Compress then must not
// start a selection that would replace their buffers.
TEST_F(ControllerTest, CompressWhileAStoppedBatchStillRunsIsRefused) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sB = Source("b.wav", m_c);
    OnFirstEvent("FileBar.StepIt", [this] {
        m_dlg.OnStop();
        m_dlg.OnCompress();
    });
    m_ui.AnswerOpen({sA, sB});
    Compress();
    EXPECT_EQ(m_platform.Loop().ThreadsStarted(), 2);
    const std::vector<PostedMessage> posted = m_platform.Loop().Posted();
    EXPECT_EQ(std::count(posted.begin(), posted.end(), PostedMessage{MSG_OPEN_FILES, 1, 0}), 1);
    ExpectIdleAndReleased();
    m_ui.SetHook({});
    m_ui.CancelOpen();
    Compress(); // once the batch has finished, Compress starts the next
    EXPECT_EQ(m_ui.UnscriptedDialogs(), 0);
    EXPECT_FALSE(m_dlg.m_bStop);
}

TEST_F(ControllerTest, AFailedJobIsReportedAndTheBatchGoesOn) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sC = Source("c.wav", m_c);
    bool bBusyDuringC = true;
    std::string sTemp0;
    m_ui.SetHook([&](const std::string& sEvent) {
        if (sEvent.starts_with("TotalBar.Range")) {
            m_files.InjectFault({FileOp::Open, sA, EACCES}); // after validation, before the job
            sTemp0 = m_dlg.m_pszTempDir + "tmp0.~rm";
        } else if (sEvent == "Label.Text " + sC) {
            bBusyDuringC = m_dlg.m_bBusy;
        }
    });
    m_dlg.OnSaveAs();
    m_ui.AcceptSave();
    m_ui.AcceptSave();
    m_ui.AnswerOpen({sA, sC});
    Compress();
    EXPECT_FALSE(bBusyDuringC);
    EXPECT_EQ(m_ui.MessageBoxes(),
              (std::vector<MessageBoxRecord>{{"Permission denied\n" + sA, "Error"},
                                             {"No such file or directory\n" + sTemp0, "Error"}}));
    EXPECT_TRUE(ReadBytes(m_sSource + "c.wrm") == EncodeDirect(m_c));
    EXPECT_FALSE(std::filesystem::exists(m_sSource + "a.wrm"));
    ExpectIdleAndReleased();
}

TEST_F(ControllerTest, AWorkerThatCannotStartEndsTheBatchWithTheFilesDoneSoFar) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sC = Source("c.wav", m_c);
    m_ui.SetHook([&](const std::string& sEvent) {
        if (sEvent == "Label.Hide") {
            m_platform.Loop().FailThreadStarts(EAGAIN);
        }
    });
    m_dlg.OnSaveAs();
    m_ui.AcceptSave();
    m_ui.AnswerOpen({sA, sC});
    Compress();
    EXPECT_EQ(m_ui.MessageBoxes(), (std::vector<MessageBoxRecord>{
                                       {"Resource temporarily unavailable\n" + sC, "Error"}}));
    EXPECT_EQ(Last(m_ui.Events(), 4),
              (std::vector<std::string>{"Compress.Pushed 0", "Stop.Pushed 1", "TotalBar.Position 0",
                                        "SaveDialog a.wrm"}));
    EXPECT_TRUE(ReadBytes(m_sSource + "a.wrm") == EncodeDirect(m_a));
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wav", "a.wrm", "c.wav"}));
    ExpectIdleAndReleased();
}

// Exit while file 1 of 2 is encoded: the modal run ends at once; OnDestroy, which follows it,
// stops the worker, waits for it and removes file 0's finished temporary file as well, since
// no finish step will save it. The worker's last message 99 is never handled.
TEST_F(ControllerTest, ExitDuringABatchStopsAndWaitsForTheWorkerAndLeavesNoFileBehind) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sB = Source("b.wav", Voice(240 * 45, 23));
    std::promise<void> inB;
    bool bSignalled = false;
    m_ui.SetHook([&](const std::string& sEvent) {
        if (!bSignalled && sEvent == "FileBar.StepIt" && m_ui.LabelText() == sB) {
            bSignalled = true;
            inB.set_value();
            while (!m_dlg.m_bStop) { // the user clicks Exit during b's first chunk
                std::this_thread::yield();
            }
        }
    });
    m_ui.AnswerOpen({sA, sB});
    m_dlg.OnCompress();
    CScriptedLoop& loop = m_platform.Loop();
    for (int i = 0; i < 3; ++i) { // 101, 100, and 99 that starts a's worker
        ASSERT_TRUE(loop.HandleOne());
    }
    loop.WaitForThreads();
    ASSERT_TRUE(Exists(m_dlg.m_pszTempDir + "tmp0.~rm"));
    ASSERT_TRUE(loop.HandleOne()); // a's 99 starts b's worker
    inB.get_future().wait();
    EXPECT_TRUE(m_dlg.OnCommand(kIdExit));
    m_dlg.OnDestroy();

    const std::vector<std::string> events = m_ui.Events();
    const auto itExit = std::find(events.begin(), events.end(), "EndDialog 2");
    ASSERT_NE(itExit, events.end());
    EXPECT_EQ(std::vector<std::string>(itExit, events.end()),
              (std::vector<std::string>{"EndDialog 2", "TotalBar.StepIt", "TotalBar.Step 5",
                                        "TotalBar.StepIt", "FileBar.Position 0", "Label.Hide"}));
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_TRUE(Listing(m_sOut).empty());
    EXPECT_EQ(loop.Pending(), (std::vector<PostedMessage>{{MSG_ENCODE_NEXT, 0, 0}}));
    EXPECT_EQ(loop.ThreadsStarted(), 2);
    ExpectReleased();
    ASSERT_TRUE(loop.HandleOne()); // the dialog is gone: the message reaches no handler
    EXPECT_EQ(m_ui.Events().size(), events.size());
}

// A Stop clicked after the last file's final stop check cuts no job short: the batch is saved
// whole, although the flag is set when the finish step runs.
TEST_F(ControllerTest, AStopAfterTheLastStopCheckStillSavesTheWholeBatch) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sC = Source("c.wav", m_c);
    m_ui.SetHook([&](const std::string& sEvent) {
        if (sEvent == "Label.Hide" && m_ui.LabelText() == sC) {
            m_dlg.OnStop(); // c is encoded to its end; message 99 is not handled yet
        }
    });
    m_dlg.OnSave();
    m_ui.AnswerOpen({sA, sC});
    m_ui.AnswerSave(m_sOut + "a.wrm");
    Compress();
    EXPECT_TRUE(m_dlg.m_bStop);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_TRUE(ReadBytes(m_sOut + "a.wrm") == EncodeDirect(m_a));
    EXPECT_TRUE(ReadBytes(m_sOut + "c.wrm") == EncodeDirect(m_c));
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wav", "c.wav"}));
    ExpectIdleAndReleased();
}

// Closing the window after Compress but before the selection or the validation is handled
// deletes nothing: no job of the new batch has made a temporary file yet, and files of those
// names (here left by the earlier batch's numbering, in the current directory and in the
// source folder) belong to someone else.
TEST_F(ControllerTest, ClosingBeforeTheSelectionOrValidationDeletesNoFileItDidNotWrite) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sC = Source("c.wav", m_c);
    for (int nHandled = 0; nHandled < 2; ++nHandled) {
        CScriptedPlatform platform;
        auto pDlg = std::make_unique<CConverterDlg>(platform.Get());
        pDlg->OnSaveAs();
        platform.Ui().AnswerOpen({sA, sC});
        platform.Ui().AnswerSave(m_sOut + "a.wrm");
        platform.Ui().AnswerSave(m_sOut + "c.wrm");
        pDlg->OnCompress();
        platform.Loop().Run(); // a first batch of two files, saved in out/
        ASSERT_EQ(Listing(m_sOut), (std::vector<std::string>{"a.wrm", "c.wrm"}));
        const std::vector<std::string> foreign = {m_sOut + "tmp0.~rm", m_sOut + "tmp1.~rm",
                                                  m_sSource + "tmp1.~rm"};
        for (const std::string& sPath : foreign) {
            WriteBytes(sPath, Bytes(30, 5));
        }
        platform.Ui().AnswerOpen({sA, sC});
        pDlg->OnCompress();
        for (int i = 0; i < nHandled; ++i) {
            ASSERT_TRUE(platform.Loop().HandleOne()); // 101: the selection, not the validation
        }
        EXPECT_TRUE(pDlg->OnCommand(kIdExit));
        pDlg.reset(); // the window closes
        for (const std::string& sPath : foreign) {
            EXPECT_EQ(ReadBytes(sPath), Bytes(30, 5)) << sPath << " after " << nHandled;
            std::filesystem::remove(sPath);
        }
        std::filesystem::remove(m_sOut + "a.wrm");
        std::filesystem::remove(m_sOut + "c.wrm");
    }
}

// Two windows converting in one folder: each batch keeps its temporary files in a folder of its
// own, so the second runs to its end beside the first, whose first file is already encoded, and
// neither touches the other's files.
TEST_F(ControllerTest, TwoBatchesInTheSameFolderKeepApart) {
    const std::string sA = Source("a.wav", m_a);
    const std::string sC = Source("c.wav", m_c);
    m_dlg.OnSave();
    m_ui.AnswerOpen({sA, sC});
    m_ui.AnswerSave(m_sOut + "a.wrm");
    m_dlg.OnCompress();
    CScriptedLoop& loop = m_platform.Loop();
    for (int i = 0; i < 3; ++i) { // 101, 100, and 99 that starts a's worker
        ASSERT_TRUE(loop.HandleOne());
    }
    loop.WaitForThreads();
    const std::string sFirstTemp = m_dlg.m_pszTempDir + "tmp0.~rm";
    const Bytes first = ReadBytes(sFirstTemp);
    ASSERT_EQ(first, EncodeDirect(m_a));

    CScriptedPlatform other;
    CConverterDlg otherDlg(other.Get());
    other.Ui().AnswerOpen({sC});
    other.Ui().AnswerSave(m_sOut + "c-other.wrm");
    otherDlg.OnCompress();
    other.Loop().Run();
    EXPECT_TRUE(other.Ui().MessageBoxes().empty());
    EXPECT_TRUE(ReadBytes(m_sOut + "c-other.wrm") == EncodeDirect(m_c));
    EXPECT_TRUE(otherDlg.IsIdle());
    EXPECT_EQ(ReadBytes(sFirstTemp), first);

    loop.Run();
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_TRUE(ReadBytes(m_sOut + "a.wrm") == EncodeDirect(m_a));
    EXPECT_TRUE(ReadBytes(m_sOut + "c.wrm") == EncodeDirect(m_c));
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wav", "c.wav"}));
    ExpectIdleAndReleased();
}

} // namespace
} // namespace veltrane::test
