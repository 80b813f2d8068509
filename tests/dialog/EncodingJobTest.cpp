// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/BatchTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace veltrane::test {
namespace {

std::vector<std::string> Repeat(const std::vector<std::string>& events, int nTimes) {
    std::vector<std::string> all;
    for (int i = 0; i < nTimes; ++i) {
        all.insert(all.end(), events.begin(), events.end());
    }
    return all;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const std::vector<std::string> kStepBoth = {"FileBar.StepIt", "TotalBar.StepIt"};

class EncodingJobTest : public BatchTest {
  protected:
    // Selects and validates the file, then runs its job; the events of the job alone.
    std::vector<std::string> RunJob(const std::string& sPath, bool* pbResult) {
        SelectAndValidate({sPath});
        EXPECT_EQ(m_dlg.m_nFiles, 1);
        PrepareJob(0);
        const std::size_t nBefore = EventCount();
        *pbResult = m_dlg.EncodeCurrentFile();
        return Tail(m_ui.Events(), nBefore);
    }

    // Runs the job of the validated file 0, which must fail: it reports, clears m_bBusy and
    // leaves no temporary file. The events of the job alone.
    std::vector<std::string> RunFailingJob() {
        m_dlg.m_bBusy = true;
        PrepareJob(0);
        const std::size_t nBefore = EventCount();
        EXPECT_TRUE(m_dlg.EncodeCurrentFile());
        EXPECT_FALSE(m_dlg.m_bBusy);
        EXPECT_FALSE(Exists(TempPath()));
        return Tail(m_ui.Events(), nBefore);
    }

    std::string TempPath(int nIndex = 0) const {
        return m_dlg.m_pszTempDir + "tmp" + std::to_string(nIndex) + ".~rm";
    }

    static std::vector<std::string> Opening(const std::string& sPath, std::uint64_t nTotal,
                                            std::uint64_t nChunk) {
        return {"Label.Text " + sPath, "Label.Show", "FileBar.Range " + std::to_string(nTotal),
                "FileBar.Step " + std::to_string(nChunk),
                "TotalBar.Step " + std::to_string(nChunk)};
    }
    static inline const std::vector<std::string> kClosing = {"FileBar.Position 0", "Label.Hide"};
};

TEST(PlanChunks, HundredFromAThousandFramesElseTwenty) {
    auto plan = [](std::uint64_t nTotal) {
        const ChunkPlan p = PlanChunks(nTotal);
        return std::vector<std::uint64_t>{p.m_nChunk, p.m_nChunks, p.m_nRest};
    };
    EXPECT_EQ(plan(1000), (std::vector<std::uint64_t>{100, 10, 0}));
    EXPECT_EQ(plan(1007), (std::vector<std::uint64_t>{100, 10, 7}));
    EXPECT_EQ(plan(999), (std::vector<std::uint64_t>{20, 49, 19}));
    EXPECT_EQ(plan(5), (std::vector<std::uint64_t>{20, 0, 5}));
    EXPECT_EQ(plan(0), (std::vector<std::uint64_t>{20, 0, 0}));
    EXPECT_EQ(plan(5000000), (std::vector<std::uint64_t>{100, 50000, 0})); // no 16-bit cut
}

TEST_F(EncodingJobTest, AThousandFramesAreTenChunksOfAHundred) {
    const std::vector<std::int16_t> samples = Voice(240 * 1000);
    const std::string sPath = Put("long.wav", Wav16(samples));
    bool bResult = true;
    EXPECT_EQ(RunJob(sPath, &bResult),
              Concat({Opening(sPath, 1000, 100), Repeat(kStepBoth, 10), kClosing}));
    EXPECT_FALSE(bResult);
    const Bytes written = ReadBytes(TempPath());
    EXPECT_EQ(written.size(), 30000u);
    EXPECT_TRUE(written == EncodeDirect(samples));
    EXPECT_EQ(m_ui.Bar(ProgressBar::Total).m_nPosition, 1000u);
}

TEST_F(EncodingJobTest, NineHundredNinetyNineFramesAreChunksOfTwentyAndARest) {
    const std::vector<std::int16_t> samples = Voice(240 * 999 + 100, 7);
    const std::string sPath = Put("odd.wav", Wav16(samples));
    bool bResult = true;
    const std::vector<std::string> events = RunJob(sPath, &bResult);
    EXPECT_EQ(events, Concat({Opening(sPath, 999, 20),
                              Repeat(kStepBoth, 49),
                              {"TotalBar.Step 19", "TotalBar.StepIt"},
                              kClosing}));
    EXPECT_FALSE(bResult);
    EXPECT_TRUE(ReadBytes(TempPath()) == EncodeDirect(samples)); // the last 100 samples unused
    EXPECT_EQ(m_ui.Bar(ProgressBar::Total).m_nPosition, 999u);
}

TEST_F(EncodingJobTest, FiveFramesAreOnlyARest) {
    const std::vector<std::int16_t> five = Voice(240 * 5);
    const std::string sFive = Put("five.wav", Wav16(five));
    bool bResult = true;
    EXPECT_EQ(RunJob(sFive, &bResult),
              Concat({Opening(sFive, 5, 20), {"TotalBar.Step 5", "TotalBar.StepIt"}, kClosing}));
    EXPECT_FALSE(bResult);
    EXPECT_TRUE(ReadBytes(TempPath()) == EncodeDirect(five));
}

TEST_F(EncodingJobTest, FewerThan240SamplesGiveAnEmptyTemporaryFile) {
    const std::string sShort = Put("short.wav", Wav16(Voice(239)));
    bool bResult = true;
    EXPECT_EQ(RunJob(sShort, &bResult), Concat({Opening(sShort, 0, 20), kClosing}));
    EXPECT_FALSE(bResult);
    EXPECT_TRUE(Exists(TempPath()));
    EXPECT_TRUE(ReadBytes(TempPath()).empty());
}

TEST_F(EncodingJobTest, EightBitSamplesAreCenteredAndScaled) {
    Bytes pcm(240 * 3);
    std::vector<std::int16_t> samples(pcm.size());
    for (std::size_t k = 0; k < pcm.size(); ++k) {
        pcm[k] = static_cast<std::uint8_t>(k % 3 == 0 ? 0 : k % 3 == 1 ? 128 : 255);
        samples[k] = static_cast<std::int16_t>((pcm[k] - 128) * 256); // -32768, 0, 32512
    }
    const std::string sPath =
        Put("eight.wav",
            Riff({FmtChunk(Fmt8()), Chunk("data", static_cast<std::uint32_t>(pcm.size()), pcm)}));
    bool bResult = true;
    RunJob(sPath, &bResult);
    EXPECT_TRUE(ReadBytes(TempPath()) == EncodeDirect(samples));
}

TEST_F(EncodingJobTest, StopDuringChunkThreeEncodesItAndTheRestThenDeletes) {
    const std::vector<std::int16_t> samples = Voice(240 * 1007, 3);
    const std::string sPath = Put("stop.wav", Wav16(samples));
    int nFileSteps = 0;
    Bytes written;
    m_ui.SetHook([&](const std::string& sEvent) {
        if (sEvent == "FileBar.StepIt" && ++nFileSteps == 3) {
            m_dlg.m_bStop = true; // Stop pressed while chunk 3 was encoded
        }
        if (sEvent == "TotalBar.StepIt" && m_dlg.m_bStop) {
            written = ReadBytes(TempPath()); // what the file holds at the last step
        }
    });
    bool bResult = false;
    EXPECT_EQ(RunJob(sPath, &bResult), Concat({Opening(sPath, 1007, 100),
                                               Repeat(kStepBoth, 3),
                                               {"TotalBar.Step 7", "TotalBar.StepIt"},
                                               kClosing}));
    EXPECT_TRUE(bResult);
    // Chunks 1 to 3, then the 7 frames that follow chunk 3 in the input.
    const std::vector<std::int16_t> head(samples.begin(), samples.begin() + 240 * 307);
    EXPECT_TRUE(written == EncodeDirect(head));
    EXPECT_FALSE(Exists(TempPath()));
    EXPECT_EQ(m_ui.Bar(ProgressBar::Total).m_nPosition, 307u);
}

TEST_F(EncodingJobTest, EveryLaterFileOfAStoppedBatchEncodesOneChunkAndItsRest) {
    SelectAndValidate({Put("a.wav", Wav16(Voice(240 * 1007))), Put("b.wav", Wav16(Voice(240 * 5))),
                       Put("c.wav", Wav16(Voice(240 * 45)))});
    m_dlg.m_bStop = true;
    std::vector<std::vector<std::string>> jobs;
    for (int i = 0; i < 3; ++i) {
        PrepareJob(i);
        const std::size_t nBefore = EventCount();
        EXPECT_TRUE(m_dlg.EncodeCurrentFile());
        EXPECT_FALSE(Exists(TempPath(i)));
        jobs.push_back(Tail(m_ui.Events(), nBefore + 5));
    }
    EXPECT_EQ(jobs[0], Concat({kStepBoth, {"TotalBar.Step 7", "TotalBar.StepIt"}, kClosing}));
    EXPECT_EQ(jobs[1], Concat({{"TotalBar.Step 5", "TotalBar.StepIt"}, kClosing}));
    EXPECT_EQ(jobs[2], Concat({kStepBoth, {"TotalBar.Step 5", "TotalBar.StepIt"}, kClosing}));
}

TEST_F(EncodingJobTest, TheTemporaryNameCountsTheAcceptedFilesAndEachFileHasAFreshEncoder) {
    const std::vector<std::int16_t> first = Voice(240 * 6, 11);
    const std::vector<std::int16_t> second = Voice(240 * 4, 12);
    SelectAndValidate({Put("bad.wav", Bytes(100, 0)), Put("one.wav", Wav16(first)),
                       Put("two.wav", Wav16(second))});
    for (int i = 0; i < 2; ++i) {
        PrepareJob(i);
        EXPECT_FALSE(m_dlg.EncodeCurrentFile());
    }
    EXPECT_TRUE(ReadBytes(TempPath(0)) == EncodeDirect(first));
    EXPECT_TRUE(ReadBytes(TempPath(1)) == EncodeDirect(second));
    EXPECT_FALSE(Exists(TempPath(2)));
}

TEST_F(EncodingJobTest, TheLabelShowsAtMostTheLast69Characters) {
    const std::string sDir = m_folder.Path() + "/";
    auto pathOf = [&](std::size_t nLength) {
        return sDir + std::string(nLength - sDir.size(), 'p');
    };
    for (const std::size_t nLength : {69u, 70u, 100u}) {
        const std::string sPath = pathOf(nLength);
        m_dlg.m_pnBlockAlign = {2};
        m_dlg.m_pnDataOffset = {44};
        m_dlg.m_pnDataBytes = {0};
        m_dlg.m_pszPath = sPath;
        m_dlg.m_nCurrent = 0;
        const std::size_t nBefore = EventCount();
        m_dlg.EncodeCurrentFile(); // the file does not exist: the label stays
        EXPECT_EQ(m_ui.Events()[nBefore], "Label.Text " + sPath.substr(nLength - 69)) << nLength;
        EXPECT_TRUE(m_ui.LabelVisible());
    }
    EXPECT_EQ(CConverterDlg::TailOfPath(pathOf(69)), pathOf(69));
    // Characters, not bytes: 80 two-byte letters give 69 letters.
    std::string sCyrillic;
    for (int i = 0; i < 80; ++i) {
        sCyrillic += "ж";
    }
    const std::string sTail = CConverterDlg::TailOfPath(sCyrillic);
    EXPECT_EQ(sTail.size(), 138u);
    EXPECT_EQ(sTail, sCyrillic.substr(22));
}

TEST_F(EncodingJobTest, AnInputThatCannotBeOpenedIsReportedAndNoTemporaryFileIsMade) {
    SelectAndValidate({Put("gone.wav", Wav16(Voice(2400)))});
    std::filesystem::remove(m_folder.Path() + "/gone.wav");
    PrepareJob(0);
    m_dlg.m_bBusy = true;
    const std::size_t nBefore = EventCount();
    EXPECT_TRUE(m_dlg.EncodeCurrentFile());
    EXPECT_FALSE(m_dlg.m_bBusy);
    EXPECT_EQ(Tail(m_ui.Events(), nBefore + 2),
              (std::vector<std::string>{"MessageBox Error: No such file or directory\n" +
                                        m_dlg.m_pszPath}));
    EXPECT_FALSE(Exists(TempPath()));
    EXPECT_TRUE(m_ui.LabelVisible());
}

TEST_F(EncodingJobTest, ATemporaryFileThatCannotBeCreatedIsReportedWithItsPath) {
    const std::string sPath = Put("a.wav", Wav16(Voice(2400)));
    SelectAndValidate({sPath});
    m_files.InjectFault({FileOp::Create, "*/tmp0.~rm", EACCES});
    PrepareJob(0);
    m_dlg.m_bBusy = true;
    const std::size_t nBefore = EventCount();
    EXPECT_TRUE(m_dlg.EncodeCurrentFile());
    EXPECT_FALSE(m_dlg.m_bBusy);
    EXPECT_EQ(Tail(m_ui.Events(), nBefore),
              (std::vector<std::string>{"Label.Text " + sPath, "Label.Show",
                                        "MessageBox Error: Permission denied\n" + TempPath()}));
}

// A failed write (a full disk) or read ends the job like a failed create: reported, the partial
// temporary file removed, so that the save step finds nothing to save.
TEST_F(EncodingJobTest, AFailedWriteOrReadEndsTheJobAndRemovesThePartialFile) {
    const std::string sPath = Put("a.wav", Wav16(Voice(240 * 1000)));
    struct Case {
        FileFault m_fault;
        std::string m_sMessage;
        int m_nChunksDone;
    };
    SelectAndValidate({sPath});
    std::vector<Case> cases;
    cases.push_back(Case{FileFault{FileOp::Write, "*/tmp0.~rm", ENOSPC, 4000},
                         "No space left on device\n" + TempPath(), 1});
    cases.push_back(Case{FileFault{FileOp::Read, sPath, EIO, 48000 * 2 + 10},
                         "Input/output error\n" + sPath, 2});
    cases.push_back(Case{FileFault{FileOp::Close, "*/tmp0.~rm", EIO, 0},
                         "Input/output error\n" + TempPath(), 10});
    for (const Case& c : cases) {
        m_files.ClearFaults();
        m_files.InjectFault(c.m_fault);
        EXPECT_EQ(RunFailingJob(), Concat({Opening(sPath, 1000, 100),
                                           Repeat(kStepBoth, c.m_nChunksDone),
                                           {"MessageBox Error: " + c.m_sMessage}}));
    }
}

// A file that shrinks between its check and its job ends the job as a failed read does, rather
// than saving a result whose end is silence that was never recorded.
TEST_F(EncodingJobTest, AFileThatShrankAfterItsCheckFailsTheJob) {
    const std::string sPath = Put("a.wav", Wav16(Voice(240 * 30)));
    SelectAndValidate({sPath});
    std::filesystem::resize_file(sPath, std::filesystem::file_size(sPath) - 240 * 2 * 5);
    EXPECT_EQ(RunFailingJob(),
              Concat({Opening(sPath, 30, 20),
                      Repeat(kStepBoth, 1),
                      {"TotalBar.Step 10", "MessageBox Error: Input/output error\n" + sPath}}));
}

TEST_F(EncodingJobTest, DataShorterThanItsHeaderIsEncodedOverTheFramesPresent) {
    const std::vector<std::int16_t> samples = Voice(240 * 30 + 100, 5);
    const Bytes pcm = Pcm16(samples);
    const std::string sPath = Put("cut.wav", Riff({FmtChunk(), Chunk("data", 480 * 2000, pcm)}));
    bool bResult = true;
    const std::vector<std::string> events = RunJob(sPath, &bResult);
    EXPECT_EQ(m_ui.Events()[1], "TotalBar.Range 30");
    EXPECT_EQ(events[2], "FileBar.Range 30");
    EXPECT_FALSE(bResult);
    EXPECT_TRUE(ReadBytes(TempPath()) == EncodeDirect(samples));
}

TEST_F(EncodingJobTest, SamplesBeyondByte32768AreReadFromTheirTrueOffset) {
    const std::vector<std::int16_t> samples = Voice(240 * 8, 9);
    const Bytes pcm = Pcm16(samples);
    const std::string sPath =
        Put("far.wav", Riff({FmtChunk(), Chunk("JUNK", 40000, Bytes(40000, 0x7F)),
                             Chunk("data", static_cast<std::uint32_t>(pcm.size()), pcm)}));
    bool bResult = true;
    RunJob(sPath, &bResult);
    EXPECT_EQ(m_dlg.m_pnDataOffset[0], 40052u);
    EXPECT_TRUE(ReadBytes(TempPath()) == EncodeDirect(samples));
}

} // namespace
} // namespace veltrane::test
