// SPDX-License-Identifier: BSD-3-Clause
// Encoding one file, in memory and on disk: whole frames only, data shorter than the header,
// refusals, atomic output, failed writes and cancellation.
#include "convert/BatchRunner.h"
#include "convert/EncodeJob.h"
#include "convert/FileByteSource.h"
#include "tests/support/ReferenceEncoding.h"

#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::CWavBytes;

std::vector<std::uint8_t> FramesOf(const std::vector<std::uint8_t>& wav) {
    std::vector<std::uint8_t> frames;
    EXPECT_TRUE(EncodeWavBytes(wav, frames).Accepted());
    return frames;
}

TEST(EncodeWavBytes, OneFramePerWhole240Samples) {
    EXPECT_EQ(FramesOf(test::Wav16(test::Noise(239))).size(), 0u);
    EXPECT_EQ(FramesOf(test::Wav16(test::Noise(240 * 5 + 239))).size(), 5u * 30);
    EXPECT_EQ(FramesOf(test::Wav16(test::Noise(240 * 250))).size(), 250u * 30);
}

TEST(EncodeWavBytes, ChunkBoundariesDoNotChangeTheFrames) {
    // 250 frames span three chunks; the first 100 must equal a file of exactly 100 frames.
    const std::vector<std::int16_t> samples = test::Noise(240 * 250);
    const std::vector<std::uint8_t> all = FramesOf(test::Wav16(samples));
    const std::vector<std::uint8_t> first =
        FramesOf(test::Wav16({samples.begin(), samples.begin() + 240 * 100}));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), all.begin()));
}

TEST(EncodeWavBytes, DataShorterThanTheHeaderSays) {
    const std::vector<std::int16_t> samples = test::Noise(240 * 7 + 100);
    const std::vector<std::uint8_t> expected = FramesOf(test::Wav16(samples));
    for (const std::uint32_t nClaimed : {0xFFFFFFFFu, 1000000u}) {
        CWavBytes wav;
        wav.RiffFmt(16).Tag("data").U32(nClaimed);
        for (std::int16_t nSample : samples) {
            wav.U16(static_cast<std::uint16_t>(nSample));
        }
        EXPECT_EQ(FramesOf(wav.Get()), expected) << nClaimed;
    }
}

TEST(EncodeWavBytes, EightBitFactFileUsesTheSampleCount) {
    // The fact count (2 frames) wins over the data size field and the bytes present (3 frames).
    CWavBytes wav;
    wav.RiffFmt(16, 1, 16000, 1, 8).Tag("fact").U32(4).U32(480).Tag("data").U32(720);
    wav.Zeros(720);
    EXPECT_EQ(FramesOf(wav.Get()).size(), 2u * 30);
}

class FileEncoderTest : public ::testing::Test {
  protected:
    std::filesystem::path Input(const std::string& strName, std::size_t nSamples) {
        const std::filesystem::path path = m_dir / strName;
        test::WriteBytes(path, test::Wav16(test::Noise(nSamples)));
        return path;
    }

    CTestFolder m_dir;
};

TEST_F(FileEncoderTest, ConvertedFileHoldsTheFramesAndNothingElseIsLeft) {
    const auto input = Input("a.wav", 240 * 130);
    const FileJobReport report = EncodeWavFile(input, m_dir / "a.wrm", {});
    ASSERT_EQ(report.m_outcome, FileOutcome::Converted) << report.m_strMessage;
    EXPECT_EQ(report.m_nFrames, 130u);
    EXPECT_EQ(report.m_nBytes, 130u * 30);
    EXPECT_DOUBLE_EQ(report.m_dAudioSeconds, 130 * 0.015);
    EXPECT_EQ(test::ReadBytes(m_dir / "a.wrm"), FramesOf(test::ReadBytes(input)));
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"a.wav", "a.wrm"}));
}

TEST_F(FileEncoderTest, RejectedAndUnreadableFilesWriteNothing) {
    test::WriteBytes(m_dir / "bad.wav", CWavBytes().RiffFmt(16, 2).Tag("data").U32(0).Get());
    FileJobReport report = EncodeWavFile(m_dir / "bad.wav", m_dir / "bad.wrm", {});
    EXPECT_EQ(report.m_outcome, FileOutcome::Rejected);
    EXPECT_EQ(report.m_strMessage, kMsgNotMono);
    EXPECT_EQ(report.m_pathShown, m_dir / "bad.wav");

    report = EncodeWavFile(m_dir / "none.wav", m_dir / "none.wrm", {});
    EXPECT_EQ(report.m_outcome, FileOutcome::Failed);
    EXPECT_EQ(report.m_strMessage, std::string(std::strerror(ENOENT)) + "\n");

    report = EncodeWavFile(m_dir.Path(), m_dir / "dir.wrm", {});
    EXPECT_EQ(report.m_strMessage, std::string(std::strerror(EISDIR)) + "\n");
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"bad.wav"}));
}

TEST_F(FileEncoderTest, OutputThatIsTheInputIsRefusedEvenWithReplace) {
    const auto input = Input("take.wrm", 240 * 3);
    const auto before = test::ReadBytes(input);
    FileJobOptions options;
    options.m_bReplace = true;
    for (const auto& output : {input, m_dir / "." / "take.wrm"}) {
        EXPECT_EQ(EncodeWavFile(input, output, options).m_outcome, FileOutcome::Failed);
    }
    std::filesystem::create_hard_link(input, m_dir / "link.wrm");
    EXPECT_EQ(EncodeWavFile(input, m_dir / "link.wrm", options).m_outcome, FileOutcome::Failed);
    EXPECT_EQ(test::ReadBytes(input), before);
}

TEST_F(FileEncoderTest, ExistingOutputIsKeptUnlessReplaceIsAllowed) {
    const auto input = Input("a.wav", 240 * 3);
    test::WriteBytes(m_dir / "a.wrm", {1, 2, 3});
    FileJobReport report = EncodeWavFile(input, m_dir / "a.wrm", {});
    EXPECT_EQ(report.m_outcome, FileOutcome::NotReplaced);
    EXPECT_EQ(test::ReadBytes(m_dir / "a.wrm"), (std::vector<std::uint8_t>{1, 2, 3}));

    FileJobOptions options;
    options.m_bReplace = true;
    report = EncodeWavFile(input, m_dir / "a.wrm", options);
    EXPECT_EQ(report.m_outcome, FileOutcome::Converted);
    EXPECT_EQ(test::ReadBytes(m_dir / "a.wrm").size(), 90u);
}

// Failures of the output's file system, injected: the job fails with the system's text and the
// output's path, and nothing is left, whether the temporary file has a name or not.
TEST_F(FileEncoderTest, AFailedOutputLeavesNothing) {
    const auto input = Input("a.wav", 240 * 300);
    const std::string sOut = m_dir.Path() + "/";
    const std::vector<FileFault> faults = {
        {FileOp::Write, sOut + "*", ENOSPC, 4000}, {FileOp::Sync, sOut + "*", EIO},
        {FileOp::Link, sOut + "a.wrm", EDQUOT},    {FileOp::Close, sOut + "*.~part", EIO},
        {FileOp::Rename, sOut + "a.wrm", EXDEV},
    };
    for (const bool bUnnamed : {true, false}) {
        for (const FileFault& fault : faults) {
            CFaultyFileSystem files(HostFileSystem());
            files.InjectFault(fault);
            if (!bUnnamed) {
                files.InjectFault({FileOp::CreateUnnamed, "*", EOPNOTSUPP});
            }
            FileJobOptions options;
            options.m_pFiles = &files;
            const FileJobReport report = EncodeWavFile(input, m_dir / "a.wrm", options);
            // A link is made only of an unnamed file; a close and a rename only of a named one.
            const bool bApplies = fault.m_op == FileOp::Link ? bUnnamed
                                  : fault.m_op == FileOp::Close || fault.m_op == FileOp::Rename
                                      ? !bUnnamed
                                      : true;
            if (!bApplies) {
                EXPECT_EQ(report.m_outcome, FileOutcome::Converted);
                std::filesystem::remove(m_dir / "a.wrm");
                continue;
            }
            EXPECT_EQ(report.m_outcome, FileOutcome::Failed) << fault.m_sPattern << bUnnamed;
            EXPECT_EQ(report.m_strMessage, SystemErrorText(fault.m_nError));
            EXPECT_EQ(report.m_pathShown, m_dir / "a.wrm");
            EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"a.wav"}));
        }
    }
}

TEST_F(FileEncoderTest, CancelStopsAfterTheChunkAndRemovesTheTemporaryFile) {
    const auto input = Input("a.wav", 240 * 350);
    std::atomic<bool> bCancel{false};
    std::uint64_t nFramesSeen = 0;
    FileJobOptions options;
    options.m_pbCancel = &bCancel;
    options.m_onFrames = [&](std::uint64_t nFrames) {
        nFramesSeen += nFrames;
        bCancel = true;
    };
    EXPECT_EQ(EncodeWavFile(input, m_dir / "a.wrm", options).m_outcome, FileOutcome::Cancelled);
    EXPECT_EQ(nFramesSeen, 100u);
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"a.wav"}));
}

TEST(BatchRunner, LongestFirstKeepsTheOrderOfEqualSizes) {
    EXPECT_EQ(LongestFirstOrder({5, 9, 5, 1, 9}), (std::vector<std::size_t>{1, 4, 0, 2, 3}));
    EXPECT_TRUE(LongestFirstOrder({}).empty());
}

TEST(BatchRunner, TwoJobsGiveEachFileItsOwnFrames) {
    CTestFolder dir;
    std::vector<BatchItem> items;
    for (int k = 0; k < 5; ++k) {
        const std::string strName = std::string(1, 'f').append(std::to_string(k));
        test::WriteBytes(dir / (strName + ".wav"),
                         test::Wav16(test::Noise(240 * (40 + 30 * k), k + 1)));
        items.push_back({dir / (strName + ".wav"), dir / (strName + ".wrm")});
    }
    std::vector<int> doneCount(items.size(), 0);
    RunBatch(items, 2, {}, EncodeWavFile, [&](std::size_t nItem, const FileJobReport& report) {
        EXPECT_EQ(report.m_outcome, FileOutcome::Converted);
        ++doneCount[nItem];
    });
    for (std::size_t k = 0; k < items.size(); ++k) {
        EXPECT_EQ(doneCount[k], 1);
        EXPECT_EQ(test::ReadBytes(items[k].m_output), FramesOf(test::ReadBytes(items[k].m_input)));
    }
}

TEST(BatchRunner, ItemsAfterACancelAreNotStarted) {
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(240 * 5)));
    std::atomic<bool> bCancel{true};
    FileJobOptions options;
    options.m_pbCancel = &bCancel;
    std::vector<FileOutcome> outcomes;
    RunBatch(
        {{dir / "a.wav", dir / "a.wrm"}, {dir / "a.wav", dir / "b.wrm"}}, 1, options, EncodeWavFile,
        [&](std::size_t, const FileJobReport& report) { outcomes.push_back(report.m_outcome); });
    EXPECT_EQ(outcomes, (std::vector<FileOutcome>{FileOutcome::Cancelled, FileOutcome::Cancelled}));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.wav"}));
}

// Files in the lanes of shared batch encoders give the bytes they give alone, whatever their
// lengths, with refused and frameless files among them and one or several groups of lanes.
TEST(BatchRunnerInLanes, EveryOutputIsTheSingleEncodersAndEveryItemIsReportedOnce) {
    CTestFolder dir;
    std::vector<BatchItem> items;
    for (int k = 0; k < 23; ++k) {
        const std::string strName = std::string(1, 'f').append(std::to_string(k));
        std::vector<std::uint8_t> wav =
            test::Wav16(test::Noise(240 * (3 + 29 * (k % 7)) + k, k + 1));
        if (k == 5) {
            wav = test::Wav16(test::Noise(200)); // no whole frame
        } else if (k == 9) {
            wav.assign(100, 0x55); // not a WAV file
        }
        test::WriteBytes(dir / (strName + ".wav"), wav);
        items.push_back({dir / (strName + ".wav"), dir / (strName + ".wrm")});
    }
    for (unsigned nJobs : {1u, 3u}) {
        std::vector<int> doneCount(items.size(), 0);
        std::vector<FileOutcome> outcomes(items.size());
        RunBatchInLanes(items, nJobs, {}, EncodeWavFile,
                        [&](std::size_t nItem, const FileJobReport& report) {
                            outcomes[nItem] = report.m_outcome;
                            ++doneCount[nItem];
                        });
        for (std::size_t k = 0; k < items.size(); ++k) {
            EXPECT_EQ(doneCount[k], 1) << k;
            if (k == 5 || k == 9) {
                EXPECT_NE(outcomes[k], FileOutcome::Converted) << k;
                EXPECT_FALSE(test::Exists(items[k].m_output)) << k;
                continue;
            }
            EXPECT_EQ(outcomes[k], FileOutcome::Converted) << k;
            EXPECT_EQ(test::ReadBytes(items[k].m_output),
                      FramesOf(test::ReadBytes(items[k].m_input)))
                << "item " << k << " with -j " << nJobs;
            std::filesystem::remove(items[k].m_output);
        }
    }
}

// A stop ends every lane's file before its next chunk, leaving no output; nothing waits for a
// lane that has gone.
TEST(BatchRunnerInLanes, AStopEndsEveryLaneWithoutAnOutput) {
    CTestFolder dir;
    std::vector<BatchItem> items;
    for (int k = 0; k < 6; ++k) {
        const std::string strName = std::string(1, 'g').append(std::to_string(k));
        test::WriteBytes(dir / (strName + ".wav"), test::Wav16(test::Noise(240 * 450, k + 1)));
        items.push_back({dir / (strName + ".wav"), dir / (strName + ".wrm")});
    }
    std::atomic<bool> bStop{false};
    FileJobOptions options;
    options.m_pbCancel = &bStop;
    options.m_onFrames = [&bStop](std::uint64_t) { bStop = true; };
    std::vector<FileOutcome> outcomes;
    RunBatchInLanes(
        items, 1, options, EncodeWavFile,
        [&](std::size_t, const FileJobReport& report) { outcomes.push_back(report.m_outcome); });
    ASSERT_EQ(outcomes.size(), items.size());
    for (FileOutcome outcome : outcomes) {
        EXPECT_EQ(outcome, FileOutcome::Cancelled);
    }
    for (const BatchItem& item : items) {
        EXPECT_FALSE(test::Exists(item.m_output));
    }
}

} // namespace
} // namespace veltrane
