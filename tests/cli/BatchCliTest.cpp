// veltrane-cli encode with many files: jobs, output names and folders, refusals, exit
// statuses, and the cleanup after SIGINT, SIGTERM, SIGHUP or SIGPIPE.
#include "tests/support/CliRunner.h"
#include "tests/support/GoldenVectors.h"

#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <csignal>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::CWavBytes;
using test::RunCli;

const std::filesystem::path kGoldenDir = VELTRANE_GOLDEN_DIR;

TEST(BatchCli, TwoJobsGiveTheBytesOfOneJob) {
    const std::vector<std::string> inputs = test::GoldenFiles(kGoldenDir, ".wav");
    ASSERT_EQ(inputs.size(), test::GoldenVectorNames().size());
    CTestFolder dir;
    auto one = RunCli(test::Concat({"encode", "-j", "1", "-d", "one"}, inputs), dir.Path());
    auto two = RunCli(test::Concat({"encode", "-j", "2", "-d", "two"}, inputs), dir.Path());
    ASSERT_EQ(one.m_nStatus, 0) << one.m_strErr;
    ASSERT_EQ(two.m_nStatus, 0) << two.m_strErr;
    for (const std::string& strInput : inputs) {
        const std::string strName = std::filesystem::path(strInput).stem().string() + ".wrm";
        const auto expected = test::ReadBytes(kGoldenDir / strName);
        EXPECT_TRUE(test::ReadBytes(dir / "one" / strName) == expected) << strName;
        EXPECT_TRUE(test::ReadBytes(dir / "two" / strName) == expected) << strName;
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

TEST(BatchCli, ExistingOutputIsSkippedWithoutForce) {
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(480)));
    test::WriteBytes(dir / "b.wav", test::Wav16(test::Noise(480)));
    test::WriteBytes(dir / "a.wrm", {1, 2, 3});
    auto result = RunCli({"encode", "a.wav", "b.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("a.wrm\n"), std::string::npos);
    EXPECT_NE(result.m_strErr.find("Converted 1, failed 0, skipped 1; "), std::string::npos);
    EXPECT_EQ(test::ReadBytes(dir / "a.wrm"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(test::ReadBytes(dir / "b.wrm").size(), 60u);

    result = RunCli({"encode", "-f", "a.wav", "b.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(dir / "a.wrm").size(), 60u);
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
