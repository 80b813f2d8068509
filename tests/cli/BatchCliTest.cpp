// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli encode with many files: jobs, output names and folders, refusals, exit
// statuses, and the cleanup after SIGINT, SIGTERM, SIGHUP or SIGPIPE.
#include "tests/support/CliRunner.h"
#include "tests/support/GoldenVectors.h"

#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::CWavBytes;
using test::RunCli;

const std::filesystem::path kGoldenDir = VELTRANE_GOLDEN_DIR;

// Several inputs run in the lanes of batch encoders, one group per job; --single-stream gives
// each an encoder of its own. Every way gives the golden bytes.
TEST(BatchCli, JobsLanesAndSingleStreamsGiveTheSameBytes) {
    const std::vector<std::string> inputs = test::GoldenFiles(kGoldenDir, ".wav");
    ASSERT_EQ(inputs.size(), test::GoldenVectorNames().size());
    CTestFolder dir;
    auto one = RunCli(test::Concat({"encode", "-j", "1", "-d", "one"}, inputs), dir.Path());
    auto two = RunCli(test::Concat({"encode", "-j", "2", "-d", "two"}, inputs), dir.Path());
    auto single =
        RunCli(test::Concat({"encode", "-q", "-j", "2", "--single-stream", "-d", "single"}, inputs),
               dir.Path());
    ASSERT_EQ(one.m_nStatus, 0) << one.m_strErr;
    ASSERT_EQ(two.m_nStatus, 0) << two.m_strErr;
    ASSERT_EQ(single.m_nStatus, 0) << single.m_strErr;
    for (const std::string& strInput : inputs) {
        const std::string strName = std::filesystem::path(strInput).stem().string() + ".wrm";
        const auto expected = test::ReadBytes(kGoldenDir / strName);
        EXPECT_TRUE(test::ReadBytes(dir / "one" / strName) == expected) << strName;
        EXPECT_TRUE(test::ReadBytes(dir / "two" / strName) == expected) << strName;
        EXPECT_TRUE(test::ReadBytes(dir / "single" / strName) == expected) << strName;
    }
    // Not a terminal: one line per file, then the summary.
    EXPECT_EQ(std::count(two.m_strErr.begin(), two.m_strErr.end(), '\n'), 12) << two.m_strErr;
    EXPECT_NE(two.m_strErr.find("Converted 11, failed 0, skipped 0; "), std::string::npos);
}

TEST(BatchCli, OutputsReplaceTheLastExtensionBesideTheirInput) {
    CTestFolder dir;
    std::filesystem::create_directory(dir / "sub");
    const std::vector<std::string> inputs{"a.wav",      "sub/talk.WAV", "xy",
                                          "voice.wave", "recording",    "x.flac"};
    for (const std::string& strName : inputs) {
        test::WriteBytes(dir / strName, test::Wav16(test::Noise(480)));
    }
    const auto result = RunCli(test::Concat({"encode", "-q"}, inputs), dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strErr, "");
    for (const char* pszName :
         {"a.wrm", "sub/talk.wrm", "xy.wrm", "voice.wrm", "recording.wrm", "x.wrm"}) {
        EXPECT_EQ(test::ReadBytes(dir / pszName).size(), 60u) << pszName;
    }
}

// Fewer than 240 samples give no frame: that is said, and no empty output is left behind.
TEST(BatchCli, FileWithNoWholeFrameIsReportedAndGetsNoOutput) {
    CTestFolder dir;
    test::WriteBytes(dir / "short.wav", test::Wav16(test::Noise(239)));
    const auto encoded = RunCli({"encode", "short.wav"}, dir.Path());
    EXPECT_EQ(encoded.m_nStatus, 2);
    EXPECT_EQ(encoded.m_strErr,
              "It holds no whole frame of 240 samples; nothing was written.\nshort.wav\n");
    const auto measured = RunCli({"quality", "short.wav"}, dir.Path());
    EXPECT_EQ(measured.m_nStatus, 2);
    EXPECT_EQ(measured.m_strOut, "");
    EXPECT_EQ(measured.m_strErr,
              "It holds no whole frame of 240 samples; there is nothing to measure.\nshort.wav\n");
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"short.wav"}));
}

TEST(BatchCli, ExistingOutputIsNotReplacedWithoutForce) {
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(480)));
    test::WriteBytes(dir / "b.wav", test::Wav16(test::Noise(480)));
    test::WriteBytes(dir / "a.wrm", {1, 2, 3});
    auto result = RunCli({"encode", "a.wav", "b.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("a.wrm\n(-f replaces it; --skip-existing"), std::string::npos)
        << result.m_strErr;
    EXPECT_NE(result.m_strErr.find("Converted 1, failed 0, skipped 0, not replaced 1; "),
              std::string::npos);
    // Quiet: the count alone tells it.
    result = RunCli({"encode", "-q", "a.wav", "b.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_TRUE(result.m_strErr.starts_with("Converted 0, failed 0, skipped 0, not replaced 2; "))
        << result.m_strErr;
    EXPECT_EQ(std::count(result.m_strErr.begin(), result.m_strErr.end(), '\n'), 1);
    EXPECT_EQ(test::ReadBytes(dir / "a.wrm"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(test::ReadBytes(dir / "b.wrm").size(), 60u);

    result = RunCli({"encode", "-f", "a.wav", "b.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(dir / "a.wrm").size(), 60u);
}

// A batch cut short and run again with --skip-existing: the outputs that are complete are left
// alone, the missing ones are made, one of the wrong size (a file the user put there, since an
// unfinished output never has the name) is not replaced; the bytes are those of one whole run,
// and a run whose files were all converted or skipped ends with 0. The same for decode.
TEST(BatchCli, SkipExistingFinishesABatchThatWasCutShort) {
    CTestFolder dir;
    const std::vector<std::string> names = {"a", "b", "c", "d"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        test::WriteBytes(
            dir / (names[i] + ".wav"),
            test::Wav16(test::Noise(240 * (20 + i) + 7, static_cast<std::uint32_t>(40 + i))));
    }
    auto result =
        RunCli({"encode", "-q", "-d", "whole", "a.wav", "b.wav", "c.wav", "d.wav"}, dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    std::filesystem::create_directories(dir / "out");
    for (const char* pszDone : {"a.wrm", "c.wrm"}) {
        std::filesystem::copy_file(dir / "whole" / pszDone, dir / "out" / pszDone);
    }
    test::WriteBytes(dir / "out/d.wrm", {1, 2, 3}); // not this batch's result
    const auto before = std::filesystem::last_write_time(dir / "out/a.wrm");
    result = RunCli({"encode", "--skip-existing", "-d", "out", "a.wav", "b.wav", "c.wav", "d.wav"},
                    dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("Converted 1, failed 0, skipped 2, not replaced 1; "),
              std::string::npos)
        << result.m_strErr;
    EXPECT_EQ(std::filesystem::last_write_time(dir / "out/a.wrm"), before);
    EXPECT_EQ(test::ReadBytes(dir / "out/b.wrm"), test::ReadBytes(dir / "whole/b.wrm"));
    EXPECT_EQ(test::ReadBytes(dir / "out/d.wrm"), (std::vector<std::uint8_t>{1, 2, 3}));

    std::filesystem::remove(dir / "out/d.wrm");
    result =
        RunCli({"encode", "-q", "--skip-existing", "-d", "out", "a.wav", "b.wav", "c.wav", "d.wav"},
               dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strErr, "");
    for (const std::string& sName : names) {
        EXPECT_EQ(test::ReadBytes(dir / "out" / (sName + ".wrm")),
                  test::ReadBytes(dir / "whole" / (sName + ".wrm")))
            << sName;
    }

    ASSERT_EQ(RunCli({"decode", "-q", "-d", "wav", "out/a.wrm", "out/b.wrm"}, dir.Path()).m_nStatus,
              0);
    std::filesystem::resize_file(dir / "wav/b.decoded.wav", 100); // cut short by hand
    result =
        RunCli({"decode", "--skip-existing", "-d", "wav", "out/a.wrm", "out/b.wrm"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("skipped 1, not replaced 1"), std::string::npos)
        << result.m_strErr;
    EXPECT_NE(RunCli({"encode", "-f", "--skip-existing", "a.wav"}, dir.Path()).m_nStatus, 0);
}

// Outputs take their input's modification time, as flac's do, for encode, decode and a replaced
// output alike; --no-preserve-modtime gives them the time they are written.
TEST(BatchCli, OutputsKeepTheirInputsModificationTime) {
    namespace fs = std::filesystem;
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(240 * 12)));
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 3);
    fs::last_write_time(dir / "a.wav", old);
    ASSERT_EQ(RunCli({"encode", "-q", "a.wav"}, dir.Path()).m_nStatus, 0);
    EXPECT_EQ(fs::last_write_time(dir / "a.wrm"), old);
    ASSERT_EQ(RunCli({"decode", "-q", "a.wrm"}, dir.Path()).m_nStatus, 0);
    EXPECT_EQ(fs::last_write_time(dir / "a.decoded.wav"), old);
    ASSERT_EQ(RunCli({"encode", "-q", "-f", "a.wav"}, dir.Path()).m_nStatus, 0);
    EXPECT_EQ(fs::last_write_time(dir / "a.wrm"), old);

    const auto before = fs::file_time_type::clock::now() - std::chrono::seconds(5);
    ASSERT_EQ(
        RunCli({"encode", "-q", "-f", "--no-preserve-modtime", "a.wav"}, dir.Path()).m_nStatus, 0);
    EXPECT_GT(fs::last_write_time(dir / "a.wrm"), before);
}

TEST(BatchCli, OutputThatIsTheInputIsAlwaysRefused) {
    CTestFolder dir;
    const auto wav = test::Wav16(test::Noise(480));
    test::WriteBytes(dir / "take.wrm", wav);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"encode", "-f", "take.wrm"}, {"encode", "-f", "take.wrm", "-o", "./take.wrm"}}) {
        const auto result = RunCli(args, dir.Path());
        EXPECT_EQ(result.m_nStatus, 2);
        EXPECT_NE(result.m_strErr.find("take.wrm\n"), std::string::npos) << result.m_strErr;
        EXPECT_EQ(test::ReadBytes(dir / "take.wrm"), wav);
        EXPECT_EQ(dir.Names(), (std::set<std::string>{"take.wrm"}));
    }
}

TEST(BatchCli, AnyFailureMakesStatusTwoAndTheOthersGoOn) {
    CTestFolder dir;
    test::WriteBytes(dir / "good.wav", test::Wav16(test::Noise(480)));
    test::WriteBytes(dir / "mono.wav", CWavBytes().RiffFmt(16, 2).Get());
    const auto result =
        RunCli({"encode", "-j", "2", "-d", "out", "mono.wav", "good.wav", "none.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("You must use 'Mono' audio records!!!\nmono.wav\n"),
              std::string::npos);
    EXPECT_NE(result.m_strErr.find("Converted 1, failed 2, skipped 0; "), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), {}), 1);
    EXPECT_EQ(test::ReadBytes(dir / "out" / "good.wrm").size(), 60u);
}

TEST(BatchCli, TwoInputsWithOneOutputNameConvertOnlyTheFirst) {
    CTestFolder dir;
    std::filesystem::create_directory(dir / "x");
    std::filesystem::create_directory(dir / "y");
    test::WriteBytes(dir / "x/a.wav", test::Wav16(test::Noise(480, 1)));
    test::WriteBytes(dir / "y/a.wav", test::Wav16(test::Noise(720, 2)));
    const auto result = RunCli({"encode", "-d", "out", "x/a.wav", "y/a.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("y/a.wav\n"), std::string::npos) << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(dir / "out/a.wrm").size(), 60u);
}

// A recording long enough to be still encoding when the signal arrives.
void WriteLongWav(const std::filesystem::path& path) {
    test::WriteBytes(path, test::Wav16(test::Noise(16000 * 600)));
}

class StopSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(StopSignalTest, RemovesTemporaryFilesAndExits130) {
    CTestFolder dir;
    WriteLongWav(dir / "long1.wav");
    WriteLongWav(dir / "long2.wav");
    std::filesystem::create_directory(dir / "out");
    test::CCliProcess process({"encode", "-j", "2", "-d", "out", "long1.wav", "long2.wav"},
                              dir.Path());
    ASSERT_TRUE(process.WaitForOutput(dir / "out"));
    process.Signal(GetParam());
    const auto result = process.Wait();
    EXPECT_EQ(result.m_nStatus, 130) << result.m_strErr;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), {}), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGPIPE));

} // namespace
} // namespace veltrane
